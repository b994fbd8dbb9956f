// Exact truncated quotient of two limb arrays (kv::divq, contract in
// kernels.h).
//
// Both operands are regrouped into base-10^8 digits; the quotient of the
// integers they stand for does not depend on the base.
//
// A divisor of one such digit takes a single short-division pass: the
// remainder runs from digit to digit, and each step divides by the invariant
// divisor with a multiply by its precomputed reciprocal (exact for every
// 64-bit dividend), so no hardware division sits on that chain.
//
// A longer divisor takes long division in which the partial remainder is kept
// as signed 64-bit limbs with their carries pending. Each quotient digit is
// estimated in floating point from the top of the remainder and the top three
// digits of the divisor, and qd x divisor is subtracted limb by limb with no
// carry or borrow at all: that loop has no chain and the compiler vectorises
// it. The estimate may be one too small or too large; the next digit then
// comes out a little larger or negative and makes up for it, because the
// remainder stays within (-divisor, 2 divisor) x its weight. At the end the
// remainder is normalised, the last digit corrected by one where the
// remainder is negative or not below the divisor, and the signed quotient
// digits are normalised into the exact floor.
//
// Bounds (B = 10^8, V the divisor, its top digit >= 1): every estimate is
// within 10^-5 of the true ratio, so |digit| <= 1.0001 B and each subtraction
// moves a limb by less than 1.0001 x 10^16. A limb takes at most HITS of them
// between two normalisations of the pending carries, so |limb| stays below
// 1.3 x 10^18; the top two limbs are combined exactly in 64 bits before the
// floating-point estimate, which keeps its error far below one unit.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "kernels_impl.h"
#include "kernels_ntt.h"

