// Exact products of long limb arrays by number-theoretic transforms
// (kv::nttMul, contract in kernels_ntt.h).
//
// The operands are regrouped into base-10^8 digits and their cyclic
// convolution, of a power-of-two length N at least the product's digit count,
// is formed modulo three primes below 2^31 that have roots of unity of order
// 2^26. A column of the product is at most min(an, bn) (10^8 - 1)^2 < 2^25 x
// 10^16 < 3.4 x 10^23, below the primes' product 1.7 x 10^27, so the
// residues determine every column exactly (Garner's mixed radix), and the
// carries are resolved once at the end. Nothing is rounded anywhere: the
// result is the exact product, limb for limb what the schoolbook loop gives.
//
// Residues are kept in [0, p) and multiplied in Montgomery form (R = 2^32).
// The forward transform is decimation in frequency (natural order in,
// bit-reversed out), the inverse is decimation in time with the forward
// roots (bit-reversed in, natural order out, which is the inverse transform
// with its indices negated): no bit-reversal pass at all. The stages on long
// strides run as whole passes, the rest block by block inside the cache.
#if defined(__GNUC__) && !defined(__clang__)
// The butterfly loops are written for the vectoriser; -O2 leaves them scalar.
#pragma GCC optimize("O3")
#endif

#include "kernels_ntt.h"

#include <cassert>
#include <cstring>

#include "kernels_impl.h"

