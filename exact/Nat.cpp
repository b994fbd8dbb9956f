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

// Roots of up to this many limbs are taken digit by digit (sqrtRemRow),
// longer ones by divide and conquer down to it.
const int ROW_LIMBS = 260;

// The temporaries of one level of the root, kept per thread from call to
// call so that a root allocates nothing once the storage has grown.
struct RootLevel {
    Nat s1, r1, N, d, q, t;
};

// Steps s down or up from an estimate to floor(sqrt(a)) with r the remainder
// |a - s^2| (a - s^2 < 0 when neg): (s - 1)^2 = s^2 - 2s + 1 and
// (s + 1)^2 = s^2 + 2s + 1. The result is proven by the remainder itself,
// 0 <= a - s^2 <= 2s. False (s, r unspecified) after more than `limit` steps.
bool stepToFloorRoot(Nat& s, Nat& r, bool neg, Nat& t, int limit) {
    for (; neg; --limit) {
        if (limit == 0) return false;
        // The remainder gains 2s - 1.
        addInto(t, s, s);
        subSmall(t, 1);
        if (t < r) {
            subInto(r, r, t);
        } else {
            subInto(t, t, r);
            std::swap(r, t);
            neg = false;
        }
        subSmall(s, 1);
    }
    while (r.size() >= s.size()) {
        addInto(t, s, s);
        if (!(t < r)) break;
        if (limit-- == 0) return false;
        addSmall(t, 1);
        subInto(r, r, t);
        addSmall(s, 1);
    }
    return true;
}

// ---- The root digit by digit ---------------------------------------------------------
//
// For roots of up to a few hundred limbs, the schoolbook root in base
// B = 10^8, laid out like the library's long division: with S the root of
// a's leading digits so far, placed at its weight, and R = a - S^2 the
// remainder, the next digit q at position p turns S into S + q B^p and R into
// R - (2S q B^p + q^2 B^2p), so each digit costs one pass of q times the
// digits of 2S, without a carry chain (the columns are 64-bit and keep their
// carries pending, settled every ROW_HITS digits). q comes from the top of R
// over the top three digits of 2S in floating point; it may be one off
// either way, and the next digit, which may then be negative or above B,
// makes up for it. R is kept exactly throughout, so at the end a - S^2 is
// known exactly and stepToFloorRoot proves the floor from it.
//
// Bounds: the estimates are within 10^-6 of the true ratio, so a digit is at
// most B (one too small leaves a remainder just above 2S, and the next digit
// just above B); every digit is clamped to |q| <= 1.1 B all the same (a clamp
// that ever acted would show in the final remainder, and the caller would
// take the other root), so each product is below 2.5 x 10^16, a column takes
// at most ROW_HITS = 64 of them between two settlings, below 1.6 x 10^18,
// and the folded top is kept below ROW_TOP, so a0 B + a1 stays within 64
// bits.

const int64_t B8 = 100000000;
const int64_t ROW_CLAMP = 110000000;
const int ROW_HITS = 64;
const int64_t ROW_TOP = 10000000000;  // 10^10
// A multiple of B above any column (|c| < 2 x 10^18): c + ROW_BIAS is
// non-negative, so the carry is an unsigned quotient by a constant.
const int64_t ROW_BIAS = 46116860184 * B8;

// Carries of c[lo..hi) passed up into c[hi]; c[lo..hi) end in 0..B-1.
void settle8(int64_t* c, int lo, int hi) {
    int64_t k = 0;
    for (int i = lo; i < hi; ++i) {
        const uint64_t u = static_cast<uint64_t>(c[i] + k + ROW_BIAS);
        const uint64_t q = u / static_cast<uint64_t>(B8);
        c[i] = static_cast<int64_t>(u - q * static_cast<uint64_t>(B8));
        k = static_cast<int64_t>(q) - ROW_BIAS / B8;
    }
    c[hi] += k;
}

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define ROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ROW_CLONES
#endif

