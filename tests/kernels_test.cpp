// The fast limb kernels against the plain reference loops of refkernels.h,
// limb for limb, on random operands built to hit the awkward cases: runs of
// 0000 and 9999 limbs, near-equal pairs, operands of very different length,
// divisors with zero low limbs, exact and almost exact quotients. Lengths
// follow the precisions a number can have (h + 1 significant limbs for
// h = n/2 - 2, quotients of up to 2h + 4 limbs). A failure prints the seed;
// KV_TEST_SEED=<seed> repeats the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "number/kernels.h"
#include "kvtest.h"
#include "refkernels.h"

using ref::Limbs;

namespace {

const int PRECISIONS[] = {9, 10, 11, 13, 20, 64, 130, 131, 300, 1000};

// Operations per precision: many at small sizes, few where the reference
// loops are slow.
int rounds(int n) { return n <= 20 ? 1000 : n <= 131 ? 300 : n <= 300 ? 60 : 8; }

class Gen {
public:
    explicit Gen(uint64_t seed) : rng_(seed) {}

    int upTo(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)) + 1; }  // 1..n
    bool chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
    int32_t limb() { return static_cast<int32_t>(rng_() % 10000); }

    // n limbs in one of several styles; the top limb is non-zero.
    Limbs limbs(int n) {
        Limbs u(static_cast<size_t>(n));
        const int style = static_cast<int>(rng_() % 6);
        for (int i = 0; i < n; ++i) {
            switch (style) {
                case 0: u[i] = limb(); break;
                case 1: u[i] = 9999; break;
                case 2: u[i] = chance(50) ? 9999 : 0; break;                // runs of both
                case 3: u[i] = chance(80) ? (chance(50) ? 9999 : 0) : limb(); break;
                case 4: u[i] = chance(90) ? 0 : limb(); break;              // sparse
                default: u[i] = i < n / 2 ? 0 : limb(); break;              // zero low half
            }
        }
        if (u[n - 1] == 0) u[n - 1] = chance(50) ? 1 : 1 + limb() % 9999;
        if (chance(15)) u[n - 1] = 9999;
        return u;
    }

private:
    std::mt19937_64 rng_;
};

std::string show(const Limbs& u) {
    std::string s;
    for (int i = static_cast<int>(u.size()) - 1; i >= 0; --i) s += std::to_string(u[i]) + (i ? "," : "");
    return s;
}

Limbs fastMul(const Limbs& u, const Limbs& v) {
    Limbs w(u.size() + v.size(), -1);
    kv::mul(w.data(), u.data(), static_cast<int>(u.size()), v.data(), static_cast<int>(v.size()));
    return w;
}

Limbs fastDiv(const Limbs& u, const Limbs& v) {
    Limbs q(u.size() - v.size() + 1, -1);
    kv::divq(q.data(), u.data(), static_cast<int>(u.size()), v.data(), static_cast<int>(v.size()));
    return q;
}

// u without its zero top limbs (at least one limb).
Limbs trimmed(Limbs u) {
    while (u.size() > 1 && u.back() == 0) u.pop_back();
    return u;
}

}  // namespace

TEST(KernelsDiff, ProductsAgreeWithTheSchoolbookLoop) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed);
    for (int n : PRECISIONS) {
        const int m = n / 2 - 1;  // significant limbs of a stored number
        for (int r = 0; r < rounds(n); ++r) {
            int un = m, vn = m;
            const int shape = r % 4;
            if (shape == 1) un = g.upTo(m), vn = g.upTo(m);
            if (shape == 2) un = g.upTo(std::min(m, 3));  // a short operand and a long one
            const Limbs u = g.limbs(un);
            Limbs v = g.limbs(vn);
            if (shape == 3) v = u;  // squares
            const Limbs want = ref::mul(u, v);
            ASSERT_EQ(fastMul(u, v), want) << "n " << n << "\nu " << show(u) << "\nv " << show(v);
            ASSERT_EQ(fastMul(v, u), want) << "n " << n;
        }
    }
}

