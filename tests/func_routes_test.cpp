// Arguments where the function library used to end the process, run without
// end, report an intermediate's overflow, or return a number with no right
// digit: each must now give at least half of the digits its precision holds
// (2h of the 4h + 1 sure digits, h = n/2 - 2) or its refusal, and report
// nothing else. And the bounds that choose between the plain steps and
// another route, from both sides: just inside, the digits of the plain steps
// exactly; just outside, the other route, right.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <string>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "data/func_check.h"
#include "data/route_oracle.h"
#include "func/LimbScale.h"
#include "func/Scratch.h"
#include "kvtest.h"

namespace {

using funccheck::num;
using funccheck::same;

int halfDigits(int n) { return 2 * (n / 2 - 2); }

// The leading digits and the exponent, without the full text (which for
// 1e1100000000 would be a thousand million digits).
std::string brief(const KVnum& v) {
    if (v.IsZero()) return "0";
    std::string s = v.Minus() ? "-" : "";
    for (int i = v.Top(); i >= 0 && i > v.Top() - 8; --i) {
        std::string l = std::to_string(v.Limb(i));
        if (i != v.Top()) l.insert(0, 4 - l.size(), '0');
        s += l;
    }
    return s + "... (limb 0 at 10^" + std::to_string(v.Expo()) + ")";
}

// got agrees with the text want to a relative error of 10^-digits.
::testing::AssertionResult close(const KVnum& got, const char* want, int digits) {
    const int w = got.Nlimbs() + 10;
    KVnum g(w), o(w), d(w), tol(w);
    g = got;
    o = want;
    d = g;
    d -= o;
    d = funccheck::absOf(d);
    tol = ("1e-" + std::to_string(digits)).c_str();
    tol *= funccheck::absOf(o);
    if ((d == tol) <= 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << brief(g) << ", want " << std::string(want).substr(0, 60);
}

// The method named in a row, on arguments of the Func's precision.
KVnum* call(Func& f, const std::string& m, KVnum& a, KVnum& b, const char* btext) {
    if (m == "Ln") return f.Ln(&a);
    if (m == "Log") return f.Log(&a);
    if (m == "Aln") return f.Aln(&a);
    if (m == "Alog") return f.Alog(&a);
    if (m == "Fpower") return f.Fpower(&a, &b);
    if (m == "Afpower") return f.Afpower(&a, &b);
    if (m == "Iroot") return f.Iroot(&a, std::atoi(btext));
    if (m == "Sin") return f.Sin(&a);
    if (m == "Cos") return f.Cos(&a);
    if (m == "Tan") return f.Tan(&a);
    if (m == "Arctan") return f.Arctan(&a);
    if (m == "Arcsin") return f.Arcsin(&a);
    if (m == "Arccos") return f.Arccos(&a);
    if (m == "Factorial") return f.Factorial(&a);
    ADD_FAILURE() << "no method " << m;
    return f.Pi();
}

TEST(Routes, EveryCaseIsRightToHalfItsDigitsOrRefused) {
    for (const RouteOracle& r : kRouteOracle) {
        const std::string what = std::string(r.method) + "(" + r.a + (*r.b ? ", " : "") + r.b + ") at " +
                                 std::to_string(r.n);
        kvtest::ErrorLog log;
        Func f(r.n);
        KVnum a = num(r.n, r.a), b(r.n);
        if (*r.b && std::string(r.method) != "Iroot") b = r.b;
        KVnum got(*call(f, r.method, a, b, r.b));
        if (r.value[0] == '!') {
            EXPECT_TRUE(got.IsZero()) << what;
            ASSERT_EQ(log.messages().size(), 1u) << what;
            EXPECT_EQ(log.messages()[0], r.value + 1) << what;
        } else {
            EXPECT_TRUE(log.messages().empty()) << what << ": " << log.messages().front();
            EXPECT_TRUE(close(got, r.value, halfDigits(r.n))) << what;
        }
    }
}

// ---- The plain steps, for the inside of each bound -------------------------

// e^x = 1 + x + x^2/2! + ..., power and factorial carried, until the sum
// stops changing.
KVnum plainExp(const KVnum& x) {
    const int n = x.Nlimbs();
    KVnum one = num(n, 1), p(x), f = num(n, 1), k = num(n, 1), S = num(n, 1), P(n), t(n);
    S += x;
    do {
        P = S;
        p *= x;
        k += one;
        f *= k;
        t = p;
        t /= f;
        S += t;
    } while ((S == P) != 0);
    return S;
}

// sin x = x - x^3/3! + ... or cos x = 1 - x^2/2! + ..., the same way.
KVnum plainTrig(const KVnum& x, bool cosine) {
    const int n = x.Nlimbs();
    KVnum one = num(n, 1), p(n), f = num(n, 1), k(n), S(n), P(n), t(n);
    p = cosine ? one : x;
    k = cosine ? 0 : 1;
    S = p;
    int c = 0;
    do {
        P = S;
        p *= x;
        p *= x;
        k += one;
        f *= k;
        k += one;
        f *= k;
        t = p;
        t /= f;
        if (++c % 2)
            S -= t;
        else
            S += t;
    } while ((S == P) != 0);
    return S;
}

// The inside arguments of the oracle's two-sided rows (gen_route_oracle.py).
TEST(RouteBounds, JustInsideThePlainDigitsStay) {
    struct Inside {
        int n;
        const char* method;
        const char* a;
    } cases[] = {
        {9, "Aln", "2.6"},    {9, "Aln", "-1.7"},  {20, "Aln", "3.8"},  {20, "Aln", "-3.0"},
        {130, "Aln", "7.7"},  {130, "Aln", "-6.95"}, {9, "Sin", "2.0"},  {20, "Sin", "3.0"},
        {130, "Sin", "7.3"},  {9, "Cos", "1.45"},   {20, "Cos", "3.3"}, {130, "Cos", "7.28"},
    };
    for (const Inside& c : cases) {
        Func f(c.n);
        KVnum x = num(c.n, c.a);
        const std::string m = c.method;
        KVnum want = m == "Aln" ? plainExp(x) : plainTrig(x, m == "Cos");
        KVnum b(c.n);
        EXPECT_TRUE(same(*call(f, m, x, b, ""), want)) << m << "(" << c.a << ") at " << c.n;
    }
}

// x^y by the plain steps: the logarithm series, the product, the
// exponential series.
KVnum plainPower(const KVnum& x, const KVnum& y) {
    KVnum L = funccheck::refLnSeries(x);
    L *= y;
    return plainExp(L);
}

// The edge of the bound counted from the cuts (the oracle's last rows): the
// same argument just inside at one precision and just outside at a lower one.
// Inside, the plain steps keep half the digits and the method gives their
// digits exactly; outside, they miss half and the method does not give them.
TEST(RouteBounds, CountedBoundEdges) {
    struct Edge {
        int n;
        const char* method;
        const char* a;
        const char* b;
        bool inside;
    } edges[] = {
        {9, "Cos", "3", "", false},      {10, "Cos", "3", "", true},    {13, "Cos", "3", "", true},
        {9, "Aln", "-2.5", "", false},   {10, "Aln", "-2.5", "", true}, {13, "Aln", "-2.5", "", true},
        {13, "Aln", "3.7", "", false},   {10, "Sin", "3", "", false},   {9, "Fpower", "0.5", "3", true},
        {10, "Fpower", "0.5", "3", true}, {33, "Alog", "2", "", true},   {20, "Alog", "2", "", false},
    };
    for (const Edge& e : edges) {
        const std::string m = e.method, what = m + "(" + e.a + ") at " + std::to_string(e.n);
        const char* want = nullptr;
        for (const RouteOracle& r : kRouteOracle)
            if (r.n == e.n && m == r.method && std::string(r.a) == e.a && std::string(r.b) == e.b) want = r.value;
        ASSERT_NE(want, nullptr) << what;
        Func f(e.n);
        KVnum x = num(e.n, e.a), y = num(e.n, *e.b ? e.b : "0");
        KVnum plain = m == "Aln"      ? plainExp(x)
                      : m == "Cos"    ? plainTrig(x, true)
                      : m == "Sin"    ? plainTrig(x, false)
                      : m == "Alog"   ? plainPower(num(e.n, 10), x)
                                      : plainPower(x, y);
        KVnum got(*call(f, m, x, y, e.b));
        EXPECT_EQ(static_cast<bool>(close(plain, want, halfDigits(e.n))), e.inside) << what;
        EXPECT_EQ(same(got, plain), e.inside) << what;
    }
}

// The error counted from the cuts bounds the true error, at every precision
// near the edges and whether or not it proves half the digits: a cut
// counted on the wrong side, or too small, shows up here first.
TEST(RouteBounds, CountedErrorIsABound) {
    std::unique_ptr<kvfunc::Scratch> sc(kvfunc::newScratch());
    for (const CountedOracle& c : kCountedOracle) {
        const std::string s = c.series;
        for (int n : {9, 10, 13, 20, 33}) {
            KVnum x = num(n, c.a), out(n);
            long double err = 0;
            if (s == "exp")
                kvfunc::expSeries(*sc, x, out, n, &err);
            else if (s == "ln")
                kvfunc::lnAt(*sc, x, out, n, &err);
            else
                kvfunc::trigSeries(*sc, x, out, n, s == "cos", &err);
            KVnum d(80), v(80);
            d = out;
            v = c.value;
            d -= v;
            if (!d.IsZero()) {
                EXPECT_LE(kvfunc::log10Abs(d), err + 1e-12L) << s << "(" << c.a << ") at " << n;
            }
        }
    }
}

TEST(RouteBounds, LnNearOne) {
    // |x - 1| = 3 10^-h: x - 1 formed by the plain subtraction (the digits of
    // the plain series); 3 10^-(h+2): formed exactly (oracle rows).
    for (int n : {9, 20, 130}) {
        const int h = n / 2 - 2;
        for (const std::string& a : {"1." + std::string(h - 1, '0') + "3", "0." + std::string(h - 1, '9') + "7"}) {
            Func f(n);
            KVnum x = num(n, a.c_str());
            EXPECT_TRUE(same(*f.Ln(&x), funccheck::refLnSeries(x))) << a;
        }
    }
}

TEST(RouteBounds, FactorialAndAfpowerAtNineLimbs) {
    // 999! keeps the products at 9 limbs (999 < 10^(2h-1)); 1000! takes
    // guard limbs (oracle row).
    Func f(9);
    KVnum x = num(9, 999), p = num(9, 999), k = num(9, 999), one = num(9, 1);
    while ((k == one) != 0) {
        k -= one;
        p *= k;
    }
    EXPECT_TRUE(same(*f.Factorial(&x), p));
    // ln(1e433) = 997.0 < 10^(2h-1): the plain quotient ln 7 / ln x;
    // 1e435 (oracle row) has its divisor scaled first.
    Func g(9);
    KVnum base = num(9, "1e433"), seven = num(9, 7);
    KVnum want(*g.Ln(&seven)), lnb(*g.Ln(&base));
    want /= lnb;
    EXPECT_TRUE(same(*f.Afpower(&base, &seven), want));
}

TEST(RouteBounds, IrootPlainWhereItsPassesAreFew) {
    // The square root of 1e300 at 130 limbs takes some 500 plain passes and
    // stays on the plain iteration; the oracle rows hold the far ones.
    Func f(130);
    KVnum x = num(130, "1e300");
    bool cycled = false;
    EXPECT_TRUE(same(*f.Iroot(&x, 2), funccheck::refIroot(x, 2, &cycled)));
    Func g(9);
    KVnum y = num(9, "3.7");
    EXPECT_TRUE(same(*g.Iroot(&y, 5), funccheck::refIroot(y, 5, &cycled)));
}

TEST(RouteBounds, ArctanOfHugeXIsThePlainSeriesValue) {
    // Past |x| = 10^(2h+2) x*x is not formed; what comes out is what the
    // series in 1/x gives there: pi/2 - 1/x (pi/2 alone past 10^(4h+8)), on
    // both sides of each bound.
    for (int n : {9, 20, 130}) {
        const int h = n / 2 - 2;
        Func f(n);
        KVnum half = num(n, PI_DIGITS), two = num(n, 2);
        half /= two;
        for (int e : {2 * h + 2, 2 * h + 3, 4 * h + 8, 4 * h + 9}) {
            for (const char* sign : {"", "-"}) {
                KVnum x = num(n, (std::string(sign) + "1e" + std::to_string(e)).c_str());
                KVnum want(half), t = num(n, 1), ax = funccheck::absOf(x);
                t /= ax;
                want -= t;
                if (*sign) {
                    KVnum z(n);
                    z -= want;
                    want = z;
                }
                EXPECT_TRUE(same(*f.Arctan(&x), want)) << sign << "1e" << e << " at " << n;
            }
        }
    }
}

TEST(RouteBounds, ArgumentsOfAnotherPrecisionAreCutFirst) {
    // Arctan near x*x = 1 once read its argument at four limbs more than the
    // Func's precision; every method cuts it first.
    Func f(20);
    KVnum wide(40), cut(20);
    wide = "0.99123456789012345678901234567890123456789012345678901234567";
    cut = wide;
    KVnum want(*f.Arctan(&cut));
    EXPECT_TRUE(same(*f.Arctan(&wide), want));
    want = *f.Sin(&cut);
    EXPECT_TRUE(same(*f.Sin(&wide), want));
}

// ---- Text output the heap cannot hold ------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define KV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ASAN 1
#endif
#endif

void withHeapOf1GB() {
    rlimit r{1UL << 30, 1UL << 30};
    setrlimit(RLIMIT_AS, &r);
}

TEST(TextOutputDeathTest, TextThatCannotBeAllocatedIsTheFatalReport) {
#ifdef KV_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto fatal = ::testing::ExitedWithCode(EXIT_FAILURE);
    EXPECT_EXIT(
        {
            withHeapOf1GB();
            KVnum x = num(9, "1.5");
            x.String(2000000000, false);
        },
        fatal, "Memory allocation failure.");
    EXPECT_EXIT(
        {
            withHeapOf1GB();
            KVnum x = num(9, "1e2000000000");
            x.BtoB(10, 10, "");
        },
        fatal, "Memory allocation failure.");
}

}  // namespace