// c[0..n) -= q d[0..n): no carries, a loop the compiler vectorises.
ROW_CLONES void subMul8(int64_t* __restrict c, const int32_t* __restrict d, int n, int32_t q) {
    for (int i = 0; i < n; ++i) c[i] -= static_cast<int64_t>(q) * d[i];
}

// The row root's storage, kept per thread: the remainder's columns, the
// root's signed digits and twice them.
struct RowWork {
    std::vector<int64_t> col, rt;
    std::vector<int32_t> d2;
};

// Base-10^8 digits d[0..k) (the top one may exceed B) into the limbs of x.
void digitsToNat(Nat& x, const int64_t* d, int k) {
    x.d.reserve(2 * static_cast<size_t>(k) + 2);
    x.d.resize(2 * static_cast<size_t>(k - 1));
    for (int i = 0; i + 1 < k; ++i) {
        const uint32_t v = static_cast<uint32_t>(d[i]);
        x.d[2 * i] = static_cast<limb_t>(v % 10000u);
        x.d[2 * i + 1] = static_cast<limb_t>(v / 10000u);
    }
    for (int64_t top = d[k - 1]; top; top /= 10000) x.d.push_back(static_cast<limb_t>(top % 10000));
    x.trim();
}

// floor(sqrt(a)) into s, a - s^2 into r, for the limbs a[0..n), a[n-1] != 0,
// n > 12 (a root of at least four digits). False when the digits did not
// settle within a few units (they always do; the caller then takes the
// divide-and-conquer root).
bool sqrtRemRow(const limb_t* a, int n, Nat& s, Nat& r, Nat& t) {
    const int M = (n + 1) / 2;  // a's digits
    const int m = (M + 1) / 2;  // the root's
    thread_local RowWork w;
    w.col.resize(2 * static_cast<size_t>(m) + 2);
    w.rt.resize(static_cast<size_t>(m));
    w.d2.resize(static_cast<size_t>(m));
    int64_t* col = w.col.data();
    int64_t* rt = w.rt.data();
    int32_t* d2 = w.d2.data();
    for (int i = 0; i < n / 2; ++i) col[i] = a[2 * i] + 10000 * static_cast<int64_t>(a[2 * i + 1]);
    if (n & 1) col[M - 1] = a[n - 1];
    for (int i = M; i < 2 * m + 2; ++i) col[i] = 0;
    // The top four digits' root and remainder exactly (below 10^32): two
    // digits, the leading one at least 1 (a's top digit is one of the two
    // highest).
    unsigned __int128 v = 0;
    for (int i = 2 * m - 1; i >= 2 * m - 4; --i) v = v * B8 + static_cast<uint64_t>(col[i]);
    uint64_t s0 = static_cast<uint64_t>(std::sqrt(static_cast<long double>(v)));
    while (static_cast<unsigned __int128>(s0) * s0 > v) --s0;
    while (static_cast<unsigned __int128>(s0 + 1) * (s0 + 1) <= v) ++s0;
    const uint64_t r0 = static_cast<uint64_t>(v - static_cast<unsigned __int128>(s0) * s0);  // <= 2 s0
    rt[m - 1] = static_cast<int64_t>(s0 / B8);
    rt[m - 2] = static_cast<int64_t>(s0 % B8);
    d2[m - 1] = static_cast<int32_t>(2 * rt[m - 1]);
    d2[m - 2] = static_cast<int32_t>(2 * rt[m - 2]);
    // The window's top four columns in registers (memory is stale there):
    // a0 holds column t - 1 with everything above it folded in.
    int64_t a0 = static_cast<int64_t>(r0 / B8), a1 = static_cast<int64_t>(r0 % B8), a2 = col[2 * m - 5],
            a3 = col[2 * m - 6];
    const double Bd = static_cast<double>(B8);
    const int64_t v1 = d2[m - 1], v2 = d2[m - 2];
    int64_t v3 = 0, v4 = 0;
    // The estimate is (T B^2 + a2 B + a3) / D for T = a0 B + a1 and D = 2S's
    // top three digits at the weight of a1's column. T is folded exactly
    // first: a0 B and a1 nearly cancel (a1 holds the pending -q v2 of the
    // digit before), and in floating point their difference would lose
    // units that add up from digit to digit.
    double k2 = 0, k1 = 0, k0 = 0;
    int since = 0;
    for (int j = 2; j < m; ++j) {
        const int p = m - j - 1, top = 2 * m - j - 1;
        if (j <= 4) {
            // 2S's top three digits are fixed from the third digit on, the
            // fourth from the fourth.
            v3 = j >= 3 ? d2[m - 3] : 0;
            v4 = j >= 4 ? d2[m - 4] : 0;
            const double D = (static_cast<double>(v1) * Bd + static_cast<double>(v2)) * Bd + static_cast<double>(v3);
            k2 = Bd * Bd / D;
            k1 = Bd / D;
            k0 = 1.0 / D;
        }
        const int64_t T = a0 * B8 + a1;
        const double f = static_cast<double>(T) * k2 + (static_cast<double>(a2) * k1 + static_cast<double>(a3) * k0);
        // |f| < 2 x 10^18 while |a0| <= ROW_TOP (k2 <= 1 / 2) and the other
        // registers hold pending carries (below 2 x 10^18), so the conversion
        // is defined.
        int64_t q = static_cast<int64_t>(f);
        q = q > ROW_CLAMP ? ROW_CLAMP : q < -ROW_CLAMP ? -ROW_CLAMP : q;
        const int64_t a4 = col[top - 4];
        a0 = T - q * v1;
        a1 = a2 - q * v2;
        a2 = a3 - q * v3;
        a3 = a4 - q * v4;
        if (j > 4) subMul8(col + 2 * p + 1, d2 + (m - j), j - 4, static_cast<int32_t>(q));
        const int64_t qq = q * q;
        if (j == 2)
            a2 -= qq;
        else if (j == 3)
            a3 -= qq;
        else
            col[2 * p] -= qq;
        rt[p] = q;
        d2[p] = static_cast<int32_t>(2 * q);
        if (a0 > ROW_TOP || a0 < -ROW_TOP) return false;
        if (++since == ROW_HITS) {
            col[top - 1] = a0;
            col[top - 2] = a1;
            col[top - 3] = a2;
            col[top - 4] = a3;
            settle8(col, 2 * p, top - 1);
            a0 = col[top - 1];
            a1 = col[top - 2];
            a2 = col[top - 3];
            a3 = col[top - 4];
            since = 0;
        }
    }
    // The remainder a - S^2 exactly: columns 0..m-2 in 0..B-1, the signed
    // top in m - 1.
    col[m - 1] = a0;
    col[m - 2] = a1;
    col[m - 3] = a2;
    col[m - 4] = a3;
    settle8(col, 0, m - 1);
    const bool neg = col[m - 1] < 0;
    if (neg) {
        // |R| = -R: the digits' complement, borrowing.
        int64_t borrow = 0;
        for (int i = 0; i + 1 < m; ++i) {
            const int64_t x = -col[i] - borrow;
            borrow = x < 0;
            col[i] = borrow ? x + B8 : x;
        }
        col[m - 1] = -col[m - 1] - borrow;
    }
    // The root's signed digits (|digit| <= 1.1 B) normalised, the top one
    // keeping the carry (S may come out as B^m when a's root lies just
    // below it).
    int64_t k = 0;
    for (int i = 0; i + 1 < m; ++i) {
        int64_t x = rt[i] + k;
        k = 0;
        while (x < 0) x += B8, --k;
        while (x >= B8) x -= B8, ++k;
        rt[i] = x;
    }
    rt[m - 1] += k;
    if (rt[m - 1] <= 0) return false;
    digitsToNat(s, rt, m);
    digitsToNat(r, col, m);
    return stepToFloorRoot(s, r, neg, t, 4);
}