TEST(KernelsDiff, ProductsAcrossTheKaratsubaSizes) {
    // Length pairs around the point where the product splits (128 base-10^8
    // digits, 256 limbs), balanced and unbalanced, and a long operand taken
    // in slices (beyond 512 digits against a short one).
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 1);
    for (int un : {200, 254, 255, 256, 257, 258, 513, 600, 1100}) {
        for (int vn : {1, 3, 100, 255, 256, 257, 258, 513, 600}) {
            const Limbs u = g.limbs(un), v = g.limbs(vn);
            ASSERT_EQ(fastMul(u, v), ref::mul(u, v)) << un << " x " << vn;
        }
    }
}

TEST(KernelsDiff, SquaresAgreeWithTheSchoolbookLoop) {
    // A square takes its own path (half the column products, three
    // half-size squares in Karatsuba), whether the operand comes twice by
    // the same pointer or as an equal copy. Lengths in limbs on both sides
    // where squares leave the product's loops (111), of the square's
    // Karatsuba split (512) and of a second split (1024), in every operand
    // style; all-9999 operands make the largest columns.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 2);
    for (int n : {3, 4, 7, 8, 9, 16, 17, 63, 97, 109, 110, 111, 112, 113, 114, 255, 256, 257, 511, 512, 513, 514, 1025, 1100}) {
        for (int r = 0; r < (n <= 114 ? 40 : n <= 514 ? 6 : 2); ++r) {
            const Limbs u = r == 0 ? Limbs(static_cast<size_t>(n), 9999) : g.limbs(n);
            const Limbs want = ref::mul(u, u);
            Limbs w(2 * u.size(), -1);
            kv::mul(w.data(), u.data(), n, u.data(), n);
            ASSERT_EQ(w, want) << n << " limbs\nu " << show(u);
            const Limbs copy = u;
            ASSERT_EQ(fastMul(u, copy), want) << n << " limbs, copy";
            // Equal but for the lowest limb: a product, not a square.
            Limbs near = u;
            near[0] = near[0] == 9999 ? 9998 : near[0] + 1;
            ASSERT_EQ(fastMul(u, near), ref::mul(u, near)) << n << " limbs, near";
        }
    }
}

TEST(KernelsDiff, HighLimbsOfSquaresAreThoseOfTheFullSquareOrDeclined) {
    // mul_high on a square sums only the cross products above its cut
    // (doubled, plus the diagonal): limb for limb the full square's from lo
    // up, or declined. The square of all-9999 limbs is 9999s over 0000s, so
    // a cut in its low half leaves the dropped carry to borrow through a
    // guard of 0000s: some of those must decline.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 3);
    int taken = 0, ninesDeclined = 0;
    for (int n : {3, 7, 9, 17, 23, 24, 25, 61, 64, 65, 127, 200, 255, 256, 257, 400, 511, 512, 513, 600, 1023, 1024, 1025}) {
        for (int r = 0; r < 12; ++r) {
            const bool nines = r == 0;
            const Limbs u = nines ? Limbs(static_cast<size_t>(n), 9999) : g.limbs(n);
            const Limbs full = ref::mul(u, u);
            for (int lo : {8, n - 2, n, n + 1, 2 * n - 9, g.upTo(2 * n)}) {
                if (lo < 0 || lo > 2 * n) continue;
                Limbs w(static_cast<size_t>(2 * n - lo) + 1, -1);
                if (!kv::mul_high(w.data(), u.data(), n, u.data(), n, lo)) {
                    ninesDeclined += nines;
                    continue;
                }
                ++taken;
                for (int k = lo; k < 2 * n; ++k)
                    ASSERT_EQ(w[static_cast<size_t>(k - lo)], full[static_cast<size_t>(k)])
                        << n << " limbs squared from " << lo << ", limb " << k << "\nu " << show(u);
            }
        }
    }
    EXPECT_GT(taken, 500);
    EXPECT_GT(ninesDeclined, 5);
}