namespace kv {
namespace {

struct Field {
    uint32_t p;   // prime, p = c 2^k + 1 < 2^31
    uint32_t np;  // -p^-1 mod 2^32
    uint32_t r2;  // 2^64 mod p
    uint32_t g;   // a primitive root
};

constexpr uint32_t negInverse(uint32_t p) {
    uint32_t x = p;  // p x = 1 mod 8; each step doubles the correct bits
    for (int i = 0; i < 5; ++i) x *= 2u - p * x;
    return 0u - x;
}

constexpr uint32_t P1 = 469762049u, P2 = 1811939329u, P3 = 2013265921u;  // 7 2^26 + 1, 27 2^26 + 1, 15 2^27 + 1
const Field FIELDS[3] = {
    {P1, negInverse(P1), static_cast<uint32_t>((static_cast<unsigned __int128>(1) << 64) % P1), 3},
    {P2, negInverse(P2), static_cast<uint32_t>((static_cast<unsigned __int128>(1) << 64) % P2), 13},
    {P3, negInverse(P3), static_cast<uint32_t>((static_cast<unsigned __int128>(1) << 64) % P3), 31},
};

// a b / 2^32 mod p, for a b < p 2^32 (a < 2p, b < p will do); the result is
// in [0, p). The last step is min(r, r - p): no branch.
inline uint32_t mmul(uint32_t a, uint32_t b, uint32_t p, uint32_t np) {
    const uint64_t t = static_cast<uint64_t>(a) * b;
    const uint32_t m = static_cast<uint32_t>(t) * np;
    const uint32_t r = static_cast<uint32_t>((t + static_cast<uint64_t>(m) * p) >> 32);
    const uint32_t s = r - p;
    return s < r ? s : r;
}

uint32_t powMod(uint64_t b, uint64_t e, uint64_t p) {
    uint64_t r = 1;
    b %= p;
    for (; e; e >>= 1, b = b * b % p)
        if (e & 1) r = r * b % p;
    return static_cast<uint32_t>(r);
}

// tw[h + j] := w_(2h)^j in Montgomery form for every power of two h < N and
// j < h, w_(2h) the root of order 2h. The roots for h are the squares of
// those for 2h, so only the longest row is multiplied out.
void twiddles(uint32_t* tw, int N, const Field& F) {
    if (N < 2) return;
    const int h = N / 2;
    const uint32_t w = powMod(F.g, (F.p - 1) / static_cast<uint32_t>(N), F.p);
    const uint32_t wm = mmul(w, F.r2, F.p, F.np);   // w R
    const uint32_t one = mmul(1, F.r2, F.p, F.np);  // R
    uint32_t* row = tw + h;
    row[0] = one;
    // The first 16 powers in a chain, then each run of 16 from the one
    // before it by w^16: independent products.
    const int K = h < 16 ? h : 16;
    for (int j = 1; j < K; ++j) row[j] = mmul(row[j - 1], wm, F.p, F.np);
    if (h > K) {
        const uint32_t wk = mmul(row[K - 1], wm, F.p, F.np);  // w^16 R
        for (int j = K; j < h; ++j) row[j] = mmul(row[j - K], wk, F.p, F.np);
    }
    for (int s = h / 2; s >= 1; s /= 2)
        for (int j = 0; j < s; ++j) tw[s + j] = tw[2 * s + 2 * j];
}

// One stage of the forward transform over a[0..n): blocks of 2h, butterflies
// (x, y) -> (x + y, (x - y) w^j).
KV_CLONES void difStage(uint32_t* __restrict a, int n, int h, const uint32_t* __restrict w, uint32_t p,
                            uint32_t np) {
    for (int i = 0; i < n; i += 2 * h) {
        uint32_t* __restrict x = a + i;
        uint32_t* __restrict y = a + i + h;
        for (int j = 0; j < h; ++j) {
            const uint32_t u = x[j], v = y[j];
            const uint32_t s = u + v, t = s - p;
            x[j] = t < s ? t : s;
            y[j] = mmul(u - v + p, w[j], p, np);
        }
    }
}

// One stage of the inverse: (x, y) -> (x + y w^j, x - y w^j).
KV_CLONES void ditStage(uint32_t* __restrict a, int n, int h, const uint32_t* __restrict w, uint32_t p,
                            uint32_t np) {
    for (int i = 0; i < n; i += 2 * h) {
        uint32_t* __restrict x = a + i;
        uint32_t* __restrict y = a + i + h;
        for (int j = 0; j < h; ++j) {
            const uint32_t u = x[j], v = mmul(y[j], w[j], p, np);
            const uint32_t s = u + v, t = s - p;
            x[j] = t < s ? t : s;
            const uint32_t d = u - v + p, e = d - p;
            y[j] = e < d ? e : d;
        }
    }
}

// Stages on strides below BLOCK run block by block.
const int BLOCK = 1 << 12;  // values of a block: 16 KB, inside the L1 cache

void forward(uint32_t* a, int N, const uint32_t* tw, const Field& F) {
    int h = N / 2;
    for (; h >= BLOCK; h /= 2) difStage(a, N, h, tw + h, F.p, F.np);
    const int L = 2 * h;  // the block length for the remaining stages
    for (int b = 0; b < N; b += L)
        for (int s = h; s >= 1; s /= 2) difStage(a + b, L, s, tw + s, F.p, F.np);
}

void inverse(uint32_t* a, int N, const uint32_t* tw, const Field& F) {
    const int L = N < BLOCK ? N : BLOCK;
    for (int b = 0; b < N; b += L)
        for (int s = 1; s < L; s *= 2) ditStage(a + b, L, s, tw + s, F.p, F.np);
    for (int h = L; h < N; h *= 2) ditStage(a, N, h, tw + h, F.p, F.np);
}

// a[i] := a[i] b[i] c / R^2 for every i (c = R^2 / N turns the products
// into the convolution's values).
KV_CLONES void pointwise(uint32_t* __restrict a, const uint32_t* __restrict b, int N, uint32_t c, uint32_t p,
                             uint32_t np) {
    for (int i = 0; i < N; ++i) a[i] = mmul(mmul(a[i], b[i], p, np), c, p, np);
}

// x[0..N) := the limbs u[0..un) as base-10^8 digits, zeros above.
void load(uint32_t* x, int N, const limb_t* u, int un) {
    const int dn = (un + 1) / 2;
    for (int j = 0; j < un / 2; ++j)
        x[j] = static_cast<uint32_t>(u[2 * j]) + static_cast<uint32_t>(u[2 * j + 1]) * 10000u;
    if (un & 1) x[dn - 1] = static_cast<uint32_t>(u[un - 1]);
    std::memset(x + dn, 0, sizeof(uint32_t) * static_cast<size_t>(N - dn));
}

int transformLength(int digits) {
    int N = 1;
    while (N < digits) N *= 2;
    return N < 4 ? 4 : N;
}

}  // namespace

size_t nttScratchBytes(int n) { return sizeof(uint32_t) * 5 * static_cast<size_t>(transformLength(n)); }

namespace {

// w[0..wn) := columns 0..cn-1 of the cyclic convolution of length N of u and
// v (base-10^8 digits, at most N each), carries resolved, as limbs (the
// limbs past wn dropped); returns the carry out of column cn - 1.
// `kept`, when given, holds v's forward transforms for the three primes
// (nttKeep), and v is not read.
uint64_t convolve(limb_t* w, int wn, const limb_t* u, int un, const limb_t* v, int vn, int N, int cn,
                  const uint32_t* kept = nullptr) {
    const bool square = !kept && u == v && un == vn;
    uint32_t* block = static_cast<uint32_t*>(kscratch(KSLOT_NTT, nttScratchBytes(N)));
    uint32_t* tw = block;
    uint32_t* res[3] = {block + N, block + 2 * static_cast<size_t>(N), block + 3 * static_cast<size_t>(N)};
    uint32_t* other = block + 4 * static_cast<size_t>(N);
    for (int f = 0; f < 3; ++f) {
        const Field& F = FIELDS[f];
        twiddles(tw, N, F);
        uint32_t* x = res[f];
        load(x, N, u, un);
        forward(x, N, tw, F);
        const uint32_t* y = x;
        if (kept) {
            y = kept + f * static_cast<size_t>(N);
        } else if (!square) {
            load(other, N, v, vn);
            forward(other, N, tw, F);
            y = other;
        }
        const uint32_t ninv = powMod(N, F.p - 2, F.p);
        const uint32_t c = mmul(mmul(ninv, F.r2, F.p, F.np), F.r2, F.p, F.np);  // R^2 / N
        pointwise(x, y, N, c, F.p, F.np);
        inverse(x, N, tw, F);
    }
    // Column k is at index (N - k) mod N of each inverse (see the top).
    // Garner: column = a1 + P1 (a2 + P2 a3), a_i below P_i, the a_i found by
    // Montgomery products with constants in Montgomery form; with y = a2 +
    // P2 a3 < 2^62 split as yq 10^8 + yr, column = (a1 + P1 yr) + P1 yq 10^8,
    // and the carry into the next column stays below 2^64.
    const Field &F2 = FIELDS[1], &F3 = FIELDS[2];
    const uint32_t inv12 = mmul(powMod(P1, P2 - 2, P2), F2.r2, P2, F2.np);  // P1^-1 R mod P2
    const uint32_t inv123 =
        mmul(powMod(static_cast<uint64_t>(P1) * P2 % P3, P3 - 2, P3), F3.r2, P3, F3.np);  // (P1 P2)^-1 R mod P3
    const uint32_t p1m = mmul(P1, F3.r2, P3, F3.np);                                          // P1 R mod P3
    const uint64_t B8 = 100000000u;
    uint64_t carry = 0;
    for (int k = 0; k < cn; ++k) {
        const int i = k == 0 ? 0 : N - k;
        const uint32_t a1 = res[0][i], r2 = res[1][i], r3 = res[2][i];
        const uint32_t a2 = mmul(r2 + P2 - a1, inv12, P2, F2.np);  // a1 < P1 < P2
        const uint32_t s = mmul(a2, p1m, P3, F3.np) + a1, t = s - P3;
        const uint32_t s3 = t < s ? t : s;  // (a1 + P1 a2) mod P3
        const uint64_t a3 = mmul(r3 + P3 - s3, inv123, P3, F3.np);
        const uint64_t y = a2 + P2 * a3;
        const uint64_t yq = y / B8, yr = y - yq * B8;
        const uint64_t low = a1 + P1 * yr + carry;
        const uint64_t lq = low / B8;
        const uint32_t digit = static_cast<uint32_t>(low - lq * B8);
        carry = lq + P1 * yq;
        w[2 * k] = static_cast<limb_t>(digit % 10000u);
        if (2 * k + 1 < wn) w[2 * k + 1] = static_cast<limb_t>(digit / 10000u);
    }
    return carry;
}

}  // namespace

void nttMul(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn) {
    const int an = (un + 1) / 2, bn = (vn + 1) / 2;
    assert(an + bn <= NTT_MAX_DIGITS);
    const int cn = an + bn - 1;  // columns of the product
    const int wn = un + vn;
    const uint64_t carry = convolve(w, wn, u, un, v, vn, transformLength(cn), cn);
    // The top digit (the product has an + bn digits and fits them).
    assert(carry < 100000000u);
    if (2 * cn < wn) w[2 * cn] = static_cast<limb_t>(carry % 10000u);
    if (2 * cn + 1 < wn) w[2 * cn + 1] = static_cast<limb_t>(carry / 10000u);
}

namespace {

struct Kept {
    int N, vn;
    uint32_t* t;
};
thread_local Kept keptOperands[2];

// 10^(8N) is 1 modulo 10^(8N) - 1: the carry out of the top of w[0..2N)
// comes in at the bottom, until none is left.
void wrapCarry(limb_t* w, int N, uint64_t carry) {
    while (carry != 0) {
        for (int i = 0; i < 2 * N && carry != 0; ++i) {
            const uint64_t t = static_cast<uint64_t>(w[i]) + carry;
            carry = t / 10000u;
            w[i] = static_cast<limb_t>(t - carry * 10000u);
        }
    }
}

}  // namespace

void nttKeep(int k, const limb_t* v, int vn, int N) {
    assert((k == 0 || k == 1) && N == transformLength(N) && (vn + 1) / 2 <= N);
    uint32_t* t = static_cast<uint32_t*>(kscratch(k == 0 ? KSLOT_KEPT0 : KSLOT_KEPT1, sizeof(uint32_t) * 3 * static_cast<size_t>(N)));
    uint32_t* tw = static_cast<uint32_t*>(kscratch(KSLOT_NTT, nttScratchBytes(N)));
    for (int f = 0; f < 3; ++f) {
        twiddles(tw, N, FIELDS[f]);
        uint32_t* x = t + f * static_cast<size_t>(N);
        load(x, N, v, vn);
        forward(x, N, tw, FIELDS[f]);
    }
    keptOperands[k] = {N, vn, t};
}

void nttMulKept(limb_t* w, const limb_t* u, int un, int k) {
    const Kept& K = keptOperands[k];
    const int cn = (un + 1) / 2 + (K.vn + 1) / 2 - 1;
    assert(cn <= K.N);
    const int wn = un + K.vn;
    const uint64_t carry = convolve(w, wn, u, un, nullptr, K.vn, K.N, cn, K.t);
    assert(carry < 100000000u);
    if (2 * cn < wn) w[2 * cn] = static_cast<limb_t>(carry % 10000u);
    if (2 * cn + 1 < wn) w[2 * cn + 1] = static_cast<limb_t>(carry / 10000u);
}

void nttMulModKept(limb_t* w, const limb_t* u, int un, int k) {
    const Kept& K = keptOperands[k];
    assert((un + 1) / 2 <= K.N);
    wrapCarry(w, K.N, convolve(w, 2 * K.N, u, un, nullptr, K.vn, K.N, K.N, K.t));
}

void nttMulMod(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn, int N) {
    assert(N == transformLength(N) && (un + 1) / 2 <= N && (vn + 1) / 2 <= N);
    wrapCarry(w, N, convolve(w, 2 * N, u, un, v, vn, N, N));
}

int nttLength(int digits) { return transformLength(digits); }

}  // namespace kv
