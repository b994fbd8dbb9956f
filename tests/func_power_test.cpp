// Fpower, Afpower, Alog and Iroot.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Func.h"
#include "KVnum.h"
#include "data/func_check.h"
#include "kvtest.h"

using funccheck::agreesWith;
using funccheck::num;
using funccheck::row;
using funccheck::same;

namespace {

std::string one(int n) { return kvtest::str(num(n, 1)); }

// -------------------------------------------------------------------- Fpower

TEST(Fpower, ExactOnes) {
    // x^0 = 1 for any positive x, 1^y = 1 for any y: Ln(1) is exactly 0 and
    // the series of 0 is exactly 1.
    for (int n : {9, 40}) {
        Func f(n);
        KVnum zero = num(n, 0), unit = num(n, 1);
        for (const char* x : {"2", "0.5", "1e10", "1e-300", "123.456"}) {
            KVnum b = num(n, x);
            EXPECT_EQ(kvtest::str(*f.Fpower(&b, &zero)), one(n)) << x << "^0";
        }
        for (const char* y : {"3", "-7.5", "1e6"}) {
            KVnum e = num(n, y);
            EXPECT_EQ(kvtest::str(*f.Fpower(&unit, &e)), one(n)) << "1^" << y;
        }
    }
}

TEST(Fpower, NonPositiveBaseIsRefusedWithOne) {
    for (const char* x : {"0", "-2"}) {
        kvtest::ErrorLog log;
        Func f(9);
        KVnum b = num(9, x), e = num(9, "2.5");
        EXPECT_EQ(kvtest::str(*f.Fpower(&b, &e)), one(9)) << x;
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_EQ(log.messages()[0], "x must be greater than 0");
    }
}

TEST(Fpower, AgreesWithOracle) {
    // 2^3 goes through the logarithm and the series like any other power.
    const char* cases[][2] = {{"3", "1.5"}, {"2", "0.5"}, {"2", "3"}, {"0.3", "-2"}};
    for (int n : {40, 130}) {
        Func f(n);
        for (const auto& c : cases) {
            KVnum x = num(n, c[0]), y = num(n, c[1]);
            EXPECT_TRUE(agreesWith(*f.Fpower(&x, &y), row("Fpower", c[0], c[1])))
                << c[0] << "^" << c[1];
        }
    }
}

TEST(Fpower, SameSeriesAsAln) {
    // e^(y ln x) summed exactly as Aln sums it: the same digits for the same L.
    for (int n : {9, 40}) {
        Func f(n), g(n);
        for (const char* x : {"3", "0.02", "1e40"}) {
            KVnum b = num(n, x), y = num(n, "-0.75");
            KVnum L(*g.Ln(&b));
            L *= y;
            KVnum want(*g.Aln(&L));
            EXPECT_TRUE(same(*f.Fpower(&b, &y), want)) << x << " at " << n;
        }
    }
}

// ------------------------------------------------------------------- Afpower

TEST(Afpower, AgreesWithOracle) {
    const char* cases[][2] = {{"2", "8"}, {"10", "1e50"}, {"0.5", "3"}};
    for (int n : {40, 130}) {
        Func f(n);
        for (const auto& c : cases) {
            KVnum x = num(n, c[0]), y = num(n, c[1]);
            EXPECT_TRUE(agreesWith(*f.Afpower(&x, &y), row("Afpower", c[0], c[1])))
                << "log_" << c[0] << " " << c[1];
        }
    }
}

TEST(Afpower, IsLnOverLn) {
    Func f(20), g(20);
    KVnum x = num(20, "0.9"), y = num(20, "7");
    KVnum want(*g.Ln(&y));
    KVnum lx(*g.Ln(&x));
    want /= lx;
    EXPECT_TRUE(same(*f.Afpower(&x, &y), want));
}

TEST(Afpower, NonPositiveValueIsRefusedWithZero) {
    kvtest::ErrorLog log;
    Func f(9);
    KVnum x = num(9, 2), y = num(9, "-1");
    EXPECT_TRUE(f.Afpower(&x, &y)->IsZero());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "x must be greater than 0");
}

