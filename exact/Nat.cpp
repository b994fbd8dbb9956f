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
    Nat r;
    addInto(r, a, b);
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

Nat half(Nat a) {
    // Limb i of floor(a / 2) is floor(a_i / 2) plus 5000 when a_(i+1) is
    // odd: no carry runs from limb to limb, and limb i reads a_(i+1) before
    // that limb is rewritten, so the halving can work in place.
    const size_t n = a.d.size();
    for (size_t i = 0; i + 1 < n; ++i) a.d[i] = (a.d[i] >> 1) + 5000 * (a.d[i + 1] & 1);
    if (n > 0) a.d[n - 1] = a.d[n - 1] >> 1;
    a.trim();
    return a;
}

namespace {

// out = a b and out = floor(a / b) (b > 0) into storage the caller keeps.
void mulInto(Nat& out, const Nat& a, const Nat& b) {
    if (a.isZero() || b.isZero()) {
        out.d.clear();
        return;
    }
    out.d.resize(static_cast<size_t>(a.size() + b.size()));
    kv::mul(out.d.data(), a.d.data(), a.size(), b.d.data(), b.size());
    out.trim();
}

void divFloorInto(Nat& out, const Nat& a, const Nat& b) {
    if (a.size() < b.size()) {
        out.d.clear();
        return;
    }
    out.d.resize(static_cast<size_t>(a.size() - b.size() + 1));
    kv::divq(out.d.data(), a.d.data(), a.size(), b.d.data(), b.size());
    out.trim();
}

// out = a 10000^k + b for the limbs a[0..an) and b[0..bn), bn <= k.
void joinInto(Nat& out, const limb_t* a, int an, int k, const limb_t* b, int bn) {
    out.d.assign(b, b + bn);
    if (an == 0) {
        out.trim();
        return;
    }
    out.d.resize(static_cast<size_t>(k), 0);
    out.d.insert(out.d.end(), a, a + an);
}

// Lowest limbs of a[0..k) without the zero limbs on top.
int lowLength(const limb_t* a, int k) {
    while (k > 0 && a[k - 1] == 0) --k;
    return k;
}

// The temporaries of one level of the root, kept per thread from call to
// call so that a root allocates nothing once the storage has grown.
struct RootLevel {
    Nat s1, r1, N, d, q, t;
};

// floor(sqrt(a)) into s and the remainder into r for the limbs a[0..n),
// a[n-1] != 0; `level` is the depth (its temporaries in work[level]).
void sqrtRemLimbs(const limb_t* a, int n, Nat& s, Nat& r, std::vector<RootLevel>& work, size_t level) {
    if (n <= 8) {
        // Below 10^32: a long double's root is within a few units of the
        // true one, and 128-bit products step it to the floor.
        unsigned __int128 v = 0;
        for (int i = n - 1; i >= 0; --i) v = v * 10000 + static_cast<unsigned>(a[i]);
        uint64_t q = static_cast<uint64_t>(std::sqrt(static_cast<long double>(v)));
        while (static_cast<unsigned __int128>(q) * q > v) --q;
        while (static_cast<unsigned __int128>(q + 1) * (q + 1) <= v) ++q;
        s.set(q);
        r.set(static_cast<uint64_t>(v - static_cast<unsigned __int128>(q) * q));
        return;
    }
    // a = A 10000^2l + a1 10000^l + a0 with A of at least 2l + 1 limbs, so
    // that A's root s' is at least 10000^l. With A = s'^2 + r' and
    // q = floor((r' 10000^l + a1) / 2s'), u the division's remainder,
    //   a - (s' 10000^l + q)^2 = u 10000^l + a0 - q^2,
    // and s' 10000^l + q is above floor(sqrt(a)) by at most one or two (its
    // excess is below q^2 / (2 s' 10000^l) with q <= 10000^l + 1): the exact
    // remainder's sign steps it down. The result is proven by the remainder
    // itself, 0 <= a - s^2 <= 2s.
    RootLevel& v = work[level];
    const int l = (n - 1) / 4;
    sqrtRemLimbs(a + 2 * l, n - 2 * l, v.s1, v.r1, work, level + 1);
    joinInto(v.N, v.r1.d.data(), v.r1.size(), l, a + l, lowLength(a + l, l));
    addInto(v.d, v.s1, v.s1);
    divFloorInto(v.q, v.N, v.d);
    mulInto(v.t, v.q, v.d);
    subInto(v.N, v.N, v.t);  // u
    joinInto(s, v.s1.d.data(), v.s1.size(), l, nullptr, 0);
    addInto(s, s, v.q);
    joinInto(r, v.N.d.data(), v.N.size(), l, a, lowLength(a, l));
    mulInto(v.t, v.q, v.q);
    bool neg = r < v.t;
    if (neg) {
        subInto(v.t, v.t, r);
        std::swap(r, v.t);
    } else {
        subInto(r, r, v.t);
    }
    while (neg) {
        // (s - 1)^2 = s^2 - 2s + 1: the remainder gains 2s - 1.
        addInto(v.t, s, s);
        subSmall(v.t, 1);
        if (v.t < r) {
            subInto(r, r, v.t);
        } else {
            subInto(v.t, v.t, r);
            std::swap(r, v.t);
            neg = false;
        }
        subSmall(s, 1);
    }
    while (r.size() >= s.size()) {
        addInto(v.t, s, s);
        if (!(v.t < r)) break;
        // (s + 1)^2 = s^2 + 2s + 1.
        addSmall(v.t, 1);
        subInto(r, r, v.t);
        addSmall(s, 1);
    }
}

}  // namespace