TEST(KernelsDiff, HighLimbsOfLongProductsAreThoseOfTheFullProductOrDeclined) {
    // mul_high's column sums reach past the Karatsuba split (256 limbs) up
    // to 1024 limbs in the shorter operand: limb for limb the full
    // product's from lo up, or declined.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 4);
    int taken = 0;
    for (int un : {255, 257, 400, 511, 513, 1023, 1024, 1025}) {
        for (int vn : {254, 256, 300, 513, 1023, 1024}) {
            const Limbs u = g.limbs(un), v = g.limbs(vn);
            const Limbs full = ref::mul(u, v);
            const int lo = (un + vn) / 2 + g.upTo(8) - 4;
            Limbs w(static_cast<size_t>(un + vn - lo) + 1, -1);
            if (!kv::mul_high(w.data(), u.data(), un, v.data(), vn, lo)) continue;
            ++taken;
            for (int k = lo; k < un + vn; ++k)
                ASSERT_EQ(w[static_cast<size_t>(k - lo)], full[static_cast<size_t>(k)])
                    << un << " x " << vn << " limbs from " << lo << ", limb " << k;
        }
    }
    EXPECT_GT(taken, 20);
}

// The transform product and the Newton quotient start at sizes where the
// reference loops would be slow; the tests lower the thresholds so that the
// same code runs at a few hundred limbs, and put them back afterwards.
class Thresholds {
public:
    Thresholds(int nttMul, int newtonDiv) : saved_(kv::thresholds) {
        kv::thresholds.nttMul = nttMul;
        kv::thresholds.newtonDiv = newtonDiv;
    }
    ~Thresholds() { kv::thresholds = saved_; }

private:
    kv::Thresholds saved_;
};

TEST(KernelsDiff, TransformProductsAgreeWithTheSchoolbookLoop) {
    // Lengths on both sides of the transform threshold (lowered to 8
    // base-10^8 digits) and of the power-of-two transform lengths (a product
    // of 2^k + 1 columns takes a transform twice as long as one of 2^k),
    // every operand style, squares, and very unbalanced pairs.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 11);
    const Thresholds low(8, kv::DEFAULT_THRESHOLDS.newtonDiv);
    for (int un : {14, 15, 16, 17, 33, 63, 64, 65, 127, 128, 129, 257, 700}) {
        for (int vn : {3, 15, 16, 17, 64, 65, 129, 300}) {
            const Limbs u = g.limbs(un), v = g.limbs(vn);
            ASSERT_EQ(fastMul(u, v), ref::mul(u, v)) << un << " x " << vn << "\nu " << show(u) << "\nv " << show(v);
        }
        const Limbs u = g.limbs(un);
        ASSERT_EQ(fastMul(u, u), ref::mul(u, u)) << un << " squared";
    }
    // All 9999s make the largest column sums; the top limb of the product
    // is then the one the carries reach last.
    for (int n : {16, 100, 1000}) {
        const Limbs nines(static_cast<size_t>(n), 9999);
        ASSERT_EQ(fastMul(nines, nines), ref::mul(nines, nines)) << n;
    }
}

TEST(KernelsDiff, TransformProductAtItsOwnThreshold) {
    // The default threshold, once on each side: the shorter operand one
    // base-10^8 digit below it (Karatsuba) and at it (the transform), each
    // against the other method (the Karatsuba product is held to the
    // schoolbook loop above; the reference loop would be slow here).
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 12);
    const int t = 2 * kv::DEFAULT_THRESHOLDS.nttMul;
    const Limbs u = g.limbs(t + 1);
    for (int vn : {t - 2, t}) {
        const Limbs v = g.limbs(vn);
        const Limbs fast = fastMul(u, v);
        const Thresholds other(vn < t ? 1 : 1 << 29, kv::DEFAULT_THRESHOLDS.newtonDiv);
        ASSERT_EQ(fast, fastMul(u, v)) << vn;
    }
}

