// Ln, Aln, Log, LntoLog and the stored text LN10_DIGITS.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
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

// ---------------------------------------------------------------- LN10_DIGITS

std::string runCommand(const char* cmd) {
    std::string out;
    if (FILE* p = popen(cmd, "r")) {
        char buf[512];
        size_t k;
        while ((k = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, k);
        pclose(p);
    }
    std::string digits;  // bc breaks long lines with a backslash
    for (char c : out)
        if ((c >= '0' && c <= '9') || c == '.') digits += c;
    return digits;
}

TEST(Ln10Digits, ShapeAndPrefix) {
    EXPECT_EQ(std::strlen(LN10_DIGITS), 1010u);
    EXPECT_EQ(std::string(LN10_DIGITS).substr(0, 80),
              "2.302585092994045684017991454684364207601101488628772976033327900967572609677352");
}

TEST(Ln10Digits, RecomputedIndependently) {
    // ln 10 to 1100 digits by Python's decimal module, or by bc; either way
    // the first 1010 characters are compared (the digits after the 1008th
    // place are not 9s or 0s, so cutting a correctly rounded value is safe).
    std::string want = runCommand(
        "python3 -c \"from decimal import Decimal, getcontext; getcontext().prec = 1100; "
        "print(Decimal(10).ln())\" 2>/dev/null");
    if (want.size() < 1010) want = runCommand("echo 'scale=1030; l(10)' | bc -l 2>/dev/null");
    ASSERT_GE(want.size(), 1010u) << "neither python3 nor bc could be run";
    EXPECT_EQ(std::string(LN10_DIGITS), want.substr(0, 1010));
}

TEST(Ln10Digits, PrecisionDecidesHowMuchIsRead) {
    // LntoLog(1) is 1 divided by ln 10 as text assignment reads it at the
    // working precision: 2n - 4 characters (256 at 130 limbs, ln 10 cut
    // after its 254th place), the whole text from 507 limbs on.
    for (int n : {130, 507, 600}) {
        Func f(n);
        KVnum one = num(n, 1), l(n);
        const size_t chars = std::min<size_t>(2 * n - 4, 1010);
        l = std::string(LN10_DIGITS).substr(0, chars).c_str();
        KVnum want = one;
        want /= l;
        EXPECT_TRUE(same(*f.LntoLog(&one), want)) << n << " limbs";
    }
}

// ------------------------------------------------------------------------ Ln

TEST(Ln, OfOneIsExactlyZero) {
    for (int n : {9, 130}) {
        Func f(n);
        KVnum one = num(n, 1);
        KVnum* r = f.Ln(&one);
        EXPECT_TRUE(r->IsZero());
        EXPECT_TRUE(kvtest::normalForm(*r));
    }
}

TEST(Ln, RefusesZeroAndNegative) {
    for (const char* x : {"0", "-2", "-1e-300"}) {
        kvtest::ErrorLog log;
        Func f(9);
        KVnum two = num(9, 2), v = num(9, x);
        f.Ln(&two);  // leave a non-zero result behind
        KVnum* r = f.Ln(&v);
        EXPECT_TRUE(r->IsZero()) << x;
        EXPECT_FALSE(r->Minus());
        ASSERT_EQ(log.messages().size(), 1u) << x;
        EXPECT_EQ(log.messages()[0], "x must be greater than 0");
    }
}

TEST(Ln, AgreesWithOracle) {
    const char* args[] = {"2", "10", "0.5", "7", "1e10", "1e-10", "1e100", "1e-300",
                          "100.5", "0.00999", "3.7e12345", "9.99e2000000000",
                          "1.01e-2000000000"};
    for (int n : {40, 130}) {
        Func f(n);
        for (const char* a : args) {
            KVnum x = num(n, a);
            EXPECT_TRUE(agreesWith(*f.Ln(&x), row("Ln", a))) << "Ln(" << a << ")";
        }
    }
}

TEST(Ln, PlainSeriesInsideTheBound) {
    // From 0.01 to 100 (both ends included) the digits are exactly those of
    // the plain series; just outside, the reduced path still meets the
    // oracle (AgreesWithOracle: 100.5 and 0.00999).
    const char* args[] = {"0.01", "0.0100001", "0.5", "1.0001", "2", "10", "99.99", "100"};
    for (int n : {9, 13, 20}) {
        Func f(n);
        for (const char* a : args) {
            KVnum x = num(n, a);
            KVnum want = funccheck::refLnSeries(x);
            EXPECT_TRUE(same(*f.Ln(&x), want)) << "Ln(" << a << ") at " << n << " limbs";
        }
    }
    Func f(40);
    for (const char* a : {"100", "0.01"}) {
        KVnum x = num(40, a);
        EXPECT_TRUE(agreesWith(*f.Ln(&x), row("Ln", a))) << a;
    }
}

TEST(Ln, ResultsAreNormalAndOfTheFuncsPrecision) {
    for (int n : {9, 10, 11, 40, 131}) {
        Func f(n);
        for (const char* a : {"1e-300", "0.3", "12345678"}) {
            KVnum x = num(n, a);
            KVnum* r = f.Ln(&x);
            EXPECT_EQ(r->Nlimbs(), n);
            EXPECT_TRUE(kvtest::normalForm(*r)) << a << " at " << n;
        }
    }
}

// ----------------------------------------------------------------------- Aln

TEST(Aln, OfZeroIsExactlyOne) {
    for (int n : {9, 130}) {
        Func f(n);
        KVnum zero = num(n, 0);
        EXPECT_EQ(kvtest::str(*f.Aln(&zero)), kvtest::str(num(n, 1)));
    }
}

TEST(Aln, AgreesWithOracle) {
    // Aln(-1): the first partial sum 1 + (-1) is zero and the loop still runs.
    for (int n : {40, 130}) {
        Func f(n);
        for (const char* a : {"0.5", "-1", "1", "-0.001"}) {
            KVnum x = num(n, a);
            EXPECT_TRUE(agreesWith(*f.Aln(&x), row("Aln", a))) << "Aln(" << a << ")";
        }
    }
}

TEST(Aln, InverseOfLn) {
    Func f(40);
    for (const char* a : {"0.5", "2", "2.5"}) {
        KVnum x = num(40, a);
        KVnum l(*f.Ln(&x));
        EXPECT_TRUE(funccheck::agrees(*f.Aln(&l), a, 8)) << a;
    }
}

TEST(Aln, LargeArgumentsEnd) {
    // The terms stop once k! outgrows the working digits: the series ends for
    // any argument (with fewer right digits as |x| grows).
    Func f(9);
    for (const char* a : {"50", "-50", "1e6"}) {
        KVnum x = num(9, a);
        EXPECT_TRUE(kvtest::normalForm(*f.Aln(&x))) << a;
    }
}

// ---------------------------------------------------------------- Log, LntoLog

TEST(Log, AgreesWithOracle) {
    for (int n : {40, 130}) {
        Func f(n);
        for (const char* a : {"7", "2", "0.001", "1e100"}) {
            KVnum x = num(n, a);
            EXPECT_TRUE(agreesWith(*f.Log(&x), row("Log", a))) << "Log(" << a << ")";
        }
    }
}

TEST(Log, OfZeroIsRefused) {
    kvtest::ErrorLog log;
    Func f(9);
    KVnum zero = num(9, 0);
    EXPECT_TRUE(f.Log(&zero)->IsZero());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "x must be greater than 0");
}