// The level's end for s = s' 10000^l + q (v.N = r' 10000^l + a1, v.d = 2s',
// v.q = floor(v.N / v.d)): r = a - s^2 = u 10000^l + a0 - q^2 with u =
// v.N - q v.d, and s stepped to the floor by its sign.
void remainderAndStep(const limb_t* a, int l, RootLevel& v, Nat& s, Nat& r) {
    mulInto(v.t, v.q, v.d);
    subInto(v.N, v.N, v.t);  // u
    joinInto(r, v.N.d.data(), v.N.size(), l, a, lowLength(a, l));
    mulInto(v.t, v.q, v.q);
    const bool neg = r < v.t;
    if (neg) {
        subInto(v.t, v.t, r);
        std::swap(r, v.t);
    } else {
        subInto(r, r, v.t);
    }
    stepToFloorRoot(s, r, neg, v.t, 1 << 30);
}

// floor(sqrt(a)) into s and the remainder into r for the limbs a[0..n),
// a[n-1] != 0; `level` is the depth (its temporaries in work[level]).
void sqrtRemLimbs(const limb_t* a, int n, Nat& s, Nat& r, std::vector<RootLevel>& work, size_t level) {
    if (n > 12 && n <= ROW_LIMBS && sqrtRemRow(a, n, s, r, work[level].t)) return;
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
    joinInto(s, v.s1.d.data(), v.s1.size(), l, nullptr, 0);
    addInto(s, s, v.q);
    remainderAndStep(a, l, v, s, r);
}

}  // namespace

