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

#include "kernels.h"
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
    // The short-division pass for every divisor width below 10^8.
    Gen g(kvtest::seed() + 3);
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
