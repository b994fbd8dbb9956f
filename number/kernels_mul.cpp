// Exact product of two limb arrays (kv::mul, contract in kernels.h).
//
// The base-10000 limbs are regrouped in pairs into base-10^8 digits. A
// schoolbook product sums each column of digit products in an unsigned
// 64-bit integer: a product is below 10^16, so up to MAX_ROWS rows fit
// without overflow, and the carries are resolved once per column at the end.
// The row loop takes four multiplier digits at a time, so each column sum is
// loaded and stored once per four rows; it has no carries and no branches and
// the compiler vectorises it (an AVX2 build of it is chosen at run time where
// the processor has AVX2). Above KARATSUBA_MIN digits the product is split
// Karatsuba's way, on normalised base-10^8 digits.
#if defined(__GNUC__) && !defined(__clang__)
// The column loops are written for the vectoriser; -O2 leaves them scalar.
#pragma GCC optimize("O3")
#endif

#include <cassert>
#include <cstring>

#include "kernels_impl.h"
#include "kernels_ntt.h"

namespace kv {
namespace {

typedef uint32_t digit;  // base 10^8
const uint64_t B8 = 100000000u;
const int MAX_ROWS = 1800;  // 1800 x (10^8 - 1)^2 < 2^64
// Below this many base-10^8 digits in the shorter operand the schoolbook
// product is faster (measured with bench/kernels_bench).
const int KARATSUBA_MIN = 128;
// The longest operands, in base-10^8 digits, whose high columns mul_high
// sums. About half the column products of the schoolbook product (a quarter
// for a square) stay ahead of the whole product by Karatsuba up to about four
// times its crossing (bench/kernels_bench, the number product at 1,000 and
// 2,000 limbs: 1.6x to 1.9x faster than the whole product).
const int HIGH_PRODUCT_MAX = 4 * KARATSUBA_MIN;
// The shortest operands, in base-10^8 digits, that take the square's own
// loops, for a whole square and for its high columns. Below them the product
// loops do as well: at these sizes a product's time goes on regrouping,
// carries and loop set-up rather than on column products (measured with
// bench/kernels_bench beside the product of two different operands).
const int SQUARE_MIN = 56;
const int HIGH_SQUARE_MIN = 12;
// The Karatsuba crossing of a square, whose schoolbook form does half the
// work (measured the same way; 512 digits takes about as long).
const int SQUARE_KARATSUBA_MIN = 256;
static_assert(2 * SQUARE_KARATSUBA_MIN <= 8 * KARATSUBA_MIN, "a schoolbook square's columns fit the column buffer");
static_assert(SQUARE_KARATSUBA_MIN + 1 <= MAX_ROWS, "schoolbook squares must not overflow");
static_assert(HIGH_PRODUCT_MAX <= MAX_ROWS, "high column sums must not overflow");
static_assert(KARATSUBA_MIN <= MAX_ROWS, "schoolbook blocks (fewer rows than KARATSUBA_MIN) must not overflow");


// cols[0..an+bn) := column sums of a[0..an) x b[0..bn), bn <= MAX_ROWS.
// a is read at indices -3..an+2: the caller pads it with three zero digits on
// each side, so the four-row loop needs no edge cases.
KV_CLONES void columnSums(uint64_t* __restrict cols, const digit* __restrict a, int an,
                          const digit* __restrict b, int bn) {
    for (int k = 0; k < an + bn; ++k) cols[k] = 0;
    int i = 0;
    for (; i + 4 <= bn; i += 4) {
        uint64_t* c = cols + i;
        const uint64_t b0 = b[i], b1 = b[i + 1], b2 = b[i + 2], b3 = b[i + 3];
        for (int k = 0; k < an + 3; ++k)
            c[k] += b0 * a[k] + b1 * a[k - 1] + b2 * a[k - 2] + b3 * a[k - 3];
    }
    for (; i < bn; ++i) {
        const uint64_t bi = b[i];
        uint64_t* c = cols + i;
        for (int k = 0; k < an; ++k) c[k] += bi * a[k];
    }
}

// cols[0..2n-k0) := the column sums k0..2n-1 of the square a x a, 0 <= k0
// < 2n, n <= MAX_ROWS; cols has room for two columns more (written with 0
// added). Each product a_i a_j with i < j is formed once, by
// 2 a_i (below 2^28) so it counts twice, and the diagonal a_i^2 starts its
// column: about half the column products of a x b. Column t of a square is
// at most min(t + 1, 2n - 1 - t) (10^8 - 1)^2 <= n (10^8 - 1)^2, within 64
// bits as for a product. a is read at indices up to n + 5: the caller pads
// it with SQUARE_PAD zero digits above.
const int SQUARE_PAD = 6;
KV_CLONES void squareSums(uint64_t* __restrict cols, const digit* __restrict a, int n, int k0) {
    {
        int t = k0;
        if (t & 1) cols[t++ - k0] = 0;
        for (; t < 2 * n; t += 2) {
            const uint64_t d = a[t / 2];
            cols[t - k0] = d * d;
            cols[t + 1 - k0] = 0;
        }
        cols[2 * n - k0] = cols[2 * n + 1 - k0] = 0;
    }
    // Column t, when it is one of those formed.
    auto put = [&](int t, uint64_t v) {
        if (t >= k0) cols[t - k0] += v;
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        // Rows i..i+3 against the digits from i + 4 up: row i+r, column
        // t = i + r + j. With j = i + 4 + e (e >= 0) and k = r + e, column
        // 2i + 4 + k takes b_r a[i + 4 + k - r] for every row with k >= r:
        // from k = 3 on all four, side by side as in columnSums (the top
        // padding ends the rows); k = 0..2 are written out. The products
        // inside the block of four come first.
        // Doubled digits stay below 2^32, so each product is one 32 x 32-bit
        // multiply in the vector loop.
        const uint64_t b0 = static_cast<uint32_t>(2 * a[i]), b1 = static_cast<uint32_t>(2 * a[i + 1]),
                       b2 = static_cast<uint32_t>(2 * a[i + 2]), b3 = static_cast<uint32_t>(2 * a[i + 3]);
        const uint64_t a1 = a[i + 1], a2 = a[i + 2], a3 = a[i + 3];
        const digit* e = a + i + 4;
        const int t = 2 * i;
        const int en = n - i - 4;  // digits above the block
        if (t + 1 >= k0 && en >= 3) {
            uint64_t* c = cols + (t - k0);
            c[1] += b0 * a1;
            c[2] += b0 * a2;
            c[3] += b0 * a3 + b1 * a2;
            c[4] += b1 * a3 + b0 * e[0];
            c[5] += b2 * a3 + b0 * e[1] + b1 * e[0];
            c[6] += b0 * e[2] + b1 * e[1] + b2 * e[0];
        } else if (t + 6 >= k0) {  // some of the head's columns are formed
            put(t + 1, b0 * a1);
            put(t + 2, b0 * a2);
            put(t + 3, b0 * a3 + b1 * a2);
            put(t + 4, b1 * a3);
            put(t + 5, b2 * a3);
            const uint64_t br[4] = {b0, b1, b2, b3};
            for (int r = 0; r < 4; ++r)
                for (int k = r; k < 3 && k - r < en; ++k) put(t + 4 + k, br[r] * e[k - r]);
        }
        // k from 3 (or from the first column formed) to en + 2, run on to a
        // multiple of four over the zero padding: the short rows of a small
        // square then take no scalar tail.
        const int kStart = k0 - t - 4 > 3 ? k0 - t - 4 : 3;
        const int len = (en + 3 - kStart + 3) & ~3;
        if (len <= 0) continue;
        uint64_t* c = cols + (t + 4 + kStart - k0);
        const digit* ep = e + kStart;
        for (int k = 0; k < len; ++k) c[k] += b0 * ep[k] + b1 * ep[k - 1] + b2 * ep[k - 2] + b3 * ep[k - 3];
    }
    for (; i < n; ++i) {
        const uint64_t bi = static_cast<uint32_t>(2 * a[i]);
        const int j0 = i + 1 > k0 - i ? i + 1 : k0 - i;
        for (int j = j0; j < n; ++j) cols[i + j - k0] += bi * a[j];
    }
}

// cols[0..an+bn-k0) := the column sums k0.. of a x b (the columns below k0
// are not formed); the same rows, each started at its first column >= k0.
KV_CLONES void highColumnSums(uint64_t* __restrict cols, const digit* __restrict a, int an,
                              const digit* __restrict b, int bn, int k0) {
    for (int k = 0; k < an + bn - k0; ++k) cols[k] = 0;
    int i = 0;
    for (; i + 4 <= bn; i += 4) {
        const int s = k0 - i > 0 ? k0 - i : 0; /* first a index in the block */
        const int len = an + 3 - s;
        if (len <= 0) continue;
        uint64_t* c = cols + (i + s - k0);
        const digit* ap = a + s;
        const uint64_t b0 = b[i], b1 = b[i + 1], b2 = b[i + 2], b3 = b[i + 3];
        for (int k = 0; k < len; ++k)
            c[k] += b0 * ap[k] + b1 * ap[k - 1] + b2 * ap[k - 2] + b3 * ap[k - 3];
    }
    for (; i < bn; ++i) {
        const int s = k0 - i > 0 ? k0 - i : 0;
        const uint64_t bi = b[i];
        uint64_t* c = cols + (i + s - k0);
        for (int k = 0; k < an - s; ++k) c[k] += bi * a[s + k];
    }
}

// w[0..n) := the column sums c[0..n) with their carries resolved, as base-10^8
// digits; returns the carry out of the top (0 when the sums are a product
// that fits n digits). Dividing a column by 10^8 is the slow step of a carry
// pass, and a single pass chains it from column to column; here four
// stretches of columns run as independent chains side by side, each starting
// with carry 0, and the carry out of each stretch is then added into the
// digits above it, where it dies out within a few digits (a column's carry
// is below 2^64 / 10^8, the next one below 2000, then at most 1).
uint64_t resolveCarries(digit* w, const uint64_t* c, int n) {
    if (n < 16) {
        uint64_t carry = 0;
        for (int k = 0; k < n; ++k) {
            const uint64_t s = c[k] + carry;
            carry = s / B8;
            w[k] = static_cast<digit>(s - carry * B8);
        }
        return carry;
    }
    const int L = (n + 3) / 4;   // stretches 0..2 have L columns, stretch 3 the rest
    const int L3 = n - 3 * L;    // 1 <= L3 <= L for n >= 16
    uint64_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    const uint64_t* p0 = c;
    const uint64_t* p1 = c + L;
    const uint64_t* p2 = c + 2 * L;
    const uint64_t* p3 = c + 3 * L;
    digit* w0 = w;
    digit* w1 = w + L;
    digit* w2 = w + 2 * L;
    digit* w3 = w + 3 * L;
#define KV_CARRY_STEP(P, W, C, T)                     \
    {                                                 \
        const uint64_t s = P[T] + C;                  \
        C = s / B8;                                   \
        W[T] = static_cast<digit>(s - C * B8);        \
    }
    int t = 0;
    for (; t < L3; ++t) {
        KV_CARRY_STEP(p0, w0, c0, t)
        KV_CARRY_STEP(p1, w1, c1, t)
        KV_CARRY_STEP(p2, w2, c2, t)
        KV_CARRY_STEP(p3, w3, c3, t)
    }
    for (; t < L; ++t) {
        KV_CARRY_STEP(p0, w0, c0, t)
        KV_CARRY_STEP(p1, w1, c1, t)
        KV_CARRY_STEP(p2, w2, c2, t)
    }
#undef KV_CARRY_STEP
    // Each stretch's carry into the digits from the start of the next one.
    uint64_t out = c3;
    const uint64_t carries[3] = {c0, c1, c2};
    for (int j = 0; j < 3; ++j) {
        uint64_t cy = carries[j];
        int k = (j + 1) * L;
        for (; cy != 0 && k < n; ++k) {
            const uint64_t s = w[k] + cy;
            cy = s / B8;
            w[k] = static_cast<digit>(s - cy * B8);
        }
        out += cy;
    }
    return out;
}

// Bump allocator over one scratch block, for the Karatsuba temporaries.
typedef BumpWork<digit> Work;

// w[0..an+bn) := a x b by schoolbook columns; a must be padded (see above).
void schoolbook(digit* w, const digit* a, int an, const digit* b, int bn, uint64_t* cols) {
    assert(bn <= MAX_ROWS);
    columnSums(cols, a, an, b, bn);
    const uint64_t top = resolveCarries(w, cols, an + bn);
    (void)top;
    assert(top == 0);
}

// w[0..n) += s[0..sn) (sn <= n), carries passed up to w[n-1].
void addInto(digit* w, int n, const digit* s, int sn) {
    digit carry = 0;
    int i = 0;
    for (; i < sn; ++i) {
        digit t = w[i] + s[i] + carry;
        carry = t >= B8;
        w[i] = carry ? t - static_cast<digit>(B8) : t;
    }
    for (; carry && i < n; ++i) {
        digit t = w[i] + 1;
        carry = t >= B8;
        w[i] = carry ? 0 : t;
    }
    assert(carry == 0);
}

// w[0..n) -= s[0..sn) (sn <= n), needs w >= s.
void subFrom(digit* w, int n, const digit* s, int sn) {
    digit borrow = 0;
    int i = 0;
    for (; i < sn; ++i) {
        const int64_t t = static_cast<int64_t>(w[i]) - s[i] - borrow;
        borrow = t < 0;
        w[i] = static_cast<digit>(borrow ? t + static_cast<int64_t>(B8) : t);
    }
    for (; borrow && i < n; ++i) {
        borrow = w[i] == 0;
        w[i] = borrow ? static_cast<digit>(B8 - 1) : w[i] - 1;
    }
    assert(borrow == 0);
}

// Copies x[0..xn) into fresh work storage with three zero digits of padding
// below and SQUARE_PAD above (the schoolbook loop reads a[-3..an+2], the
// square's a[0..n+5]).
const digit* padded(Work& ws, const digit* x, int xn) {
    digit* p = ws.take(static_cast<size_t>(xn) + 3 + SQUARE_PAD);
    p[0] = p[1] = p[2] = 0;
    std::memcpy(p + 3, x, sizeof(digit) * static_cast<size_t>(xn));
    for (int k = 0; k < SQUARE_PAD; ++k) p[xn + 3 + k] = 0;
    return p + 3;
}

// w[0..an+bn) := a[0..an) x b[0..bn), normalised digits, an >= bn >= 1.
// a and b need no padding; w must not overlap them.
void product(digit* w, const digit* a, int an, const digit* b, int bn, Work ws, uint64_t* cols) {
    if (an < bn) {
        const digit* t = a;
        a = b;
        b = t;
        const int tn = an;
        an = bn;
        bn = tn;
    }
    if (bn < KARATSUBA_MIN) {
        // Short enough for columns; a long a is taken in slices so that the
        // column buffer stays small and in cache.
        if (an <= 4 * KARATSUBA_MIN) {
            schoolbook(w, padded(ws, a, an), an, b, bn, cols);
            return;
        }
    }
    const int m = (an + 1) / 2;
    if (bn <= m) {
        // Unbalanced: slices of a, added in place. Each slice is bn digits,
        // a balanced product, unless b is short enough for columns: then
        // slices as long as the column loop takes, not a run of tiny ones.
        const int width = bn < KARATSUBA_MIN ? 4 * KARATSUBA_MIN : bn;
        std::memset(w, 0, sizeof(digit) * static_cast<size_t>(an + bn));
        digit* t = ws.take(static_cast<size_t>(width) + bn);
        for (int s = 0; s < an; s += width) {
            const int sn = an - s < width ? an - s : width;
            product(t, a + s, sn, b, bn, ws, cols);
            addInto(w + s, an + bn - s, t, sn + bn);
        }
        return;
    }
    // Karatsuba: a = a1 B^m + a0, b = b1 B^m + b0 (bn > m, so b1 is not empty).
    const int a1n = an - m, b1n = bn - m;
    product(w, a, m, b, m, ws, cols);                        // z0 into w[0..2m)
    product(w + 2 * m, a + m, a1n, b + m, b1n, ws, cols);    // z2 into w[2m..an+bn)
    digit* sa = ws.take(static_cast<size_t>(m) + 1);
    digit* sb = ws.take(static_cast<size_t>(m) + 1);
    std::memcpy(sa, a, sizeof(digit) * static_cast<size_t>(m));
    sa[m] = 0;
    addInto(sa, m + 1, a + m, a1n);
    std::memcpy(sb, b, sizeof(digit) * static_cast<size_t>(m));
    sb[m] = 0;
    addInto(sb, m + 1, b + m, b1n);
    const int zn = 2 * m + 2;
    digit* z1 = ws.take(static_cast<size_t>(zn));
    product(z1, sa, m + 1, sb, m + 1, ws, cols);
    subFrom(z1, zn, w, 2 * m);
    subFrom(z1, zn, w + 2 * m, a1n + b1n);
    // z1 = a0 b1 + a1 b0 fits below B^(an+bn-m); its upper digits are 0.
    int z1n = zn;
    while (z1n > 0 && z1[z1n - 1] == 0) --z1n;
    addInto(w + m, an + bn - m, z1, z1n);
}

// w[0..2n) := a[0..n) squared, normalised digits; a needs no padding and w
// must not overlap it. The schoolbook square forms half the column products
// of a product, so it stays ahead of Karatsuba's split up to twice the
// product's crossing; above it the three half-size products are squares.
void square(digit* w, const digit* a, int n, Work ws, uint64_t* cols) {
    if (n < SQUARE_KARATSUBA_MIN) {
        squareSums(cols, padded(ws, a, n), n, 0);
        const uint64_t top = resolveCarries(w, cols, 2 * n);
        (void)top;
        assert(top == 0);
        return;
    }
    // a = a1 B^m + a0: a^2 = a1^2 B^2m + ((a0 + a1)^2 - a0^2 - a1^2) B^m + a0^2.
    const int m = (n + 1) / 2, a1n = n - m;
    square(w, a, m, ws, cols);
    square(w + 2 * m, a + m, a1n, ws, cols);
    digit* sa = ws.take(static_cast<size_t>(m) + 1);
    std::memcpy(sa, a, sizeof(digit) * static_cast<size_t>(m));
    sa[m] = 0;
    addInto(sa, m + 1, a + m, a1n);
    const int zn = 2 * m + 2;
    digit* z1 = ws.take(static_cast<size_t>(zn));
    square(z1, sa, m + 1, ws, cols);
    subFrom(z1, zn, w, 2 * m);
    subFrom(z1, zn, w + 2 * m, 2 * a1n);
    int z1n = zn;
    while (z1n > 0 && z1[z1n - 1] == 0) --z1n;
    addInto(w + m, 2 * n - m, z1, z1n);
}

// Digits of work storage that product() may take for operands of a and b
// digits. product() receives its Work by value, so what a call takes is
// given back when it returns, and W(a, b), the most a call on a >= b digits
// holds at once, follows the three cases:
//   leaf (a <= 4K, b < K, K = KARATSUBA_MIN):  W = a + 9 <= 4K + 9 = 521;
//   slices (b <= m = ceil(a/2)):  W = 2b + W(b, b) with 2b <= a + 1;
//   Karatsuba (b > m):  W = max(W(m, m), W(a - m, b - m), 4m + 4 + W(m + 1, m + 1)),
// since the sums sa, sb (m + 1 digits each) and z1 (2m + 2) stay taken while
// the middle product runs. For n = max(a, b), m + 1 <= n/2 + 2, so along the
// chain of middle products W(n) <= sum over levels k of (4 (n/2^k + 2) + 4)
// + 521 <= 4n + 12 L + 521 with L <= 32 levels (n < 2^31); a slice adds at
// most a + 1 <= n + 1 on top of a balanced W(b) <= 2n + 12 L + 521. Both stay
// below 8n + 64 x 40 + 64, the amount reserved (Work::take asserts it).
size_t workNeed(int an, int bn) {
    const size_t n = static_cast<size_t>(an > bn ? an : bn);
    return 8 * n + 64 * 40 + 64;
}

// ---- Products by at most two limbs ------------------------------------------------
//
// The series of the function library multiply by small integers and short
// numbers on every pass (f *= k, p *= 0.75). For a multiplier v below 10^8
// (one or two limbs) the product is formed in base 10^4 without a carry
// chain. Column i of the product, c_i = u_i v_0 + u_(i-1) v_1 < 2 x 10^8, is
// split into h_i = c_i div 10^4 < 2 x 10^4 and l_i = c_i mod 10^4; the sum
// s_i = l_i + h_(i-1) < 3 x 10^4 leaves g_i = s_i div 10^4 <= 2 (two
// comparisons) to the next limb, and t_i = s_i - 10^4 g_i + g_(i-1) is the
// limb, unless it reaches 10^4 (only after a 9998 or 9999), which a plain
// carry pass then settles. Both passes form every column on its own, so the
// compiler vectorises them; only the first divides.

// x div 10^4 for x < 2^32, as a multiply and a shift (exact for every such
// x: 3518437209 x 10^4 - 2^45 = 1168, and 1168 x < 2^45).
inline uint32_t div1e4(uint32_t x) { return static_cast<uint32_t>((static_cast<uint64_t>(x) * 3518437209u) >> 45); }

// h[i], l[i] for the columns i = 0..wn-1 (arrays padded: h[-2], h[-1], l[-1]
// are 0 and written by the caller).
KV_CLONES void shortSplit(uint32_t* __restrict h, uint32_t* __restrict l, const limb_t* __restrict u, int un,
                          uint32_t v0, uint32_t v1, int wn) {
    const uint32_t* s = reinterpret_cast<const uint32_t*>(u);
    {
        const uint32_t c = s[0] * v0;
        h[0] = div1e4(c);
        l[0] = c - h[0] * 10000u;
    }
    for (int i = 1; i < un; ++i) {
        const uint32_t c = s[i] * v0 + s[i - 1] * v1;
        const uint32_t q = div1e4(c);
        h[i] = q;
        l[i] = c - q * 10000u;
    }
    {
        const uint32_t c = s[un - 1] * v1;
        h[un] = div1e4(c);
        l[un] = c - h[un] * 10000u;
    }
    for (int i = un + 1; i < wn; ++i) h[i] = l[i] = 0;
}

// w[0..wn) from the split columns; returns non-zero when a limb reached 10^4
// and a plain carry pass must settle it.
KV_CLONES uint32_t shortLimbs(limb_t* __restrict w, const uint32_t* __restrict h, const uint32_t* __restrict l,
                              int wn) {
    uint32_t over = 0;
    for (int i = 0; i < wn; ++i) {
        const uint32_t si = l[i] + h[i - 1], sj = l[i - 1] + h[i - 2];
        const uint32_t gi = (si >= 10000u) + (si >= 20000u);
        const uint32_t gj = (sj >= 10000u) + (sj >= 20000u);
        const uint32_t t = si - gi * 10000u + gj;
        over |= t >= 10000u;
        w[i] = static_cast<limb_t>(t);
    }
    return over;
}

// w[0..un+vn) := u[0..un) x v[0..vn), vn <= 2.
void mulShort(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn) {
    const int wn = un + vn;
    const uint32_t v0 = static_cast<uint32_t>(v[0]), v1 = vn > 1 ? static_cast<uint32_t>(v[1]) : 0u;
    const int LOCAL = 520;
    uint32_t hLocal[LOCAL + 2], lLocal[LOCAL + 1];
    uint32_t* h = hLocal;
    uint32_t* l = lLocal;
    if (wn > LOCAL) {
        h = static_cast<uint32_t*>(kscratch(KSLOT_SHORT, sizeof(uint32_t) * (2 * static_cast<size_t>(wn) + 3)));
        l = h + wn + 2;
    }
    h[0] = h[1] = l[0] = 0;  // h[-2], h[-1], l[-1]
    shortSplit(h + 2, l + 1, u, un, v0, v1, wn);
    if (shortLimbs(w, h + 2, l + 1, wn)) {
        limb_t carry = 0;
        for (int i = 0; i < wn; ++i) {
            const limb_t t = w[i] + carry;
            carry = t >= BASE;
            w[i] = t - (carry ? BASE : 0);
        }
        assert(carry == 0);
    }
}

}  // namespace

// Products of up to this many base-10^8 digits in all (both operands of a
// number of up to 192 limbs) are done in the caller's stack frame, about 2 KB.
const int SMALL = 96;

namespace {

// w[0..2un) := u[0..un) squared (mul with v equal to u), (un + 1) / 2 >=
// SQUARE_MIN.
void mulSquare(limb_t* w, const limb_t* u, int un) {
    const int an = (un + 1) / 2;
    if (an >= thresholds.nttMul && 2 * an <= NTT_MAX_DIGITS) return nttMul(w, u, un, u, un);
    digit* ad = static_cast<digit*>(kscratch(KSLOT_DIGITS, sizeof(digit) * (static_cast<size_t>(an) * 3 + 8)));
    digit* pd = ad + an;  // 2 an product digits
    toDigits(ad, u, un);
    uint64_t* cols = static_cast<uint64_t*>(kscratch(KSLOT_COLUMNS, sizeof(uint64_t) * (8 * KARATSUBA_MIN + 16)));
    Work ws;
    ws.left = workNeed(an, an);
    ws.p = static_cast<digit*>(kscratch(KSLOT_WORK, sizeof(digit) * ws.left));
    square(pd, ad, an, ws, cols);
    toLimbs(w, pd, 2 * un);
}

}  // namespace

KV_CLONES void mul(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn) {
    assert(un >= 1 && vn >= 1);
    if (kernelSet && kernelSet->mul) return kernelSet->mul(w, u, un, v, vn);
    if (vn <= 2) return mulShort(w, u, un, v, vn);
    if (un <= 2) return mulShort(w, v, vn, u, un);
    const int wn = un + vn;
    const int an = (un + 1) / 2, bn = (vn + 1) / 2;
    if (un == vn && an >= SQUARE_MIN && (u == v || std::memcmp(u, v, sizeof(limb_t) * static_cast<size_t>(un)) == 0))
        return mulSquare(w, u, un);
    if (an + bn <= SMALL) {
        // One schoolbook block: an, bn < KARATSUBA_MIN.
        digit apad[SMALL + 6], bd[SMALL], pd[SMALL + 2];
        uint64_t cols[SMALL + 8];
        apad[0] = apad[1] = apad[2] = 0;
        toDigits(apad + 3, u, un);
        apad[an + 3] = apad[an + 4] = apad[an + 5] = 0;
        toDigits(bd, v, vn);
        if (an >= bn)
            columnSums(cols, apad + 3, an, bd, bn);
        else {
            // The padded operand must be the one read at shifted indices;
            // column sums do not depend on which operand that is.
            digit bpad[SMALL + 6];
            bpad[0] = bpad[1] = bpad[2] = 0;
            std::memcpy(bpad + 3, bd, sizeof(digit) * static_cast<size_t>(bn));
            bpad[bn + 3] = bpad[bn + 4] = bpad[bn + 5] = 0;
            columnSums(cols, bpad + 3, bn, apad + 3, an);
        }
        const uint64_t top = resolveCarries(pd, cols, an + bn);
        (void)top;
        assert(top == 0);
        pd[an + bn] = 0;
        toLimbs(w, pd, wn);
        return;
    }
    const int shorter = an < bn ? an : bn;
    if (shorter >= thresholds.nttMul && an + bn <= NTT_MAX_DIGITS) return nttMul(w, u, un, v, vn);
    digit* ad = static_cast<digit*>(kscratch(KSLOT_DIGITS, sizeof(digit) *
                                             (static_cast<size_t>(an + bn) * 2 + 8)));
    digit* bd = ad + an;
    digit* pd = bd + bn;  // an + bn product digits
    toDigits(ad, u, un);
    toDigits(bd, v, vn);
    const size_t colsNeed = static_cast<size_t>(an + bn) < 8 * KARATSUBA_MIN
                                ? static_cast<size_t>(an + bn) + 8
                                : 8 * KARATSUBA_MIN + 8;
    uint64_t* cols = static_cast<uint64_t*>(kscratch(KSLOT_COLUMNS, sizeof(uint64_t) * (colsNeed + 8)));
    Work ws;
    ws.left = workNeed(an, bn);
    ws.p = static_cast<digit*>(kscratch(KSLOT_WORK, sizeof(digit) * ws.left));
    product(pd, ad, an, bd, bn, ws, cols);
    toLimbs(w, pd, wn);
}

// ---- The high limbs of a product ----------------------------------------------------
//
// A number keeps the top h + 1 limbs of a product of two such numbers and
// drops the rest, about half of the columns. Only the columns from k0 =
// lo/2 - 2 (base-10^8 digits, two below the first limb wanted) are summed:
// H = sum over k >= k0 of col_k B^(k-k0), B = 10^8. The columns left out
// add c = floor(S / B^k0) to H, S being their sum; each holds at most m
// digit products below B^2 (m the shorter operand's digits), so
// S < m (B - 1)(B^k0 - 1) < m B^(k0+1) and 0 <= c < m B. The limbs wanted
// are floor((H + c) / 10000^G), G = lo - 2 k0 (4 or 5) limbs of guard; they
// are those of H whenever H mod 10000^G + m B - 1 < 10000^G, whatever c is.
// Otherwise (a guard of 9999s, about once in 10^16 / (m B) products) the
// kernel says so and the caller forms the full product.

KV_CLONES bool mul_high(limb_t* w, const limb_t* u, int un, const limb_t* v, int vn, int lo) {
#ifdef __SIZEOF_INT128__
    typedef unsigned __int128 u128;
    if (kernelSet && kernelSet->mul) return false;
    if (un < vn) {
        const limb_t* t = u;
        u = v;
        v = t;
        const int tn = un;
        un = vn;
        vn = tn;
    }
    const int an = (un + 1) / 2, bn = (vn + 1) / 2;
    const int k0 = lo / 2 - 2;
    const bool sq = un == vn && an >= HIGH_SQUARE_MIN && (u == v || std::memcmp(u, v, sizeof(limb_t) * static_cast<size_t>(un)) == 0);
    if (k0 < 1 || lo > un + vn) return false;
    if (an > HIGH_PRODUCT_MAX) return false;
    const int G = lo - 2 * k0;
    const int hn = an + bn - k0;  // digits of H
    const int LOCAL = 128;
    digit apadLocal[LOCAL + 3 + SQUARE_PAD], bdLocal[LOCAL], hdLocal[2 * LOCAL + 2];
    uint64_t colsLocal[2 * LOCAL + 4];
    limb_t hlLocal[4 * LOCAL + 4];
    digit *apad = apadLocal, *bd = bdLocal, *hd = hdLocal;
    uint64_t* cols = colsLocal;
    limb_t* hl = hlLocal;
    if (an > LOCAL) {
        // Digits and limbs in one scratch block: the column sums (aligned
        // first), a padded, b, H's digits, H's limbs.
        const size_t words = 2 * static_cast<size_t>(hn) + 8 + (static_cast<size_t>(an) + 3 + SQUARE_PAD + bn + hn + 2) +
                             2 * static_cast<size_t>(hn) + 4;
        uint64_t* block = static_cast<uint64_t*>(kscratch(KSLOT_DIGITS, sizeof(uint64_t) * words));
        cols = block;
        apad = reinterpret_cast<digit*>(block + hn + 4);
        bd = apad + an + 3 + SQUARE_PAD;
        hd = bd + bn;
        hl = reinterpret_cast<limb_t*>(hd + hn + 2);
    }
    apad[0] = apad[1] = apad[2] = 0;
    toDigits(apad + 3, u, un);
    for (int k = 0; k < SQUARE_PAD; ++k) apad[an + 3 + k] = 0;
    if (sq) {
        squareSums(cols, apad + 3, an, k0);
    } else {
        toDigits(bd, v, vn);
        highColumnSums(cols, apad + 3, an, bd, bn, k0);
    }
    const uint64_t top = resolveCarries(hd, cols, hn);
    (void)top;
    assert(top == 0);
    hd[hn] = 0;
    toLimbs(hl, hd, 2 * hn);
    // The guard: H mod 10000^G (G <= 5 limbs, below 2^67) and c's bound.
    u128 r = 0;
    for (int i = G - 1; i >= 0; --i) r = r * 10000u + static_cast<uint64_t>(hl[i]);
    u128 limit = 1;
    for (int i = 0; i < G; ++i) limit *= 10000u;
    const u128 cmax = static_cast<u128>(bn) * 100000000u;  // c < m B, m = bn
    if (r + cmax - 1 >= limit) return false;
    copy_n(w, hl + G, un + vn - lo);
    return true;
#else
    (void)w, (void)u, (void)un, (void)v, (void)vn, (void)lo;
    return false;
#endif
}

}  // namespace kv