void sqrtRem(const Nat& a, Nat& s, Nat& r) {
    if (a.isZero()) {
        s = Nat();
        r = Nat();
        return;
    }
    // Each level halves the length: 64 levels are more than any length needs.
    thread_local std::vector<RootLevel> work(64);
    sqrtRemLimbs(a.d.data(), a.size(), s, r, work, 0);
}

Nat isqrt(const Nat& a) {
    Nat s, r;
    sqrtRem(a, s, r);
    return s;
}

namespace {

// floor(cbrt(a)) exactly for a below 10^36 < 2^128: a long double's root is
// within a few units of the true one, and 128-bit products step it to the
// floor.
Nat icbrtSmall(const Nat& a) {
    unsigned __int128 v = 0;
    for (size_t i = a.d.size(); i-- > 0;) v = v * 10000 + static_cast<unsigned>(a.d[i]);
    uint64_t q = static_cast<uint64_t>(std::cbrt(static_cast<long double>(v)));
    auto cube = [](uint64_t x) { return static_cast<unsigned __int128>(x) * x * x; };
    while (q > 0 && cube(q) > v) --q;
    while (cube(q + 1) <= v) ++q;
    return Nat(q);
}

// A number at least floor(cbrt(a)) and at most a few units above it. From
// c >= floor(cbrt(floor(a / 10^3k))), x0 = (c + 1) 10^k lies above cbrt(a);
// one step of Newton's integer iteration floor((2 x0 + floor(a / x0^2)) / 3)
// never falls below floor(cbrt(a)) (the iteration from above stays above
// it). With k three digits short of half the root's digits, the step's
// excess, about (x0 - cbrt(a))^2 / cbrt(a), stays below one unit even from
// an inner estimate a few units high, so no level needs an exact check.
Nat icbrtAbove(const Nat& a) {
    if (a.digits() <= 36) return icbrtSmall(a);
    const int64_t k = a.digits() / 6 - 3;
    Nat c = icbrtAbove(divPow10(a, 3 * k));
    addSmall(c, 1);
    // floor(a / x0^2) = floor(floor(a / 10^2k) / (c + 1)^2).
    const Nat q = divFloor(divPow10(a, 2 * k), mul(c, c));
    const Nat x0 = mulPow10(c, k);
    return divSmall(add(add(x0, x0), q), 3);
}

}  // namespace