namespace kv {
namespace {

const int64_t B8 = 100000000;
const int HITS = 128;
// Divisors whose body (all but the top four digits) has at least this many
// digits subtract two quotient digits to a pass (longDivide).
const int PAIRED_BODY = 48;

// floor(x / 10^8) for any signed x.
inline int64_t floorDiv(int64_t x) {
    return x >= 0 ? x / B8 : -((-x + B8 - 1) / B8);
}

// Division of 64-bit values by an invariant d >= 1 through a multiply by a
// precomputed reciprocal (Granlund and Montgomery's method, exact for every
// 64-bit dividend).
struct Reciprocal {
    uint64_t d, m;
    int s1, s2;
    explicit Reciprocal(uint64_t dd) : d(dd) {
        int l = 0;
        while ((static_cast<uint64_t>(1) << l) < d) ++l;  // l = ceil(log2 d)
#ifdef __SIZEOF_INT128__
        typedef unsigned __int128 u128;
        const u128 twoL = static_cast<u128>(1) << l;
        m = static_cast<uint64_t>(((twoL - d) << 64) / d) + 1;
#else
        m = 0;
#endif
        s1 = l < 1 ? l : 1;
        s2 = l > 1 ? l - 1 : 0;
    }
    uint64_t div(uint64_t n) const {
#ifdef __SIZEOF_INT128__
        typedef unsigned __int128 u128;
        const uint64_t t1 = static_cast<uint64_t>((static_cast<u128>(m) * n) >> 64);
        return (t1 + ((n - t1) >> s1)) >> s2;
#else
        return n / d;
#endif
    }
};

// q[0..un) := floor(u / d), d < 10^8.
void shortDivide(uint32_t* q, const uint32_t* u, int un, uint32_t d) {
#ifdef __SIZEOF_INT128__
    if (d < 400000) {
        // Here each step's dividend is below d x 10^8 < 2^46 and m = ceil(2^64
        // / d) exceeds 2^64 / d by less than 1: the high word of n x m is
        // floor(n / d) exactly, since n (m d - 2^64) < 2^64. One multiply on
        // the chain instead of the general method's two steps.
        typedef unsigned __int128 u128;
        const uint64_t m = d == 1 ? 0 : static_cast<uint64_t>((static_cast<u128>(1) << 64) / d) + 1;
        if (d == 1) {
            std::memcpy(q, u, sizeof(uint32_t) * static_cast<size_t>(un));
            return;
        }
        uint64_t rem = 0;
        for (int i = un - 1; i >= 0; --i) {
            const uint64_t cur = rem * B8 + u[i];
            const uint64_t qd = static_cast<uint64_t>((static_cast<u128>(cur) * m) >> 64);
            rem = cur - qd * d;
            q[i] = static_cast<uint32_t>(qd);
        }
        return;
    }
#endif
    const Reciprocal r(d);
    uint64_t rem = 0;
    for (int i = un - 1; i >= 0; --i) {
        const uint64_t cur = rem * B8 + u[i];
        const uint64_t qd = r.div(cur);
        rem = cur - qd * d;
        q[i] = static_cast<uint32_t>(qd);
    }
}

// r[0..n) -= qd x v[0..n): no carries, the loop the compiler vectorises.
KV_CLONES void subMul(int64_t* __restrict r, const int32_t* __restrict v, int n, int32_t qd) {
    for (int i = 0; i < n; ++i) r[i] -= static_cast<int64_t>(qd) * v[i];
}

// r[0] -= qd v[0], r[i] -= qd v[i] + qp v[i-1] for 0 < i < n: two quotient
// digits' subtractions in one pass over the remainder.
KV_CLONES void subMul2(int64_t* __restrict r, const int32_t* __restrict v, int n, int32_t qd, int32_t qp) {
    r[0] -= static_cast<int64_t>(qd) * v[0];
    for (int i = 1; i < n; ++i) r[i] -= static_cast<int64_t>(qd) * v[i] + static_cast<int64_t>(qp) * v[i - 1];
}

// Carries of r[lo..hi) passed up into r[hi]; r[lo..hi) end in 0..B-1.
void settle(int64_t* r, int lo, int hi) {
    int64_t c = 0;
    for (int k = lo; k < hi; ++k) {
        const int64_t s = r[k] + c;
        c = floorDiv(s);
        r[k] = s - c * B8;
    }
    r[hi] += c;
}

// Q[0..un-vn+1) := floor(U / V), vn >= 2, V[vn-1] != 0; r has un + 1 and
// Q qn signed limbs of room.
void longDivide(uint32_t* Qout, const uint32_t* U, int un, const int32_t* V, int vn,
                int64_t* r, int64_t* Q) {
    const int qn = un - vn + 1;
    for (int k = 0; k < un; ++k) r[k] = U[k];
    r[un] = 0;
    const double Bd = static_cast<double>(B8);
    const double Vd = (static_cast<double>(V[vn - 1]) * Bd + V[vn - 2]) * Bd +
                      (vn >= 3 ? static_cast<double>(V[vn - 3]) : 0.0);
    // The estimate is T B^2 / Vd + r2 B / Vd + r3 / Vd: three products that
    // do not wait for each other.
    const double c2 = Bd * Bd / Vd, c1 = Bd / Vd, c0 = 1.0 / Vd;
    // Top four divisor digits as factors for the limbs kept in registers
    // (0 where the divisor is shorter).
    const int64_t v1 = V[vn - 1], v2 = V[vn - 2], v3 = vn >= 3 ? V[vn - 3] : 0,
                  v4 = vn >= 4 ? V[vn - 4] : 0;
    const int body = vn - 4;  // limbs below the four in registers
    // The top of the window lives in registers: a0 = r[t], a1..a4 = r[t-1]
    // .. r[t-4]; memory is stale at those indices. The estimate for the next
    // digit waits only on these scalar updates, never on the stores of the
    // long subtraction.
    //
    // The body's subtractions go two digits to a pass: a digit's is held
    // back (pending, qp) and made with the next one's. Only its top limb,
    // r[t-4] of the next step, is needed before then, and is formed on its
    // own as it enters the registers. Each limb still takes one subtraction
    // per digit, so the bounds between normalisations are unchanged. Short
    // bodies keep one pass a digit, which measured as fast there.
    auto at = [&](int k) { return k >= 0 ? r[k] : 0; };
    int64_t a0 = r[un], a1 = r[un - 1], a2 = at(un - 2), a3 = at(un - 3);
    int sinceSettle = 0;
    int64_t qp = 0;
    bool pending = false;
    for (int j = qn - 1; j >= 0; --j) {
        const int t = j + vn;
        const int64_t T = a0 * B8 + a1;  // exact; the top two limbs folded
        const double f = static_cast<double>(T) * c2 + static_cast<double>(a2) * c1 +
                         static_cast<double>(a3) * c0;
        const int64_t qd = static_cast<int64_t>(f);  // within 1 of the true ratio
        Q[j] = qd;
        int64_t a4 = at(t - 4);
        if (pending) a4 -= qp * V[body - 1];  // the pending digit's top limb
        a0 = T - qd * v1;
        a1 = a2 - qd * v2;
        a2 = a3 - qd * v3;
        a3 = a4 - qd * v4;
        if (body > 0 && body < PAIRED_BODY) {
            if (qd != 0) subMul(r + j, V, body, static_cast<int32_t>(qd));
        } else if (body > 0) {
            // Zero digits (a remainder run out in an exact quotient, say)
            // cost no pass, as in the plain loop.
            if (pending) {
                if (qd != 0)
                    subMul2(r + j, V, body, static_cast<int32_t>(qd), static_cast<int32_t>(qp));
                else
                    subMul(r + j + 1, V, body - 1, static_cast<int32_t>(qp));
                pending = false;
            } else if (qd != 0) {
                qp = qd;
                pending = true;
            }
        }
        if (vn > HITS && ++sinceSettle == HITS) {
            if (pending) {
                subMul(r + j, V, body, static_cast<int32_t>(qp));
                pending = false;
            }
            // Pending carries out of the body into the register limbs.
            r[t - 1] = a0;
            r[t - 2] = a1;
            r[t - 3] = a2;
            r[t - 4] = a3;
            settle(r, j, t - 1);
            a1 = r[t - 2];
            a2 = r[t - 3];
            a3 = r[t - 4];
            a0 = r[t - 1];
            sinceSettle = 0;
        }
    }
    if (pending) subMul(r, V, body, static_cast<int32_t>(qp));
    // Remainder r[0..vn): the register limbs back in place, carries settled.
    r[vn] = 0;
    r[vn - 1] = a0;
    r[vn - 2] = a1;
    if (vn >= 3) r[vn - 3] = a2;
    if (vn >= 4) r[vn - 4] = a3;
    settle(r, 0, vn - 1);
    // The remainder lies in (-1.0001 V, 1.0001 V): at most two corrections.
    int64_t fix = 0;
    while (r[vn - 1] < 0) {
        for (int k = 0; k < vn; ++k) r[k] += V[k];
        settle(r, 0, vn - 1);
        --fix;
    }
    for (;;) {
        int c = 0;
        for (int k = vn - 1; k >= 0 && c == 0; --k) c = r[k] > V[k] ? 1 : r[k] < V[k] ? -1 : 0;
        if (c < 0) break;
        for (int k = 0; k < vn; ++k) r[k] -= V[k];
        settle(r, 0, vn - 1);
        ++fix;
    }
    Q[0] += fix;
    int64_t c = 0;
    for (int j = 0; j < qn; ++j) {
        const int64_t s = Q[j] + c;
        c = floorDiv(s);
        Qout[j] = static_cast<uint32_t>(s - c * B8);
    }
    assert(c == 0);
}

// ---- Quotients by at most two limbs ---------------------------------------------------
//
// A divisor d below 10^8 (one or two limbs; the series divide by small odd
// numbers and factorials on every pass) is divided straight from the base-10^4
// limbs, L limbs at a time: the running remainder r < d and the next chunk of
// L limbs make cur = r 10^(4L) + chunk, which stays below 2^63 for d below
// 2^63 / 10^(4L) (L = 4 up to d = 922, L = 3 up to 9.2 x 10^6, L = 2
// always). The chain from chunk to chunk is the whole cost, so it is kept
// short: the quotient digit is a multiply-high and a shift (Granlund and
// Montgomery's reciprocal m = floor(2^(64+k) / d) + 1 with 2^k < d <= 2^(k+1),
// exact for every cur below 2^63), and the next cur is formed as
// cur 10^(4L) + chunk - q (d 10^(4L)) in wrapping 64-bit arithmetic, whose true
// value r 10^(4L) + chunk fits, so that cur 10^(4L) + chunk is formed while
// the quotient digit is still being found. The digit's limbs are written off
// the chain.

struct ShortDivisor {
    uint64_t d, m;
    int k;
    explicit ShortDivisor(uint64_t dd) : d(dd), m(0), k(0) {
        // 2^k < d <= 2^(k+1), d >= 2: k = floor(log2(d - 1)).
#if defined(__GNUC__)
        k = 63 - __builtin_clzll(d - 1);
#else
        while ((static_cast<uint64_t>(2) << k) < d) ++k;
#endif
#if defined(__GNUC__) && defined(__x86_64__)
        // floor(2^(64+k) / d) by one 128-by-64-bit division (the quotient
        // fits, as 2^k < d), not the library's general 128-bit one.
        uint64_t q, r;
        __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(static_cast<uint64_t>(0)), "d"(static_cast<uint64_t>(1) << k),
                "rm"(d));
        (void)r;
        m = q + 1;
#elif defined(__SIZEOF_INT128__)
        typedef unsigned __int128 u128;
        m = static_cast<uint64_t>((static_cast<u128>(1) << (64 + k)) / d) + 1;
#endif
    }
    uint64_t quot(uint64_t n) const {
#ifdef __SIZEOF_INT128__
        typedef unsigned __int128 u128;
        return static_cast<uint64_t>((static_cast<u128>(n) * m) >> 64) >> k;
#else
        return n / d;
#endif
    }
};

const uint64_t P10K[5] = {1, 10000, 100000000, 1000000000000ULL, 10000000000000000ULL};

// q[0..n) := floor((rem 10^(4n) + u[0..n)) / d), rem < d, chunks of L limbs.
template <int L>
void divShortChunks(limb_t* q, const limb_t* u, int n, const ShortDivisor& sd, uint64_t rem) {
    const uint64_t C = P10K[L];
    auto chunk = [&](int i) {  // limbs i .. i+L-1 as one number
        uint64_t c = 0;
        for (int t = L - 1; t >= 0; --t) c = c * 10000u + static_cast<uint64_t>(u[i + t]);
        return c;
    };
    auto put = [&](int i, int cnt, uint64_t qd) {
        for (int t = 0; t < cnt; ++t) {
            q[i + t] = static_cast<limb_t>(qd % 10000u);
            qd /= 10000u;
        }
    };
    int i = n;
    const int r = n % L;
    if (r > 0) {
        // The top limbs that do not fill a chunk.
        uint64_t c = 0;
        for (int t = n - 1; t >= n - r; --t) c = c * 10000u + static_cast<uint64_t>(u[t]);
        const uint64_t cur = rem * P10K[r] + c;
        const uint64_t qd = sd.quot(cur);
        rem = cur - qd * sd.d;
        i = n - r;
        put(i, r, qd);
    }
    if (i == 0) return;
    const uint64_t dC = sd.d * C;
    i -= L;
    uint64_t cur = rem * C + chunk(i);
    for (;;) {
        const uint64_t qd = sd.quot(cur);
        if (i == 0) {
            put(0, L, qd);
            return;
        }
        const uint64_t next = cur * C + chunk(i - L) - qd * dC;
        put(i, L, qd);
        cur = next;
        i -= L;
    }
}

// q[0..un-vn+1) := floor(u / v) for vn <= 2.
void divShort(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    const uint64_t d = static_cast<uint64_t>(v[0]) + (vn == 2 ? static_cast<uint64_t>(v[1]) * 10000u : 0u);
    // A two-limb divisor is at least 10^4, so the top quotient limb would be
    // 0: the top limb starts the remainder instead.
    const int n = vn == 2 ? un - 1 : un;
    const uint64_t rem = vn == 2 ? static_cast<uint64_t>(u[un - 1]) : 0u;
    if (d == 1) {
        std::memcpy(q, u, sizeof(limb_t) * static_cast<size_t>(n));
        return;
    }
    const ShortDivisor sd(d);
    if (d <= 922)
        divShortChunks<4>(q, u, n, sd, rem);
    else if (d <= 9000000)
        divShortChunks<3>(q, u, n, sd, rem);
    else
        divShortChunks<2>(q, u, n, sd, rem);
}

}  // namespace