TEST(KernelsDiff, NewtonQuotientsAgreeWithPlainLongDivision) {
    // The reciprocal's levels bottom out at 16 limbs here, so quotients and
    // divisors of 16 to 400 limbs take one to five Newton steps; the
    // products under them run both ways.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 13);
    for (int ntt : {8, kv::DEFAULT_THRESHOLDS.nttMul}) {
        const Thresholds low(ntt, 8);
        for (int r = 0; r < 160; ++r) {
            // Mostly short, where the two halves of the quotient, the
            // transform lengths and the kept transforms meet at every
            // parity and power of two; some long.
            const int top = r % 4 == 0 ? 380 : 110;
            const int vn = 14 + g.upTo(top), qn = 14 + g.upTo(top);
            Limbs v = g.limbs(vn), u;
            const int shape = r % 4;
            if (shape == 1)  // zero low limbs in the divisor
                for (int i = 0; i < g.upTo(vn - 1); ++i) v[i] = 0;
            if (shape >= 2) {
                // Exact quotients and quotients just below one: the proof's
                // remainder is then 0 or v - 1.
                u = trimmed(ref::mul(v, g.limbs(qn)));
                if (shape == 3) {
                    int32_t borrow = 0;
                    Limbs one(u.size(), 0);
                    one[0] = 1;
                    u = trimmed(ref::sub(u, one, &borrow));
                }
            } else {
                u = g.limbs(vn + qn - 1);
            }
            ASSERT_EQ(fastDiv(u, v), ref::divq(u, v))
                << "ntt " << ntt << " vn " << vn << "\nu " << show(u) << "\nv " << show(v);
        }
        // Quotient lengths at the powers of two (where the two halves and
        // the transform lengths meet), against divisors a little shorter,
        // as long and a little longer.
        for (int qn : {30, 31, 32, 33, 62, 63, 64, 65, 126, 127, 128, 129}) {
            for (int dv : {-8, -6, -2, 0, 3}) {
                const int vn = qn + dv;
                const Limbs u = g.limbs(qn + vn - 1), v = g.limbs(vn);
                ASSERT_EQ(fastDiv(u, v), ref::divq(u, v)) << "ntt " << ntt << " qn " << qn << " vn " << vn;
            }
        }
        // Divisors whose reciprocal is a power of the base or just off it.
        for (const Limbs& v : {Limbs(200, 9999), [] { Limbs x(200, 0); x.back() = 1; return x; }(),
                               [] { Limbs x(200, 0); x.back() = 1; x[0] = 1; return x; }()}) {
            const Limbs u(500, 9999);
            ASSERT_EQ(fastDiv(u, v), ref::divq(u, v)) << "ntt " << ntt << " v " << show(v);
        }
    }
}

TEST(KernelsDiff, QuotientsAgreeWithPlainLongDivision) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 2);
    for (int n : PRECISIONS) {
        const int m = n / 2 - 1;
        for (int r = 0; r < rounds(n); ++r) {
            const int shape = r % 6;
            int vn = shape == 0 ? 1 : shape == 1 ? g.upTo(std::min(m, 3)) : g.upTo(m);
            if (shape == 2) vn = m;
            Limbs v = g.limbs(vn);
            if (shape == 3 && vn > 1)  // zero low limbs
                for (int i = 0; i < g.upTo(vn - 1); ++i) v[i] = 0;
            Limbs u;
            if (shape == 4 || shape == 5) {
                // u = v x k or v x k - 1: quotients exactly on and just below
                // a whole number, remainders 0 and v - 1.
                const Limbs k = g.limbs(g.upTo(m + 2));
                u = trimmed(ref::mul(v, k));
                if (shape == 5) {
                    int32_t borrow = 0;
                    Limbs one(u.size(), 0);
                    one[0] = 1;
                    u = trimmed(ref::sub(u, one, &borrow));
                }
                if (u.size() < v.size()) u.resize(v.size(), 0);
            } else {
                const int un = vn + g.upTo(std::max(1, 2 * m + 3 - vn)) - 1;
                u = g.limbs(un);
            }
            ASSERT_EQ(fastDiv(u, v), ref::divq(u, v))
                << "n " << n << "\nu " << show(u) << "\nv " << show(v);
        }
    }
}

