// Angle conversion, sine, cosine and tangent. Reference values come from
// tests/data/gen_trig_oracle.py (Python's decimal module).
#include <cmath>
#include <string>

#include "data/trig_check.h"

namespace {

// ---- Sin, Cos, Tan at 0: exact, no report --------------------------------

TEST(TrigZero, SinCosTanOfZeroAreExact) {
    for (int n : {9, 130}) {
        kvtest::ErrorLog reports;
        Func f(n);
        KVnum x(n), one(n);
        x = 0;
        one = 1;
        EXPECT_TRUE(f.Sin(&x)->IsZero()) << n;
        EXPECT_EQ(*f.Cos(&x) == one, 0) << n;
        EXPECT_TRUE(f.Tan(&x)->IsZero()) << n;
        EXPECT_TRUE(reports.messages().empty());
    }
}

// ---- Against the reference values -------------------------------------

struct Case {
    const char* method;
    const char* arg;
};

// Arguments of magnitude at most 1 (and the conversions), where the series
// keeps all but the last few digits at every precision.
const Case kSmallArgs[] = {
    {"Sin", "1"},   {"Sin", "-0.5"}, {"Cos", "1"},    {"Cos", "-0.5"},  {"Tan", "1"},
    {"Tan", "-0.5"}, {"DtoR", "30"}, {"DtoR", "-45"}, {"RtoD", "1"},    {"RtoD", "-0.5"},
};

TEST(TrigOracle, SmallArgumentsAtSeveralPrecisions) {
    for (int n : {9, 20, 31}) {
        Func f(n);
        KVnum x(n);
        for (const Case& c : kSmallArgs) {
            x = c.arg;
            EXPECT_TRUE(agrees(*callMethod(f, c.method, &x), oracle(c.method, c.arg)))
                << c.method << "(" << c.arg << ")";
        }
    }
}

TEST(TrigOracle, DefaultPrecision) {
    Func f(130);
    KVnum x(130);
    for (const Case& c : {Case{"Sin", "1"}, Case{"Cos", "-0.5"}, Case{"Tan", "1"}, Case{"RtoD", "1"}}) {
        x = c.arg;
        EXPECT_TRUE(agrees(*callMethod(f, c.method, &x), oracle(c.method, c.arg)))
            << c.method << "(" << c.arg << ")";
    }
}

// ---- The plain series for |x| above 1 ------------------------------------
//
// Each term p / f is cut at the last place of the power p = x^k, which holds
// at least 4h + 1 digits, so that place is at most |x|^k / 10^(4h); and the
// terms are 0 from the first k = J whose factorial exceeds the 4h + 4 digit
// integer that p's limbs can hold. So the sum is off by less than about
// 2 |x|^(J-2) / 10^(4h): digits that the plain series cannot keep for |x|
// above 1, and many more than the last place of the result, which a series on
// a reduced argument (7 - 2 pi instead of 7) would reach.
double plainSeriesError(double x, int n) {
    const int h = n / 2 - 2;
    double logFact = 0;
    int k = 1;
    while (logFact <= 4 * h + 4) logFact += std::log10(static_cast<double>(++k));
    return 2 * std::pow(10.0, (k - 2) * std::log10(std::fabs(x)) - 4 * h);
}

// Digits of 4h + 1 that a relative error `rel` costs, with one to spare.
int lostDigits(double rel, int n) {
    const int h = n / 2 - 2;
    return 4 * h + 1 - static_cast<int>(std::floor(-std::log10(rel))) + 1;
}

TEST(TrigPlainSeries, SinAndCosOfSeven) {
    // At 130 limbs the plain series at 7 keeps more than half the digits and
    // is what comes out; at 20 limbs it would keep about 8 of 33, so the
    // argument is reduced by a multiple of pi/2 instead, right to the last
    // few digits.
    for (int n : {20, 130}) {
        Func f(n);
        KVnum x(n);
        x = 7;
        const double value[] = {std::sin(7.0), std::cos(7.0)};
        int i = 0;
        for (const char* method : {"Sin", "Cos"}) {
            const double rel = plainSeriesError(7, n) / std::fabs(value[i++]);
            ASSERT_LT(rel, 1e-4) << n;  // the rule leaves digits to test
            KVnum got(*callMethod(f, method, &x));
            // Agrees to the digits the series can keep...
            EXPECT_TRUE(agrees(got, oracle(method, "7"), lostDigits(rel, n))) << method << " " << n;
            // ...and to the full precision only where it was reduced.
            EXPECT_EQ(agrees(got, oracle(method, "7"), 8), n == 20) << method << " " << n;
        }
    }
}

// ---- Tan near pi/2: a cosine far below 1 as divisor --------------------

TEST(TrigTan, NearHalfPiGivesTheTrueLargeQuotient) {
    for (int n : {20, 130}) {
        Func f(n);
        KVnum x(n), big(n);
        x = "1.5707963";
        big = 37320539;
        KVnum* t = f.Tan(&x);
        EXPECT_GT(*t == big, 0);
        // Both series are off by the error above; divided by a cosine of
        // about 2.68e-8 that is the relative error of the quotient.
        const double rel = 2 * plainSeriesError(1.5707963, n) / 2.68e-8;
        EXPECT_TRUE(agrees(*t, oracle("Tan", "1.5707963"), lostDigits(rel, n))) << n;
    }
}

// ---- Angle conversion --------------------------------------------------

TEST(TrigConversion, HalfTurnAndRoundTrip) {
    for (int n : {9, 130}) {
        Func f(n);
        KVnum x(n), back(n);
        x = 180;
        EXPECT_TRUE(agrees(*f.DtoR(&x), PI_DIGITS)) << n;
        x = "-123.456";
        back = *f.DtoR(&x);
        EXPECT_TRUE(agrees(*f.RtoD(&back), "-123.456")) << n;
        x = 0;
        EXPECT_TRUE(f.DtoR(&x)->IsZero());
        EXPECT_TRUE(f.RtoD(&x)->IsZero());
    }
}

// ---- The result number -------------------------------------------------

TEST(TrigResult, SamePointerAndResAsArgument) {
    const int n = 20;
    Func f(n);
    KVnum x(n), want(n);
    x = "0.3";
    KVnum* r = f.Sin(&x);
    EXPECT_EQ(f.Cos(&x), r);
    EXPECT_EQ(f.Tan(&x), r);
    EXPECT_EQ(f.DtoR(&x), r);
    EXPECT_EQ(f.RtoD(&x), r);

    // Every one of them copies its argument before writing res, so it may be
    // res itself.
    for (const char* method : {"Sin", "Cos", "Tan", "DtoR", "RtoD"}) {
        KVnum copy(*f.Sin(&x));
        want = *callMethod(f, method, &copy);
        f.Sin(&x);
        KVnum* got = callMethod(f, method, r);
        EXPECT_EQ(*got == want, 0) << method;
    }
}

}  // namespace