namespace {
std::vector<RootLevel>& rootWork();
}  // namespace

void sqrtRem(const Nat& a, Nat& s, Nat& r) {
    if (a.isZero()) {
        s = Nat();
        r = Nat();
        return;
    }
    sqrtRemLimbs(a.d.data(), a.size(), s, r, rootWork(), 0);
}

namespace {

// lhs 10000^E < rhs for integers 0 <= lhs, rhs < 10^25, with a
// margin far above long double's rounding; an exponent beyond the values'
// own range decides by itself (without powl, which costs more than the
// rest of a small root's proof).
bool lessScaled(long double lhs, int E, long double rhs) {
    if (E < -8) return rhs >= 1;
    if (E > 8) return false;
    for (; E > 0; --E) lhs *= 10000;
    for (; E < 0; ++E) rhs *= 10000;
    return lhs * 1.000001L < rhs;
}

// The top three limbs of x (all of them when it has fewer) and the count of
// limbs below them: x lies in [t 10000^k, (t + 1) 10000^k).
long double topOf(const Nat& x, int* k) {
    const int n = x.size(), m = std::min(n, 3);
    long double t = 0;
    for (int i = n - 1; i >= n - m; --i) t = t * 10000 + x.d[static_cast<size_t>(i)];
    *k = n - m;
    return t;
}

// floor(sqrt(a)) for the limbs a[0..n), a[n-1] != 0, without the remainder.
// The top level of sqrtRemLimbs, less its two products: s* = s' 10000^l + q
// is never below floor(sqrt(a)) (with t = s' 10000^l + x the true floor,
// 2 s' x 10000^l <= r' 10000^2l + a1 10000^l + a0 gives x <= q, as
// a0 < 10000^l), so s* is the floor exactly when r* = u 10000^l + a0 - q^2
// >= 0. The quotient is taken two limbs further, floor(N 10000^2 / 2s') =
// q 10000^2 + F, so that u >= F 2s' / 10000^2; when that bound times
// 10000^l exceeds q^2 (nearly always: r* is then far from 0), s* is the
// result with neither u nor q^2 formed. Otherwise both are, as below.
void isqrtLimbs(const limb_t* a, int n, Nat& s, std::vector<RootLevel>& work) {
    thread_local Nat rem;
    if (n <= ROW_LIMBS) {
        sqrtRemLimbs(a, n, s, rem, work, 0);
        return;
    }
    RootLevel& v = work[0];
    const int l = (n - 1) / 4;
    sqrtRemLimbs(a + 2 * l, n - 2 * l, v.s1, v.r1, work, 1);
    joinInto(v.N, v.r1.d.data(), v.r1.size(), l, a + l, lowLength(a + l, l));
    addInto(v.d, v.s1, v.s1);
    v.t.d.assign(2, 0);
    if (!v.N.isZero()) v.t.d.insert(v.t.d.end(), v.N.d.begin(), v.N.d.end());
    v.t.trim();
    divFloorInto(v.q, v.t, v.d);  // q 10000^2 + F
    const long double F = v.q.size() >= 2 ? v.q.d[0] + 10000.0L * v.q.d[1] : v.q.size() == 1 ? v.q.d[0] : 0;
    if (v.q.size() <= 2)
        v.q.d.clear();
    else
        v.q.d.erase(v.q.d.begin(), v.q.d.begin() + 2);
    joinInto(s, v.s1.d.data(), v.s1.size(), l, nullptr, 0);
    addInto(s, s, v.q);
    if (v.q.isZero()) return;  // r* = u 10000^l + a0 >= 0
    // u 10000^l >= F Dt 10000^(kd + l - 2) and q^2 < (Qt + 1)^2 10000^2kq
    // (q^2 = Qt^2 exactly when q has at most three limbs); the comparison
    // in long double with a margin far above its rounding.
    int kd, kq;
    const long double Dt = topOf(v.d, &kd), Qt = topOf(v.q, &kq);
    const long double Qu = kq > 0 ? Qt + 1 : Qt;
    if (lessScaled(Qu * Qu, 2 * kq - kd - l + 2, F * Dt)) return;
    // Undecided: the remainder exactly.
    joinInto(v.N, v.r1.d.data(), v.r1.size(), l, a + l, lowLength(a + l, l));
    remainderAndStep(a, l, v, s, rem);
}

// Each level halves the length: 64 levels are more than any length needs.
std::vector<RootLevel>& rootWork() {
    thread_local std::vector<RootLevel> work(64);
    return work;
}

}  // namespace