TEST(KernelsDiff, QuotientEdgeCases) {
    struct C { Limbs u, v; };
    const C cases[] = {
        {{5}, {7}},                        // below one
        {{0, 0, 0, 1}, {1}},               // divisor 1
        {{9999, 9999, 9999, 9999}, {9999, 9999}},
        {{0, 0, 0, 0, 1}, {9999, 9999}},   // 10^16 / (10^8 - 1)
        {{0, 0, 0, 0, 0, 1}, {1, 0, 1}},
        {{9999, 9999, 9999, 9999, 9999, 9999}, {1, 0, 0, 1}},
        {{0, 0, 0, 0, 0, 0, 5000}, {0, 0, 0, 5000}},
        {{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {0, 0, 0, 1, 0, 0, 1}},
    };
    for (const C& c : cases) EXPECT_EQ(fastDiv(c.u, c.v), ref::divq(c.u, c.v)) << show(c.u) << " / " << show(c.v);
    // Long quotients by long divisors whose top digit is small or large:
    // many steps between two settlings of the pending carries.
    const Limbs nines(1200, 9999);
    Limbs sparse(300, 0), smallTop(300, 9999), bigTop(300, 0);
    sparse.front() = sparse.back() = 1;
    smallTop.back() = 1;
    bigTop.back() = 9999;
    bigTop.front() = 1;
    for (const Limbs* v : {static_cast<const Limbs*>(&sparse), static_cast<const Limbs*>(&smallTop), static_cast<const Limbs*>(&bigTop)}) {
        EXPECT_EQ(fastDiv(nines, *v), ref::divq(nines, *v));
        Limbs u = ref::mul(*v, Limbs(700, 9999));  // an exact quotient
        EXPECT_EQ(trimmed(fastDiv(u, *v)), Limbs(700, 9999));
    }
    // Divisors on both sides of the width (52 base-10^8 digits, 104 limbs)
    // from which two quotient digits share a pass, and beyond the settling
    // interval (128 digits), with even and odd quotient lengths, so that a
    // held-back digit meets a settling step and the end of the division.
    Gen g(kvtest::seed() + 3);
    for (int vn : {101, 102, 103, 104, 105, 106, 259, 260}) {
        for (int qn : {1, 2, 3, 4, 5, 260, 261, 262, 263, 520}) {
            const Limbs v = g.limbs(vn), u = g.limbs(vn + qn - 1);
            ASSERT_EQ(fastDiv(u, v), ref::divq(u, v)) << u.size() << " / " << vn << " limbs";
            // An exact quotient with runs of zero digits, which skip their
            // subtraction, beside a held-back digit or not.
            Limbs q(static_cast<size_t>(qn), 0);
            for (int k = 0; k < qn; k += 1 + g.upTo(5)) q[static_cast<size_t>(k)] = 1 + g.limb() % 9999;
            q.back() = 7;
            ASSERT_EQ(trimmed(fastDiv(ref::mul(v, q), v)), q) << qn << " / " << vn << " limbs, exact";
        }
    }
    // The short-division pass for every divisor width below 10^8.
    for (int32_t lo : {1, 2, 3, 7, 9999}) {
        for (int32_t hi : {0, 1, 4999, 9999}) {
            const Limbs v = hi ? Limbs{lo, hi} : Limbs{lo};
            const Limbs u = g.limbs(41);
            EXPECT_EQ(fastDiv(u, v), ref::divq(u, v)) << lo << " " << hi;
        }
    }
}

TEST(KernelsDiff, AdditionSubtractionComparisonAndCuts) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 4);
    for (int n : PRECISIONS) {
        const int m = n / 2;  // h + 2: a sum's room
        for (int r = 0; r < 4 * rounds(n); ++r) {
            Limbs u = g.limbs(m), v = g.limbs(m);
            if (r % 3 == 0) {
                v = u;  // near-equal: one limb apart, or equal
                if (g.chance(70)) v[static_cast<size_t>(g.upTo(m) - 1)] = g.limb();
            }
            int32_t c = 0;
            Limbs w(u.size());
            const Limbs sum = ref::add(u, v, &c);
            ASSERT_EQ(kv::add_n(w.data(), u.data(), v.data(), m), c);
            ASSERT_EQ(w, sum) << "n " << n;
            const Limbs diff = ref::sub(u, v, &c);
            ASSERT_EQ(kv::sub_n(w.data(), u.data(), v.data(), m), c);
            ASSERT_EQ(w, diff) << "n " << n;
            Limbs inPlace = u;  // w may equal u
            kv::sub_n(inPlace.data(), inPlace.data(), v.data(), m);
            ASSERT_EQ(inPlace, diff);
            inPlace = u;
            kv::add_n(inPlace.data(), v.data(), inPlace.data(), m);
            ASSERT_EQ(inPlace, sum);
            ASSERT_EQ(kv::cmp_n(u.data(), v.data(), m), ref::cmp(u, v));

            // Cuts by d decimal digits, all four digit phases, past the end too.
            const int64_t d = r % 5 == 0 ? 4 * m + g.upTo(8) - 4 : g.upTo(12) - 1;
            const Limbs cut = ref::truncDigits(u, d);
            Limbs t(u.size(), -1);
            kv::trunc_digits(t.data(), u.data(), m, d);
            ASSERT_EQ(t, cut) << "d " << d;
            t = u;
            kv::trunc_digits(t.data(), t.data(), m, d);
            ASSERT_EQ(t, cut) << "in place, d " << d;
            // cmp_trunc against the cut itself, a neighbour and v.
            Limbs near = cut;
            near[static_cast<size_t>(g.upTo(m) - 1)] = g.limb();
            for (const Limbs* o : {&cut, static_cast<const Limbs*>(&near), static_cast<const Limbs*>(&v)})
                ASSERT_EQ(kv::cmp_trunc(u.data(), o->data(), m, d), ref::cmp(cut, *o)) << "d " << d;
        }
    }
}

