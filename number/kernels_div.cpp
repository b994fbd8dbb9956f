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

#include <cassert>
#include <cmath>
#include <cstring>

#include "kernels_impl.h"

namespace kv {
namespace {

const int64_t B8 = 100000000;
const int HITS = 128;

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
    auto at = [&](int k) { return k >= 0 ? r[k] : 0; };
    int64_t a0 = r[un], a1 = r[un - 1], a2 = at(un - 2), a3 = at(un - 3);
    int sinceSettle = 0;
    for (int j = qn - 1; j >= 0; --j) {
        const int t = j + vn;
        const int64_t T = a0 * B8 + a1;  // exact; the top two limbs folded
        const double f = static_cast<double>(T) * c2 + static_cast<double>(a2) * c1 +
                         static_cast<double>(a3) * c0;
        const int64_t qd = static_cast<int64_t>(f);  // within 1 of the true ratio
        Q[j] = qd;
        const int64_t a4 = at(t - 4);
        a0 = T - qd * v1;
        a1 = a2 - qd * v2;
        a2 = a3 - qd * v3;
        a3 = a4 - qd * v4;
        if (body > 0 && qd != 0) subMul(r + j, V, body, static_cast<int32_t>(qd));
        if (vn > HITS && ++sinceSettle == HITS) {
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

// Dividends of up to this many base-10^8 digits (a quotient at up to about
// 160 limbs of precision) are divided in the caller's stack frame, 2.5 KB.
const int SMALL = 80;

void divq(limb_t* q, const limb_t* u, int un, const limb_t* v, int vn) {
    assert(vn >= 1 && un >= vn && v[vn - 1] != 0);
    if (kernelSet && kernelSet->divq) return kernelSet->divq(q, u, un, v, vn);
    if (vn <= 2) return divShort(q, u, un, v, vn);
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

}  // namespace kv