// ---- Quotients by a Newton reciprocal ---------------------------------------------------
//
// For a long divisor and a long quotient, the quotient is formed from an
// approximate reciprocal of the divisor's top limbs, found by Newton's
// iteration on products (kv::mul, transforms at these sizes), and then
// proved: the remainder U - Q V is formed exactly and Q moved by one until
// 0 <= U - Q V < V. Whatever the approximations did, the result is the exact
// floor that the long division gives; they only decide how few steps the
// proof takes (one or two).
//
// B = 10^4 below; all arrays are limbs, least significant first.

namespace {

// Bump allocator over one kernel scratch block for the Newton temporaries.
typedef BumpWork<limb_t> LimbWork;

// Limbs the reciprocal of p limbs takes from LimbWork, its levels included.
size_t reciprocalNeed(int p) { return 16 * static_cast<size_t>(p) + 64 * 32; }

int trimmedLength(const limb_t* u, int n) {
    while (n > 1 && u[n - 1] == 0) --n;
    return n;
}

void longQuotient(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn);

// Arithmetic modulo M = B^L - 1 on L limbs (M itself stands for 0 too).

// a := M - a: each limb's complement, no borrow.
void complementMod(limb_t* a, int L) {
    for (int i = 0; i < L; ++i) a[i] = BASE - 1 - a[i];
}

// a := a + B^e mod M, e < L: B^L is 1, so a carry out of the top comes in at
// the bottom.
void addOneAt(limb_t* a, int L, int e) {
    for (int i = e;; i = i + 1 == L ? 0 : i + 1) {
        if (++a[i] < BASE) return;
        a[i] = 0;
    }
}

// a := a + b[0..bn) mod M, bn <= L.
void addMod(limb_t* a, const limb_t* b, int bn, int L) {
    limb_t c = 0;
    for (int i = 0; i < bn; ++i) {
        const limb_t t = a[i] + b[i] + c;
        c = t >= BASE;
        a[i] = c ? t - BASE : t;
    }
    for (int i = bn; c && i < L; ++i) {
        c = a[i] == BASE - 1;
        a[i] = c ? 0 : a[i] + 1;
    }
    if (c) addOneAt(a, L, 0);
}

// X[0..p+2) := an approximation of B^(2p) / D, D[0..p) with D[p-1] != 0,
// within a few units. At the bottom, the long division; above, X from the
// reciprocal Xk of D's top k limbs (k about p/2) by one Newton step:
// X = Xk B^(p-k) + Xk E / B^(2k), E = B^(p+k) - D Xk.
void reciprocal(limb_t* X, const limb_t* D, int p, LimbWork ws) {
    const int BOTTOM = 2 * thresholds.newtonDiv > 16 ? 2 * thresholds.newtonDiv : 16;
    if (p <= BOTTOM) {
        limb_t* num = ws.take(2 * static_cast<size_t>(p) + 1);
        zero_n(num, 2 * p);
        num[2 * p] = 1;
        longQuotient(X, num, 2 * p + 1, D, p);  // p + 2 limbs
        return;
    }
    const int k = (p + 1) / 2 + 1;
    limb_t* Xk = ws.take(static_cast<size_t>(k) + 2);
    reciprocal(Xk, D + (p - k), k, ws);
    const int xn = trimmedLength(Xk, k + 2);
    // T = D Xk, close to B^(p+k); E = |B^(p+k) - T|, which has about p + 1
    // limbs: long enough for transforms, T is formed modulo B^L - 1 for L
    // >= p + 4 limbs (half the whole product's transform), which fixes E.
    bool over = false;  // T > B^(p+k)
    limb_t* E;
    int elen;
    const int en = p + k;
    if ((xn + 1) / 2 >= thresholds.nttMul) {
        const int N = nttLength((p + 5) / 2);
        const int L = 2 * N;
        E = ws.take(static_cast<size_t>(L));
        nttMulMod(E, D, p, Xk, xn, N);
        complementMod(E, L);
        addOneAt(E, L, en % L);  // B^(p+k) - T modulo B^L - 1
        over = E[L - 1] >= BASE / 2;
        if (over) complementMod(E, L);  // T - B^(p+k)
        elen = trimmedLength(E, L);
    } else {
        const int tn = p + xn;
        limb_t* T = ws.take(static_cast<size_t>(tn) + 2);
        mul(T, D, p, Xk, xn);
        T[tn] = T[tn + 1] = 0;
        for (int i = tn + 1; i >= en && !over; --i) over = i == en ? T[i] > 1 : T[i] != 0;
        if (!over && T[en] == 1) over = top_n(T, en) >= 0;
        E = T;  // formed in place over the low en limbs
        if (over) {
            // T - B^(p+k).
            for (int i = en; T[i]-- == 0; ++i) T[i] = BASE - 1;
        } else {
            // B^(p+k) - T: the limbs' complement plus one.
            limb_t c = 1;
            for (int i = 0; i < en; ++i) {
                const limb_t t = BASE - 1 - T[i] + c;
                c = t >= BASE;
                E[i] = c ? t - BASE : t;
            }
            E[en] = 0;  // T = B^(p+k) leaves its one there
        }
        elen = trimmedLength(E, en + 1);
    }
    // Only E's top limbs reach X: its limbs below s move the product by
    // less than Xk B^s / B^(2k) < B^(s+2-k), below one unit for s = k - 3.
    const int s = k - 3 < elen - 1 ? (k - 3 > 0 ? k - 3 : 0) : elen - 1;
    const limb_t* Et = E + s;
    const int etn = trimmedLength(Et, elen - s);
    limb_t* C = ws.take(static_cast<size_t>(xn + etn));
    mul(C, Xk, xn, Et, etn);
    // corr = floor(C / B^(2k - s)).
    const int cut = 2 * k - s;
    const int cn = xn + etn - cut;  // limbs of corr (may be <= 0)
    zero_n(X, p - k);
    copy_n(X + (p - k), Xk, k + 2);
    if (cn > 0) {
        limb_t* corr = C + cut;
        if (over) {
            limb_t borrow = 0;
            for (int i = 0; i < p + 2; ++i) {
                const limb_t t = X[i] - (i < cn ? corr[i] : 0) - borrow;
                borrow = t < 0;
                X[i] = borrow ? t + BASE : t;
            }
        } else {
            limb_t carry = 0;
            for (int i = 0; i < p + 2; ++i) {
                const limb_t t = X[i] + (i < cn ? corr[i] : 0) + carry;
                carry = t >= BASE;
                X[i] = carry ? t - BASE : t;
            }
        }
    }
}

// Q[0..qn+2) := floor(Ut X / B^(p+2)), cut to qn + 2 limbs: for a quotient
// u / v of qn limbs, Ut = floor(u / B^(vn-2)) and X standing for B^(2p) / D,
// D the divisor's top p >= qn + 2 limbs, u / v is Ut B^(p-2) / D up to the
// cuts, which move it by a few units at most.
// With `kept`, X's transforms are in keep 0 (nttKeep).
void approxQuotient(limb_t* Q, int qn, const limb_t* Ut, int utn, const limb_t* X, int p, LimbWork ws,
                    bool kept = false) {
    const int xn = trimmedLength(X, p + 2);
    utn = trimmedLength(Ut, utn);
    limb_t* P = ws.take(static_cast<size_t>(utn + xn) + 2);
    if (kept)
        nttMulKept(P, Ut, utn, 0);
    else
        mul(P, Ut, utn, X, xn);
    const int q0n = utn + xn - (p + 2);
    zero_n(Q, qn + 2);
    if (q0n > 0) copy_n(Q, P + (p + 2), q0n < qn + 2 ? q0n : qn + 2);
}

// Moves Q (qn + 2 limbs, an approximation of floor(u / v) within a few
// units) to floor(u / v) exactly, proved by its remainder: 0 <= u - Q v < v.
// The remainder goes to rem[0..vn) when rem is given. False when that took
// more steps than such an approximation can need (never expected).
// With keptN > 0, v's transforms of that length are in keep 1.
bool proveQuotient(limb_t* Q, int qn, const limb_t* u, int un, const limb_t* v, int vn, LimbWork ws, limb_t* rem,
                   int keptN = 0) {
    // R = u - Q v is formed in rn limbs, and
    // a negative R is held as R + B^rn.
    const int qtn = trimmedLength(Q, qn + 2);
    int rn;
    limb_t* R;
    bool negative;
    if (keptN > 0 || (std::min(qtn, vn) + 1) / 2 >= thresholds.nttMul) {
        // Q is within a few units of the quotient (the error bound of the
        // approximations, whose products are all exact), so |R| is a few v
        // at most, below B^(vn+1): R is fixed by its value modulo B^L - 1
        // for L >= vn + 3, and Q v is formed modulo that (half the whole
        // product's transform). An approximation off by more would show as
        // a remainder the few steps below cannot bring into [0, v).
        const int N = keptN > 0 ? keptN : nttLength(std::max((qtn + 1) / 2, (vn + 4) / 2));
        rn = 2 * N;
        R = ws.take(static_cast<size_t>(rn));
        limb_t* QV = ws.take(static_cast<size_t>(rn));
        if (keptN > 0)
            nttMulModKept(QV, Q, qtn, 1);
        else
            nttMulMod(QV, Q, qtn, v, vn, N);
        zero_n(R, rn);
        for (int off = 0; off < un; off += rn) addMod(R, u + off, std::min(rn, un - off), rn);
        complementMod(QV, rn);
        addMod(R, QV, rn, rn);  // u - Q v modulo B^rn - 1
        negative = R[rn - 1] >= BASE / 2;
        if (negative)  // R + B^rn - 1 held: one more makes R + B^rn
            for (int i = 0; ++R[i] == BASE; ++i) R[i] = 0;
    } else {
        rn = qn + 2 + vn;
        R = ws.take(static_cast<size_t>(rn));
        mul(R, Q, qtn, v, vn);
        zero_n(R + qtn + vn, rn - qtn - vn);
        limb_t borrow = 0;
        for (int i = 0; i < rn; ++i) {
            const limb_t t = (i < un ? u[i] : 0) - R[i] - borrow;
            borrow = t < 0;
            R[i] = borrow ? t + BASE : t;
        }
        negative = borrow != 0;
    }
    int steps = 0;
    for (; negative; ++steps) {
        if (steps > 4) return false;
        // Q -= 1, R += v.
        for (int i = 0; i < qn + 2; ++i) {
            if (Q[i] > 0) {
                --Q[i];
                break;
            }
            Q[i] = BASE - 1;
        }
        limb_t c = 0;
        for (int i = 0; i < rn; ++i) {
            const limb_t t = R[i] + (i < vn ? v[i] : 0) + c;
            c = t >= BASE;
            R[i] = c ? t - BASE : t;
        }
        negative = c == 0;  // no carry out: R + v is still below B^rn
    }
    for (;; ++steps) {
        // R >= v?
        bool ge = top_n(R + vn, rn - vn) >= 0 || cmp_n(R, v, vn) >= 0;
        if (!ge) break;
        if (steps > 4) return false;
        limb_t b = 0;
        for (int i = 0; i < rn; ++i) {
            const limb_t t = R[i] - (i < vn ? v[i] : 0) - b;
            b = t < 0;
            R[i] = b ? t + BASE : t;
        }
        for (int i = 0; i < qn + 2; ++i) {
            if (Q[i] < BASE - 1) {
                ++Q[i];
                break;
            }
            Q[i] = 0;
        }
    }
    if (rem) copy_n(rem, R, vn);
    return true;
}

// q[0..un-vn+1) := floor(u / v) by a reciprocal of the divisor to about half
// the quotient's length, which gives the quotient in two halves: the high
// one, Qh = floor(uh / v) for uh = floor(u / B^s), proved with its remainder
// r; then the low one, floor((r B^s + u mod B^s) / v), from the same
// reciprocal; and the whole quotient proved once more. False (q unspecified)
// only if a proof needed more steps than an approximation within a few
// units can (never expected; the caller then divides the long way).
bool newtonQuotient(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    const int qn = un - vn + 1;
    const int s = qn / 2, qh = qn - s;  // limbs of the low and the high half
    const int p = qh + 2;
    const size_t need = reciprocalNeed(p) + 8 * static_cast<size_t>(p) + 12 * static_cast<size_t>(qn + vn) + 64;
    LimbWork ws{static_cast<limb_t*>(kscratch(KSLOT_NEWTON, sizeof(limb_t) * need)), need};
    // D: the divisor's top p limbs, or the divisor followed by zero limbs.
    limb_t* D = ws.take(static_cast<size_t>(p));
    if (vn >= p) {
        copy_n(D, v + (vn - p), p);
    } else {
        zero_n(D, p - vn);
        copy_n(D + (p - vn), v, vn);
    }
    limb_t* X = ws.take(static_cast<size_t>(p) + 2);
    {
        LimbWork inner = ws;
        inner.left = reciprocalNeed(p);
        ws.take(inner.left);
        reciprocal(X, D, p, inner);
    }
    // Both halves multiply by X, both proofs by v: when transforms form
    // these products, each of X and v is transformed once for both.
    bool keptX = false;
    int keptN = 0;
    if ((std::min(s, vn) + 1) / 2 >= thresholds.nttMul) {
        const int xn = trimmedLength(X, p + 2);
        // Ut has qh + 1 limbs for the high half, s + 2 for the low one.
        nttKeep(0, X, xn, nttLength((std::max(qh + 1, s + 2) + 1) / 2 + (xn + 1) / 2 - 1));
        keptX = true;
        keptN = nttLength(std::max((qn + 3) / 2, (vn + 4) / 2));
        nttKeep(1, v, vn, keptN);
    }
    // The high half and its remainder r, in place over the top vn limbs of
    // a copy of u's low s + vn limbs: that copy then holds r B^s + u mod B^s.
    limb_t* Qh = ws.take(static_cast<size_t>(qh) + 2);
    approxQuotient(Qh, qh, u + s + (vn - 2), qh + 1, X, p, ws, keptX);
    limb_t* low = ws.take(static_cast<size_t>(s + vn));
    copy_n(low, u, s);
    if (!proveQuotient(Qh, qh, u + s, un - s, v, vn, ws, low + s, keptN)) return false;
    limb_t* Q = ws.take(static_cast<size_t>(qn) + 2);
    approxQuotient(Q, s, low + (vn - 2), s + 2, X, p, ws, keptX);
    // Q = Qh B^s + the low half (which may reach past s limbs by a unit).
    limb_t c = 0;
    for (int i = s; i < qn + 2; ++i) {
        const limb_t t = (i < s + 2 ? Q[i] : 0) + (i - s < qh + 2 ? Qh[i - s] : 0) + c;
        c = t >= BASE;
        Q[i] = c ? t - BASE : t;
    }
    if (!proveQuotient(Q, qn, u, un, v, vn, ws, nullptr, keptN)) return false;
    copy_n(q, Q, qn);
    return true;
}

}  // namespace