TEST(KernelsDiff, LimbMoves) {
    Gen g(kvtest::seed() + 5);
    for (int n : {1, 2, 9, 64, 131}) {
        for (int k : {0, 1, 2, n - 1, n, n + 3}) {
            if (k < 0) continue;
            const Limbs u = g.limbs(n);
            Limbs up = u, down = u;
            kv::shift_up(up.data(), n, k);
            kv::shift_down(down.data(), n, k);
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(up[i], i >= k ? u[i - k] : 0) << n << " " << k;
                ASSERT_EQ(down[i], i + k < n ? u[i + k] : 0) << n << " " << k;
            }
            ASSERT_EQ(kv::top_n(u.data(), n), n - 1);
        }
    }
    const Limbs z(7, 0);
    EXPECT_EQ(kv::top_n(z.data(), 7), -1);
}

// ---- the number operations over the kernels, against a model built on the
// reference loops: the exact result of the limb arithmetic, then the cut of
// the normal form (the head limb at h = n/2 - 2, lower limbs dropped). This
// covers the precisions beyond the tables of arith_test (300, 1000 limbs).

namespace {

struct Model {
    Limbs m;  // magnitude, any length; empty or all zero for 0
    int64_t e = 0;
    bool neg = false;
};

Model fromNumber(const KVnum& x) {
    Model r;
    for (int i = 0; i <= x.Top(); ++i) r.m.push_back(x.Limb(i));
    r.e = x.Expo();
    r.neg = x.Minus();
    return r;
}

// The stored form of m x 10^e at n limbs: limbs 0..h and the exponent.
Model normal(const Model& a, int n) {
    const int h = n / 2 - 2;
    int t = static_cast<int>(a.m.size()) - 1;
    while (t >= 0 && a.m[t] == 0) --t;
    Model r;
    if (t < 0) return r;
    r.m.assign(static_cast<size_t>(h + 1), 0);
    for (int i = 0; i <= h; ++i)
        if (i + t - h >= 0) r.m[i] = a.m[i + t - h];
    r.e = a.e + 4 * static_cast<int64_t>(t - h);
    r.neg = a.neg;
    return r;
}

// m x 10^d, d >= 0: d/4 zero limbs below, then a product by 10^(d%4).
Limbs scaled(const Limbs& m, int64_t d) {
    Limbs r(static_cast<size_t>(d / 4), 0);
    const int32_t p[4] = {1, 10, 100, 1000};
    Limbs prod = ref::mul(m, Limbs{p[d % 4]});
    r.insert(r.end(), prod.begin(), prod.end());
    return r;
}

// |a| and |b| equal once the one with the smaller exponent is cut to the
// other's exponent (the comparison's alignment).
bool magnitudesEqual(const Model& a, const Model& b) {
    const int64_t e = std::max(a.e, b.e);
    Limbs x = trimmed(ref::truncDigits(a.m, e - a.e)), y = trimmed(ref::truncDigits(b.m, e - b.e));
    return x == y;
}

void expectSame(const KVnum& got, const Model& want, const std::string& what) {
    const Model g = fromNumber(got);
    ASSERT_EQ(g.e, want.e) << what;
    ASSERT_EQ(g.neg, want.neg) << what;
    ASSERT_EQ(trimmed(g.m), trimmed(want.m)) << what;
}

std::string randomNumberText(Gen& g, int n, int maxExp) {
    const int digits = g.upTo(4 * (n / 2 - 1));
    std::string s = g.chance(40) ? "-" : "";
    const Limbs l = g.limbs((digits + 3) / 4);
    std::string body = std::to_string(l.back());
    for (int i = static_cast<int>(l.size()) - 2; i >= 0; --i) {
        std::string t = std::to_string(l[i]);
        body += std::string(4 - t.size(), '0') + t;
    }
    s += body.substr(0, static_cast<size_t>(digits));
    return s + "e" + std::to_string(g.upTo(2 * maxExp + 1) - maxExp - 1);
}

}  // namespace