void isqrt(const Nat& a, Nat& s) {
    if (a.isZero()) {
        s.d.clear();
        return;
    }
    isqrtLimbs(a.d.data(), a.size(), s, rootWork());
}

Nat isqrt(const Nat& a) {
    Nat s;
    isqrt(a, s);
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
// out = floor(a / 10^k) and out = a 10^k, k >= 0, into storage the caller
// keeps.
void divPow10Into(Nat& out, const Nat& a, int64_t k) {
    const size_t q = static_cast<size_t>(k / 4);
    if (a.d.size() <= q) {
        out.d.clear();
        return;
    }
    out.d.resize(a.d.size() - q);
    if (k % 4)
        kv::trunc_digits(out.d.data(), a.d.data() + q, out.size(), k % 4);
    else
        kv::copy_n(out.d.data(), a.d.data() + q, out.size());
    out.trim();
}

void mulPow10Into(Nat& out, const Nat& a, int64_t k) {
    if (a.isZero()) {
        out.d.clear();
        return;
    }
    const size_t q = static_cast<size_t>(k / 4);
    out.d.assign(q + a.d.size() + 1, 0);
    kv::scale_digits(out.d.data() + q, a.d.data(), a.size(), static_cast<int>(k % 4));
    out.trim();
}

// The temporaries of one level of icbrtAbove, kept per thread.
struct CbrtLevel {
    Nat top, c, c2, num, q, x;
};

void icbrtAboveInto(Nat& out, const Nat& a, std::vector<CbrtLevel>& work, size_t level) {
    if (a.digits() <= 36) {
        out = icbrtSmall(a);
        return;
    }
    CbrtLevel& v = work[level];
    const int64_t k = a.digits() / 6 - 3;
    divPow10Into(v.top, a, 3 * k);
    icbrtAboveInto(v.c, v.top, work, level + 1);
    addSmall(v.c, 1);
    // floor(a / x0^2) = floor(floor(a / 10^2k) / (c + 1)^2).
    mulInto(v.c2, v.c, v.c);
    divPow10Into(v.num, a, 2 * k);
    divFloorInto(v.q, v.num, v.c2);
    mulPow10Into(v.x, v.c, k);
    addInto(v.x, v.x, v.x);
    addInto(v.x, v.x, v.q);
    divSmallInto(out, v.x, 3);
}

// Each level halves the digits: 64 levels are more than any length needs.
std::vector<CbrtLevel>& cbrtWork() {
    thread_local std::vector<CbrtLevel> work(64);
    return work;
}

Nat icbrtAbove(const Nat& a) {
    Nat out;
    icbrtAboveInto(out, a, cbrtWork(), 0);
    return out;
}

// The numbers of icbrt's last step, kept per thread.
struct CbrtTop {
    Nat c, c2, R, D, e, x0, x, cE, e2, w, ew, diff, s1, s2;
};

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
    // Every number here lives in storage kept per thread (s1 and s2 hold
    // the passing values).
    thread_local CbrtTop T;
    Nat &c = T.c, &c2 = T.c2, &R = T.R, &D = T.D, &e = T.e, &x0 = T.x0, &x = T.x, &cE = T.cE, &e2 = T.e2,
        &w = T.w, &ew = T.ew, &diff = T.diff, &s1 = T.s1, &s2 = T.s2;
    const int64_t k = a.digits() / 6 - 3;
    divPow10Into(s1, a, 3 * k);
    icbrtAboveInto(c, s1, cbrtWork(), 0);
    addSmall(c, 1);
    mulInto(c2, c, c);
    mulInto(s1, c2, c);
    mulPow10Into(R, s1, 3 * k);
    subInto(R, R, a);
    addInto(D, c2, c2);
    addInto(D, D, c2);  // 3 c^2 by additions: a small factor's carries cost a division per limb
    const int64_t t = std::max<int64_t>(0, D.digits() - (k + 12));
    divPow10Into(s1, R, 2 * k + t);
    divPow10Into(s2, D, t);
    divFloorInto(e, s1, s2);
    // The true gap x0 - y = R / (x0^2 + x0 y + y^2) exceeds R / (3 x0^2), so
    // x0 - e lies above y nearly always: one unit more is taken at once (the
    // remainder below decides either way).
    addSmall(e, 1);
    // x = x0 - e and its exact remainder a - x^3 = e w - R with
    // w = 3 x0^2 - 3 x0 e + e^2 (from x0^3 - x^3 = e (x0^2 + x0 x + x^2)), and
    // x^2 = x0^2 - 2 x0 e + e^2: products of half the root's length and one
    // of e by w, instead of the full x^3.
    mulPow10Into(x0, c, k);
    if (!(e < x0)) return icbrtByCube(a);
    subInto(x, x0, e);
    mulInto(cE, c, e);
    mulInto(e2, e, e);
    mulPow10Into(w, D, 2 * k);
    addInto(w, w, e2);
    addInto(s1, cE, cE);
    addInto(s1, s1, cE);
    mulPow10Into(s2, s1, k);
    subInto(w, w, s2);
    mulInto(ew, e, w);
    bool neg = ew < R;
    if (neg)
        subInto(diff, R, ew);
    else
        subInto(diff, ew, R);
    if (!neg) {
        // 0 <= a - x^3 < 3x^2 <= (x + 1)^3 - x^3 proves x, and the leading
        // limbs show it nearly always: a - x^3 < (Dt + 1) 10000^kd and
        // 3x^2 >= 3 Xt^2 10000^2kx, compared in long double with a margin far
        // above its rounding. Otherwise x^2 is formed and the steps below
        // decide.
        int kd, kx;
        const long double Dt = topOf(diff, &kd), Xt = topOf(x, &kx);
        if (lessScaled(Dt + 1, kd - 2 * kx, 3 * Xt * Xt)) return x;
    }
    const Nat ce = mulPow10(cE, k);
    Nat x2 = sub(add(mulPow10(c2, 2 * k), e2), add(ce, ce));
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