// Dividends of up to this many base-10^8 digits (a quotient at up to about
// 160 limbs of precision) are divided in the caller's stack frame, 2.5 KB.
const int SMALL = 80;

void divq(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    assert(vn >= 1 && un >= vn && v[vn - 1] != 0);
    if (kernelSet && kernelSet->divq) return kernelSet->divq(q, u, un, v, vn);
    if (vn <= 2) return divShort(q, u, un, v, vn);
    const int qn = un - vn + 1;
    const int t = 2 * thresholds.newtonDiv;
    if (qn >= t && vn >= t && newtonQuotient(q, u, un, v, vn)) return;
    longQuotient(q, u, un, v, vn);
}

namespace {

// divq for vn >= 3, by long division.
void longQuotient(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    const int qn = un - vn + 1;
    const int un8 = (un + 1) / 2, vn8 = (vn + 1) / 2;
    const int qn8 = un8 - vn8 + 1;
    // Small dividends in arrays of this frame; larger ones in one scratch
    // block: the remainder (un8 + 2) and signed quotient (qn8 + 2) as 64-bit
    // words, then U (un8 + 2), Q (qn8 + 2) and V (vn8 + 1) as 32-bit words.
    int64_t rLocal[SMALL + 2], qsLocal[SMALL + 2];
    uint32_t uLocal[SMALL + 2], qLocal[SMALL + 2];
    int32_t vLocal[SMALL + 1];
    int64_t *r = rLocal, *Qs = qsLocal;
    uint32_t *U = uLocal, *Q = qLocal;
    int32_t* V = vLocal;
    if (un8 > SMALL) {
        const size_t w64 = static_cast<size_t>(un8 + qn8) + 4;
        const size_t w32 = static_cast<size_t>(un8 + qn8 + vn8) + 5;
        void* block = kscratch(KSLOT_REMAINDER, sizeof(int64_t) * w64 + sizeof(uint32_t) * w32);
        r = static_cast<int64_t*>(block);
        Qs = r + un8 + 2;
        U = reinterpret_cast<uint32_t*>(r + w64);
        Q = U + un8 + 2;
        V = reinterpret_cast<int32_t*>(Q + qn8 + 2);
    }
    toDigits(U, u, un);
    Q[qn8] = 0;  // toLimbs may read one digit past an odd count
    if (vn8 == 1) {
        const uint32_t d = static_cast<uint32_t>(v[0]) + (vn == 2 ? static_cast<uint32_t>(v[1]) * 10000u : 0u);
        // qn8 = un8 here: the quotient by one digit has as many digits.
        shortDivide(Q, U, un8, d);
    } else {
        toDigits(reinterpret_cast<uint32_t*>(V), v, vn);
        longDivide(Q, U, un8, V, vn8, r, Qs);
    }
    toLimbs(q, Q, qn);
}

}  // namespace

}  // namespace kv