void afpowerOfFive(const char* base) {
    Func f(9);
    KVnum x = num(9, base), y = num(9, 5);
    f.Afpower(&x, &y);
}

TEST(AfpowerDeathTest, BaseOneOrNonPositiveDividesByZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* base : {"1", "0", "-3"})
        EXPECT_EXIT(afpowerOfFive(base), ::testing::ExitedWithCode(EXIT_FAILURE), "Division by zero")
            << base;
}

// ---------------------------------------------------------------------- Alog

TEST(Alog, OfZeroIsExactlyOne) {
    for (int n : {9, 40}) {
        Func f(n);
        KVnum zero = num(n, 0);
        EXPECT_EQ(kvtest::str(*f.Alog(&zero)), one(n));
    }
}

TEST(Alog, AgreesWithOracle) {
    for (int n : {40, 130}) {
        Func f(n);
        for (const char* a : {"0.5", "-2.5"}) {
            KVnum x = num(n, a);
            EXPECT_TRUE(agreesWith(*f.Alog(&x), row("Alog", a))) << "10^" << a;
        }
    }
}

TEST(Alog, IsFpowerOfTen) {
    // ln 10 comes from the series, not from LN10_DIGITS.
    Func f(20), g(20);
    KVnum x = num(20, "1.7"), ten = num(20, 10);
    KVnum want(*g.Fpower(&ten, &x));
    EXPECT_TRUE(same(*f.Alog(&x), want));
}

// --------------------------------------------------------------------- Iroot

TEST(Iroot, OfZeroIsZero) {
    for (int n : {2, 3, 4, 7}) {
        Func f(9);
        KVnum zero = num(9, 0);
        EXPECT_TRUE(f.Iroot(&zero, n)->IsZero()) << n;
    }
}

TEST(Iroot, RefusedIndicesAndEvenRootsOfNegatives) {
    struct {
        const char* x;
        int n;
        const char* message;
    } cases[] = {
        {"8", 1, "Root must be greater than one."},
        {"8", 0, "Root must be greater than one."},
        {"8", -3, "Root must be greater than one."},
        {"-8", 1, "Root must be greater than one."},
        {"-4", 2, "x must not be negative for an even root."},
        {"-0.5", 4, "x must not be negative for an even root."},
    };
    for (const auto& c : cases) {
        kvtest::ErrorLog log;
        Func f(9);
        KVnum two = num(9, 2), x = num(9, c.x);
        f.Ln(&two);
        EXPECT_TRUE(f.Iroot(&x, c.n)->IsZero()) << c.x << ", " << c.n;
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_EQ(log.messages()[0], c.message);
    }
}

TEST(Iroot, AgreesWithOracle) {
    // Iroot(-8, 3): an odd root of a negative number by the same iteration.
    // Iroot(3.14, 3) at 130 limbs cycles and ends by the repeat rule.
    struct {
        const char* x;
        const char* n;
    } cases[] = {{"2", "2"}, {"10", "3"}, {"-8", "3"},   {"3.14", "3"},
                 {"0.5", "2"}, {"2", "7"}, {"1e300", "2"}, {"-1e-20", "5"}};
    for (int n : {40, 130}) {
        Func f(n);
        for (const auto& c : cases) {
            KVnum x = num(n, c.x);
            EXPECT_TRUE(agreesWith(*f.Iroot(&x, std::atoi(c.n)), row("Iroot", c.x, c.n)))
                << "root " << c.n << " of " << c.x;
        }
    }
}