namespace {

// floor(cbrt(a)) from icbrtAbove's estimate stepped down by exact cubes: a
// fallback for an estimate e that would not lie below x0 (which the bounds
// rule out).
Nat icbrtByCube(const Nat& a) {
    Nat x = icbrtAbove(a);
    while (a < mul(mul(x, x), x)) subSmall(x, 1);
    return x;
}

}  // namespace

Nat icbrt(const Nat& a) {
    if (a.digits() <= 36) return icbrtSmall(a);
    // x0 = c 10^k lies above y = cbrt(a) (c as in icbrtAbove), and its exact
    // excess R = x0^3 - a = (x0 - y)(x0^2 + x0 y + y^2) > 0 costs only
    // products of half the root's length. So x0 - y is close to
    // R / (3 x0^2) (the gap is about (x0 - y)^2 / x0, below a unit), and that
    // quotient, taken from the leading digits of both (3 c^2 keeps k + 12 of
    // them), is within a unit of its floor: x = x0 - e lies within a few
    // units of floor(y), with no quotient of the full length.
    const int64_t k = a.digits() / 6 - 3;
    Nat c = icbrtAbove(divPow10(a, 3 * k));
    addSmall(c, 1);
    const Nat c2 = mul(c, c);
    const Nat R = sub(mulPow10(mul(c2, c), 3 * k), a);
    const Nat D = mulSmall(c2, 3);
    const int64_t t = std::max<int64_t>(0, D.digits() - (k + 12));
    const Nat e = divFloor(divPow10(R, 2 * k + t), divPow10(D, t));
    // x = x0 - e and its exact remainder a - x^3 = e w - R with
    // w = 3 x0^2 - 3 x0 e + e^2 (from x0^3 - x^3 = e (x0^2 + x0 x + x^2)), and
    // x^2 = x0^2 - 2 x0 e + e^2: products of half the root's length and one
    // of e by w, instead of the full x^3.
    const Nat x0 = mulPow10(c, k);
    if (!(e < x0)) return icbrtByCube(a);
    Nat x = sub(x0, e);
    const Nat cE = mul(c, e), e2 = mul(e, e), x02 = mulPow10(c2, 2 * k), ce = mulPow10(cE, k);
    Nat x2 = sub(add(x02, e2), add(ce, ce));
    const Nat w = sub(add(mulPow10(D, 2 * k), e2), mulPow10(mulSmall(cE, 3), k));
    const Nat ew = mul(e, w);
    bool neg = ew < R;
    Nat diff = neg ? sub(R, ew) : sub(ew, R);
    Nat u, v;
    while (neg) {
        // a - (x - 1)^3 = a - x^3 + 3x^2 - 3x + 1; (x - 1)^2 = x^2 - 2x + 1.
        addInto(u, x2, x2);
        addInto(u, u, x2);
        addInto(v, x, x);
        addInto(v, v, x);
        subInto(u, u, v);
        addSmall(u, 1);
        if (u < diff) {
            subInto(diff, diff, u);
        } else {
            subInto(u, u, diff);
            std::swap(diff, u);
            neg = false;
        }
        addInto(v, x, x);
        subInto(x2, x2, v);
        addSmall(x2, 1);
        subSmall(x, 1);
    }
    for (;;) {
        // a >= (x + 1)^3 = x^3 + 3(x^2 + x) + 1 while the remainder reaches it.
        addInto(v, x2, x);
        addInto(u, v, v);
        addInto(u, u, v);
        addSmall(u, 1);
        if (diff < u) break;
        subInto(diff, diff, u);
        addInto(v, x, x);
        addSmall(v, 1);
        addInto(x2, x2, v);
        addSmall(x, 1);
    }
    // The result is proven by 0 <= a - x^3 < 3x^2 + 3x + 1 = (x + 1)^3 - x^3.
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
