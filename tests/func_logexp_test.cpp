// Ln, Aln, Log, LntoLog and the stored text LN10_DIGITS.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "data/func_check.h"
#include "data/route_oracle.h"
#include "kvtest.h"

using funccheck::num;
using funccheck::same;

namespace {

std::string digitsFrom(const char* cmd) {
    std::string out, digits;
    if (FILE* p = popen(cmd, "r")) {
        char buf[512];
        for (size_t k; (k = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, k);
        pclose(p);
    }
    for (char c : out)  // bc breaks long lines with a backslash
        if ((c >= '0' && c <= '9') || c == '.') digits += c;
    return digits;
}

TEST(Ln10Digits, RecomputedIndependently) {
    // ln 10 to 1100 digits by Python's decimal module, or by bc; the first
    // 1010 characters are compared (the places after the 1008th are neither
    // all 9s nor all 0s, so cutting a correctly rounded value is safe).
    std::string want = digitsFrom(
        "python3 -c \"from decimal import Decimal, getcontext; getcontext().prec = 1100; "
        "print(Decimal(10).ln())\" 2>/dev/null");
    if (want.size() < 1010) want = digitsFrom("echo 'scale=1030; l(10)' | bc -l 2>/dev/null");
    ASSERT_GE(want.size(), 1010u) << "neither python3 nor bc could be run";
    EXPECT_EQ(std::strlen(LN10_DIGITS), 1010u);
    EXPECT_EQ(std::string(LN10_DIGITS), want.substr(0, 1010));
}

TEST(LogExp, AgreesWithOracle) {
    for (int n : {40, 130}) {
        Func f(n);
        for (const FuncOracle& r : kFuncOracle) {
            const std::string m = r.method, a = r.a;
            if (m != "Ln" && m != "Aln" && m != "Log") continue;
            // The ends of the plain range take ~15000 passes at 130 limbs.
            if (n == 130 && (a == "100" || a == "0.01")) continue;
            EXPECT_TRUE(funccheck::agreesWith(funccheck::call(f, r), r)) << m << "(" << a << ")";
        }
    }
}

TEST(LogExp, ExactResults) {
    // Ln(1): y is 0 and no term is summed. Aln(0): one pass adds the term 0.
    for (int n : {9, 130}) {
        Func f(n);
        KVnum one = num(n, 1), zero = num(n, 0);
        EXPECT_TRUE(f.Ln(&one)->IsZero());
        EXPECT_EQ(kvtest::str(*f.Aln(&zero)), kvtest::str(one));
        EXPECT_TRUE(f.LntoLog(&zero)->IsZero());
    }
}

TEST(LogExp, NonPositiveArgumentsAreRefusedWithZero) {
    typedef KVnum* (Func::*Method)(KVnum*);
    for (Method m : {&Func::Ln, &Func::Log}) {
        for (const char* x : {"0", "-2", "-1e-300"}) {
            kvtest::ErrorLog log;
            Func f(9);
            KVnum two = num(9, 2), v = num(9, x);
            f.Ln(&two);  // leave a non-zero result behind
            KVnum* r = (f.*m)(&v);
            EXPECT_TRUE(r->IsZero() && kvtest::normalForm(*r)) << x;
            ASSERT_EQ(log.messages().size(), 1u) << x;
            EXPECT_EQ(log.messages()[0], "x must be greater than 0");
        }
    }
}

TEST(Ln, PlainSeriesInsideTheBound) {
    // From 0.01 to 100, both ends included, the digits are exactly those of
    // the plain series; outside, the reduced path meets the oracle
    // (AgreesWithOracle: 100.5, 0.00999 and the far arguments).
    const char* args[] = {"0.01", "0.0100001", "0.5", "1.0001", "2", "10", "99.99", "100"};
    for (int n : {9, 13, 20}) {
        Func f(n);
        for (const char* a : args) {
            KVnum x = num(n, a);
            EXPECT_TRUE(same(*f.Ln(&x), funccheck::refLnSeries(x))) << a << " at " << n;
        }
    }
}

TEST(Log, SameDivisionAsLntoLogOfLn) {
    // Both divide by ln 10 as the text reads at the working precision:
    // 2n - 4 characters (at 130 limbs ln 10 cut after its 254th place).
    for (int n : {9, 130}) {
        Func f(n), g(n);
        for (const char* a : {"7", "1e50"}) {
            KVnum x = num(n, a);
            KVnum want(*f.Log(&x));
            KVnum l(*g.Ln(&x));
            EXPECT_TRUE(same(*g.LntoLog(&l), want)) << a << " at " << n;
            KVnum t(n);
            t = std::string(LN10_DIGITS).substr(0, 2 * n - 4).c_str();
            l /= t;
            EXPECT_TRUE(same(l, want)) << a << " at " << n;
        }
    }
    // From 507 limbs on a number holds more digits than the text: ln 10 is
    // computed, so 1 / ln 10 is right beyond the text's 1008 places.
    Func f(600);
    KVnum one = num(600, 1), textual = num(600, 1), t = num(600, LN10_DIGITS);
    textual /= t;
    KVnum got(*f.LntoLog(&one));
    EXPECT_TRUE(funccheck::agreesTo(got, kLog10E, 1180));
    EXPECT_FALSE(funccheck::agreesTo(textual, kLog10E, 1020));
}

TEST(LogExp, ResAsArgumentMatchesACopy) {
    // All four read their argument before they write res.
    typedef KVnum* (Func::*Method)(KVnum*);
    for (Method m : {&Func::Ln, &Func::Aln, &Func::Log, &Func::LntoLog}) {
        for (const char* a : {"0.3", "4", "-50"}) {
            Func f(20), g(20);
            KVnum x = num(20, a);
            KVnum* r = f.Aln(&x);  // res holds e^a
            KVnum copy(*r);
            KVnum want(*(g.*m)(&copy));
            EXPECT_TRUE(same(*(f.*m)(r), want)) << "of res = e^" << a;
        }
    }
}

}  // namespace