TEST(Iroot, FarFromTheRootTheStepIsNotLost) {
    // From x / n the correction (r^n - x) / (n r^(n-1)) is cut at the weight
    // of r^n's last limb; for these arguments it would be 0 and the plain
    // loop would stop at its start (x / 2 for the square root of 1e300).
    Func f(40);
    KVnum x = num(40, "1e-300");
    EXPECT_TRUE(agreesWith(*f.Iroot(&x, 3), row("Iroot", "1e-300", "3")));
    Func g(9);
    for (const char* a : {"1e12", "1e40", "5e99"}) {
        KVnum y = num(9, a);
        KVnum r(*g.Iroot(&y, 2));
        KVnum sq(40);
        sq = r;
        sq *= sq;
        EXPECT_TRUE(funccheck::agreesTo(sq, a, 7)) << "sqrt " << a << " = " << kvtest::str(r);
    }
}

TEST(Iroot, MatchesTheReferenceIteration) {
    // x from 0.01 to 9.99 in steps of 0.03 (cube roots) or 0.11 (other
    // roots) at 9 limbs, assigned from text, against a plain reference with a one-by-one
    // search for repeats: where the plain loop ends, its result; where the
    // estimates cycle, the smallest of the cycle. Many cube roots cycle.
    Func f(9);
    int cycled = 0, total = 0;
    for (int n : {2, 3, 4, 5}) {
        const int step = n == 3 ? 3 : 11;
        for (int i = 1; i < 1000; i += step) {
            char text[16];
            std::snprintf(text, sizeof text, "%d.%02d", i / 100, i % 100);
            KVnum x = num(9, text);
            bool c = false;
            KVnum want = funccheck::refIroot(x, n, &c);
            KVnum* got = f.Iroot(&x, n);
            ASSERT_TRUE(same(*got, want)) << "root " << n << " of " << kvtest::str(x)
                                          << ": got " << kvtest::str(*got) << ", want "
                                          << kvtest::str(want);
            // An independent check of the value: r^n agrees with x.
            KVnum p(20), xx(20), nn = num(20, n);
            p = *got;
            p ^= nn;
            xx = x;
            ASSERT_TRUE(funccheck::agreesTo(p, kvtest::str(xx).c_str(), 7))
                << "root " << n << " of " << kvtest::str(x);
            cycled += c;
            ++total;
        }
    }
    EXPECT_GT(cycled, total / 5) << "the sweep should exercise the repeat rule";
}

TEST(Iroot, KnownCyclesEnd) {
    // Neither repeats a single value: the plain loop would never end.
    Func f9(9);
    KVnum x = num(9, "1.01");
    bool c = false;
    KVnum want = funccheck::refIroot(x, 3, &c);
    EXPECT_TRUE(c);
    EXPECT_TRUE(same(*f9.Iroot(&x, 3), want));

    Func f(130);
    KVnum y = num(130, "3.14");
    KVnum r(*f.Iroot(&y, 3));
    // r is the smallest member of its cycle: stepping from r returns to r
    // through estimates that are all larger.
    KVnum s = funccheck::newtonStep(r, y, 3);
    int len = 1;
    while ((s == r) != 0 && len < 100) {
        EXPECT_GT(s == r, 0);
        s = funccheck::newtonStep(s, y, 3);
        ++len;
    }
    EXPECT_GT(len, 1);
    EXPECT_LT(len, 100);
}

// ---------------------------------------------------------- res as argument

TEST(PowerAliasing, ResAsTheArgumentsThatMayBeRes) {
    // The base of Fpower, the first argument of Afpower and the argument of
    // Iroot are read before res is written.
    for (const char* a : {"0.3", "4"}) {
        Func f(20), g(20);
        KVnum x = num(20, a), y = num(20, "1.25");

        KVnum* r = f.Aln(&x);
        KVnum copy(*r);
        KVnum want(*g.Fpower(&copy, &y));
        EXPECT_TRUE(same(*f.Fpower(r, &y), want)) << "Fpower " << a;

        f.Aln(&x);
        KVnum want2(*g.Afpower(&copy, &y));
        EXPECT_TRUE(same(*f.Afpower(r, &y), want2)) << "Afpower " << a;

        f.Aln(&x);
        KVnum want3(*g.Iroot(&copy, 3));
        EXPECT_TRUE(same(*f.Iroot(r, 3), want3)) << "Iroot " << a;
    }
}

}  // namespace