TEST(Log, SameDivisionAsLntoLogOfLn) {
    for (int n : {9, 40}) {
        Func f(n), g(n);
        for (const char* a : {"7", "0.02", "1e50"}) {
            KVnum x = num(n, a);
            KVnum want(*f.Log(&x));
            KVnum l(*g.Ln(&x));
            EXPECT_TRUE(same(*g.LntoLog(&l), want)) << a << " at " << n;
        }
    }
}

TEST(LntoLog, OfZeroIsZero) {
    kvtest::ErrorLog log;
    Func f(130);
    KVnum zero = num(130, 0);
    EXPECT_TRUE(f.LntoLog(&zero)->IsZero());
    EXPECT_TRUE(log.messages().empty());
}

// ------------------------------------------------------------- res as argument

TEST(LogExpAliasing, ResAsArgumentMatchesACopy) {
    // All four read their argument before they write res.
    typedef KVnum* (Func::*Method)(KVnum*);
    const struct {
        const char* name;
        Method m;
    } methods[] = {{"Ln", &Func::Ln}, {"Aln", &Func::Aln}, {"Log", &Func::Log},
                   {"LntoLog", &Func::LntoLog}};
    for (const auto& m : methods) {
        for (const char* a : {"0.3", "4", "1e-20"}) {
            Func f(20), g(20);
            KVnum x = num(20, a);
            KVnum* r = f.Aln(&x);  // res holds e^a
            KVnum copy(*r);
            KVnum want(*(g.*m.m)(&copy));
            EXPECT_TRUE(same(*(f.*m.m)(r), want)) << m.name << " of res = e^" << a;
        }
    }
}

}  // namespace
