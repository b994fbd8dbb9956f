// Natural numbers in base-10000 limbs for the exact tier (see Nat.h).
#include "exact/Nat.h"

#include <algorithm>
#include <cmath>

namespace kvtrig {

using kv::limb_t;

void Nat::set(uint64_t v) {
    d.clear();
    while (v) {
        d.push_back(static_cast<limb_t>(v % 10000));
        v /= 10000;
    }
}

void Nat::trim() {
    while (!d.empty() && d.back() == 0) d.pop_back();
}

int64_t Nat::digits() const {
    if (d.empty()) return 0;
    const limb_t t = d.back();
    const int td = t >= 1000 ? 4 : t >= 100 ? 3 : t >= 10 ? 2 : 1;
    return 4 * static_cast<int64_t>(d.size() - 1) + td;
}

double Nat::toDouble() const {
    double v = 0;
    for (size_t i = d.size(); i-- > 0;) v = v * 10000.0 + d[i];
    return v;
}

double Nat::log10() const {
    if (d.empty()) return -HUGE_VAL;
    // The top five limbs carry far more than a double's digits.
    const size_t n = d.size(), k = std::min<size_t>(n, 5);
    double v = 0;
    for (size_t i = 0; i < k; ++i) v = v * 10000.0 + d[n - 1 - i];
    return std::log10(v) + 4.0 * static_cast<double>(n - k);
}

uint64_t Nat::low64() const {
    uint64_t v = 0;
    for (size_t i = std::min<size_t>(d.size(), 4); i-- > 0;) v = v * 10000 + static_cast<uint64_t>(d[i]);
    return v;
}

std::string Nat::toString() const {
    if (d.empty()) return "0";
    std::string s = std::to_string(d.back());
    size_t at = s.size();
    s.resize(at + 4 * (d.size() - 1));
    for (size_t i = d.size() - 1; i-- > 0; at += 4) {
        int v = d[i];
        for (int k = 3; k >= 0; --k, v /= 10) s[at + static_cast<size_t>(k)] = static_cast<char>('0' + v % 10);
    }
    return s;
}

int cmp(const Nat& a, const Nat& b) {
    if (a.d.size() != b.d.size()) return a.d.size() < b.d.size() ? -1 : 1;
    return kv::cmp_n(a.d.data(), b.d.data(), a.size());
}

Nat add(const Nat& a, const Nat& b) {
    const Nat& l = a.size() >= b.size() ? a : b;
    const Nat& s = a.size() >= b.size() ? b : a;
    Nat r;
    r.d.assign(l.d.begin(), l.d.end());
    r.d.push_back(0);
    limb_t c = s.d.empty() ? 0 : kv::add_n(r.d.data(), r.d.data(), s.d.data(), s.size());
    for (size_t i = s.d.size(); c; ++i) {
        limb_t v = r.d[i] + 1;
        c = v == 10000;
        r.d[i] = c ? 0 : v;
    }
    r.trim();
    return r;
}

Nat sub(const Nat& a, const Nat& b) {
    Nat r = a;
    if (!b.d.empty()) {
        limb_t c = kv::sub_n(r.d.data(), r.d.data(), b.d.data(), b.size());
        for (size_t i = b.d.size(); c; ++i) {
            c = r.d[i] == 0;
            r.d[i] = c ? 9999 : r.d[i] - 1;
        }
    }
    r.trim();
    return r;
}

void addSmall(Nat& a, uint32_t v) {
    uint64_t c = v;
    for (size_t i = 0; c; ++i) {
        if (i == a.d.size()) a.d.push_back(0);
        c += static_cast<uint64_t>(a.d[i]);
        a.d[i] = static_cast<limb_t>(c % 10000);
        c /= 10000;
    }
}

void subSmall(Nat& a, uint32_t v) {
    int64_t b = v;
    for (size_t i = 0; b; ++i) {
        int64_t x = static_cast<int64_t>(a.d[i]) - b % 10000;
        b /= 10000;
        if (x < 0) {
            x += 10000;
            ++b;
        }
        a.d[i] = static_cast<limb_t>(x);
    }
    a.trim();
}

Nat mul(const Nat& a, const Nat& b) {
    Nat r;
    if (a.d.empty() || b.d.empty()) return r;
    r.d.resize(a.d.size() + b.d.size());
    kv::mul(r.d.data(), a.d.data(), a.size(), b.d.data(), b.size());
    r.trim();
    return r;
}

void mulSmallInPlace(Nat& a, uint64_t m) {
    if (m == 0) {
        a.d.clear();
        return;
    }
    uint64_t c = 0;
    for (auto& l : a.d) {
        c += static_cast<uint64_t>(l) * m;
        l = static_cast<limb_t>(c % 10000);
        c /= 10000;
    }
    for (; c; c /= 10000) a.d.push_back(static_cast<limb_t>(c % 10000));
}

Nat mulSmall(const Nat& a, uint64_t m) {
    Nat r = a;
    mulSmallInPlace(r, m);
    return r;
}

Nat divSmall(const Nat& a, uint64_t m) {
    Nat r;
    divSmallInto(r, a, m);
    return r;
}

Nat divFloor(const Nat& a, const Nat& b) {
    Nat r;
    if (a.size() < b.size()) return r;
    r.d.resize(a.d.size() - b.d.size() + 1);
    kv::divq(r.d.data(), a.d.data(), a.size(), b.d.data(), b.size());
    r.trim();
    return r;
}

Nat divCeil(const Nat& a, const Nat& b) {
    Nat t = add(a, b);
    subSmall(t, 1);
    return divFloor(t, b);
}

Nat mulPow10(const Nat& a, int64_t k) {
    if (a.d.empty() || k == 0) return a;
    const size_t q = static_cast<size_t>(k / 4);
    Nat r;
    r.d.assign(q + a.d.size() + 1, 0);
    kv::scale_digits(r.d.data() + q, a.d.data(), a.size(), static_cast<int>(k % 4));
    r.trim();
    return r;
}

Nat divPow10(const Nat& a, int64_t k) {
    if (k == 0) return a;
    Nat r;
    if (a.d.empty() || k >= 4 * static_cast<int64_t>(a.d.size())) return r;
    // Whole limbs are dropped without being read.
    const size_t q = static_cast<size_t>(k / 4);
    if (k % 4) {
        // From a's limbs into r's: the kernel's loop for separate arrays
        // has no division in it.
        r.d.resize(a.d.size() - q);
        kv::trunc_digits(r.d.data(), a.d.data() + q, r.size(), k % 4);
    } else {
        r.d.assign(a.d.begin() + static_cast<std::ptrdiff_t>(q), a.d.end());
    }
    r.trim();
    return r;
}

Nat pow10(int64_t k) { return mulPow10(Nat(1), k); }

Nat isqrt(const Nat& a) {
    if (a.digits() <= 15) {
        const uint64_t v = a.low64();
        uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
        while (s * s > v) --s;
        while ((s + 1) * (s + 1) <= v) ++s;
        return Nat(s);
    }
    // x0 = (isqrt(floor(a / 10^2k)) + 1) 10^k lies above sqrt(a) by
    // d < 10^k (1 + 10^k / sqrt(a)), with k about a quarter of a's digits.
    // One step of Newton's integer iteration, floor((x0 + floor(a/x0)) / 2),
    // never falls below floor(sqrt(a)) and lands within d^2 / (2 x0) + 1 <= 2
    // of it; the last units are stepped down by squaring.
    const int64_t k = a.digits() / 4;
    Nat x = isqrt(divPow10(a, 2 * k));
    addSmall(x, 1);
    x = mulPow10(x, k);
    x = divSmall(add(x, divFloor(a, x)), 2);
    while (a < mul(x, x)) subSmall(x, 1);
    return x;
}

void subInto(Nat& out, const Nat& a, const Nat& b) {
    if (&out != &a) out.d.assign(a.d.begin(), a.d.end());
    if (!b.d.empty()) {
        limb_t c = kv::sub_n(out.d.data(), out.d.data(), b.d.data(), b.size());
        for (size_t i = b.d.size(); c; ++i) {
            c = out.d[i] == 0;
            out.d[i] = c ? 9999 : out.d[i] - 1;
        }
    }
    out.trim();
}

void addInto(Nat& out, const Nat& a, const Nat& b) {
    if (a.size() < b.size()) {
        if (&out == &a) {
            Nat t = b;
            addInto(t, b, a);
            out = std::move(t);
            return;
        }
        addInto(out, b, a);
        return;
    }
    if (&out != &a) out.d.assign(a.d.begin(), a.d.end());
    out.d.push_back(0);
    limb_t c = b.d.empty() ? 0 : kv::add_n(out.d.data(), out.d.data(), b.d.data(), b.size());
    for (size_t i = b.d.size(); c; ++i) {
        limb_t v = out.d[i] + 1;
        c = v == 10000;
        out.d[i] = c ? 0 : v;
    }
    out.trim();
}

void mulShiftInto(Nat& out, const Nat& a, const Nat& b, int k, Nat& scratch) {
    if (a.d.empty() || b.d.empty() || a.size() + b.size() <= k) {
        out.d.clear();
        return;
    }
    const int n = a.size() + b.size();
    // Only the limbs from k up: the kernel skips the low columns when it can
    // prove their carry.
    scratch.d.resize(static_cast<size_t>(n - k));
    if (kv::mul_high(scratch.d.data(), a.d.data(), a.size(), b.d.data(), b.size(), k)) {
        std::swap(out.d, scratch.d);
    } else {
        scratch.d.resize(static_cast<size_t>(n));
        kv::mul(scratch.d.data(), a.d.data(), a.size(), b.d.data(), b.size());
        out.d.assign(scratch.d.begin() + k, scratch.d.end());
    }
    out.trim();
}

void divSmallInto(Nat& out, const Nat& a, uint64_t m) {
    const limb_t v[3] = {static_cast<limb_t>(m % 10000), static_cast<limb_t>(m / 10000 % 10000),
                         static_cast<limb_t>(m / 100000000)};
    const int vn = v[2] ? 3 : v[1] ? 2 : 1;
    if (a.size() < vn) {
        out.d.clear();
        return;
    }
    out.d.resize(a.d.size() - vn + 1);
    kv::divq(out.d.data(), a.d.data(), a.size(), v, vn);
    out.trim();
}

Int addInt(const Int& a, const Int& b) {
    Int r;
    if (a.neg == b.neg) {
        r.m = add(a.m, b.m);
        r.neg = a.neg;
    } else if (!(a.m < b.m)) {
        r.m = sub(a.m, b.m);
        r.neg = a.neg;
    } else {
        r.m = sub(b.m, a.m);
        r.neg = b.neg;
    }
    if (r.m.isZero()) r.neg = false;
    return r;
}

}  // namespace kvtrig