// Products, quotients and sums of numbers at the precisions given, against
// the reference loops on the numbers' limbs.
void numberOpsAgree(Gen& g, const std::vector<int>& precisions) {
    for (int n : precisions) {
        const int reps = n <= 131 ? 60 : n <= 300 ? 15 : 4;
        for (int r = 0; r < reps; ++r) {
            const std::string ta = randomNumberText(g, n, 40);
            // Divisors from tiny to large, so that quotients need the full
            // cut; some of a single digit (the short-division pass).
            std::string tb = r % 4 == 0 ? std::to_string(g.upTo(9999)) + "e" + std::to_string(g.upTo(80) - 60)
                                        : randomNumberText(g, n, r % 4 == 1 ? 4 * n : 40);
            KVnum a(n), b(n);
            a = ta.c_str();
            b = tb.c_str();
            const Model ma = fromNumber(a), mb = fromNumber(b);
            const std::string what = "n " + std::to_string(n) + ": " + ta + " op " + tb;

            KVnum p = a;
            p *= b;
            Model prod;
            prod.m = ref::mul(ma.m, mb.m);
            prod.e = ma.e + mb.e;
            prod.neg = ma.neg != mb.neg;
            expectSame(p, normal(prod, n), "* " + what);

            // Quotient: floor(|a| / |b|) on the grid of a's last limb. Equal
            // magnitudes and divisors of magnitude 1 have rules of their own
            // and are left to arith_test.
            Model one;
            one.m = Limbs{1};
            if (magnitudesEqual(ma, mb) || magnitudesEqual(mb, one)) continue;
            KVnum q = a;
            q /= b;
            Model quo;
            Limbs num = ma.m, den = mb.m;
            if (mb.e <= 0)
                num = scaled(num, -mb.e);
            else
                den = scaled(den, mb.e);
            num = trimmed(num);
            den = trimmed(den);
            if (num.size() >= den.size()) quo.m = ref::divq(num, den);
            quo.e = ma.e;
            quo.neg = ma.neg != mb.neg;
            expectSame(q, normal(quo, n), "/ " + what);

            // Sum of magnitudes (+ for equal signs, - for opposite ones): both
            // cut to the larger exponent first; the sign is a's.
            KVnum s = a;
            if (a.Minus() != b.Minus())
                s -= b;
            else
                s += b;
            Model sum;
            const int64_t e = std::max(ma.e, mb.e);
            Limbs x = ref::truncDigits(ma.m, e - ma.e), y = ref::truncDigits(mb.m, e - mb.e);
            const size_t len = std::max(x.size(), y.size()) + 1;
            x.resize(len, 0);
            y.resize(len, 0);
            int32_t c = 0;
            sum.m = ref::add(x, y, &c);
            sum.e = e;
            sum.neg = ma.neg;
            expectSame(s, normal(sum, n), "+ " + what);
        }
    }
}

TEST(NumberDiff, ProductsQuotientsAndSumsAtEveryPrecision) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 6);
    numberOpsAgree(g, std::vector<int>(std::begin(PRECISIONS), std::end(PRECISIONS)));
}

TEST(NumberDiff, ProductsAndQuotientsByTransformsAndNewton) {
    // The same operations with the transform product and the Newton
    // quotient reaching down to these precisions.
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Gen g(seed + 7);
    const Thresholds low(8, 8);
    numberOpsAgree(g, {64, 131, 300, 1000});
}
