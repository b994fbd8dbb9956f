// Making, assigning, comparing and printing numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "kvtest.h"

using kvtest::num;
using kvtest::str;
using kvtest::headLimbs;

// ---- precision policy -------------------------------------------------------

TEST(Precision, ExplicitCountsOfNineOrMoreIgnoreTheEnvironment) {
    kvtest::EnvVar env("PRECISION", "20");
    EXPECT_EQ(KVnum(9).Nlimbs(), 9);
    EXPECT_EQ(KVnum(131).Nlimbs(), 131);
}

TEST(Precision, SmallCountsFollowThePrecisionVariable) {
    struct Case { const char* env; int asked; int expected; };
    const Case cases[] = {
        {"20", 8, 20}, {"20", 0, 20}, {"20", -1, 20}, {"  +25xyz", 0, 25},
        {nullptr, 8, 130}, {"8", 0, 130}, {"abc", 0, 130}, {"-40", 0, 130}, {"9", 3, 9},
    };
    for (const Case& c : cases) {
        kvtest::EnvVar env("PRECISION", c.env);
        EXPECT_EQ(KVnum(c.asked).Nlimbs(), c.expected) << (c.env ? c.env : "(unset)") << " " << c.asked;
    }
}

TEST(Precision, VariableIsReadAfreshForEveryConstruction) {
    kvtest::EnvVar env("PRECISION", "12");
    KVnum a(0);
    setenv("PRECISION", "14", 1);
    KVnum b(0);
    EXPECT_EQ(a.Nlimbs(), 12);
    EXPECT_EQ(b.Nlimbs(), 14);
}

TEST(PrecisionDeathTest, UnallocatablePrecisionReportsAndExitsWithFailure) {
    EXPECT_EXIT({ KVnum x(2000000000); (void)x; }, ::testing::ExitedWithCode(1),
                "Error: Memory allocation failure.");
    EXPECT_EXIT(
        {
            setenv("PRECISION", "2000000000", 1);
            KVnum x(0);
            (void)x;
        },
        ::testing::ExitedWithCode(1), "Error: Memory allocation failure.");
}

// ---- normal form --------------------------------------------------------------

TEST(NormalForm, NewNumberIsCanonicalZero) {
    KVnum x(13);
    EXPECT_TRUE(kvtest::normalForm(x));
    EXPECT_EQ(x.Top(), -1);
    EXPECT_EQ(x.Expo(), 0);
    EXPECT_FALSE(x.Minus());
    EXPECT_EQ(str(x), "0");
    KVnum z = num(13, "0");
    EXPECT_EQ(x == z, 0);
}

TEST(NormalForm, HeadLimbPositions) {
    struct Case { int n; const char* text; int top; int headLimb; int expo; };
    const Case cases[] = {
        {130, "1", 63, 1, -252}, {131, "1", 63, 1, -252}, {9, "1", 2, 1, -8},
        {9, "0.5", 2, 5, -9}, {10, "1", 3, 1, -12}, {11, "1", 3, 1, -12},
    };
    for (const Case& c : cases) {
        KVnum x = num(c.n, c.text);
        EXPECT_EQ(x.Top(), c.top) << c.n << " " << c.text;
        EXPECT_EQ(x.Limb(c.top), c.headLimb) << c.n << " " << c.text;
        EXPECT_EQ(x.Expo(), c.expo) << c.n << " " << c.text;
        EXPECT_TRUE(kvtest::normalForm(x));
    }
}

// ---- assignment from text ------------------------------------------------------

struct TextCase {
    int n;
    const char* text;
    std::vector<int> limbs;  // head index down to 0; empty means zero
    int expo;
    bool minus;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.n << " limbs, \"" << c.text << "\""; }

class TextAssignment : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextAssignment, GivesTheStoredForm) {
    const TextCase& c = GetParam();
    KVnum x = num(c.n, c.text);
    EXPECT_TRUE(kvtest::normalForm(x));
    if (c.limbs.empty()) {
        EXPECT_TRUE(x.IsZero());
        return;
    }
    EXPECT_EQ(headLimbs(x), c.limbs);
    EXPECT_EQ(x.Expo(), c.expo);
    EXPECT_EQ(x.Minus(), c.minus);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextAssignment,
    ::testing::Values(
        TextCase{9, "123.45", {1, 2345, 0}, -6, false},
        TextCase{9, "-0.5", {5, 0, 0}, -9, true},
        TextCase{9, "+7", {7, 0, 0}, -8, false},
        TextCase{9, ".5", {5, 0, 0}, -9, false},
        TextCase{9, "5.", {5, 0, 0}, -8, false},
        TextCase{9, "1.5e3", {15, 0, 0}, -6, false},   // 1500
        TextCase{9, "1.5E3", {15, 0, 0}, -6, false},
        TextCase{9, "1e+3", {1, 0, 0}, -5, false},
        TextCase{9, "1e 3", {1, 0, 0}, -5, false},
        TextCase{9, "2.5e-3", {25, 0, 0}, -12, false},  // 0.0025
        TextCase{9, "1e", {1, 0, 0}, -8, false},
        TextCase{9, "2g2", {2, 0, 0}, -6, false},
        TextCase{9, "0", {}, 0, false}, TextCase{9, "-0", {}, 0, false},
        TextCase{9, "", {}, 0, false}, TextCase{9, "-", {}, 0, false},
        TextCase{9, "abc", {}, 0, false}, TextCase{9, "0e5", {}, 0, false},
        TextCase{9, "-0.000", {}, 0, false},
        TextCase{9, "1,234.5", {1, 2345, 0}, -5, false},
        TextCase{9, "12a34", {1234, 0, 0}, -8, false},
        TextCase{9, "1.2.3", {123, 0, 0}, -10, false},  // 1.23
        TextCase{9, " -5", {5, 0, 0}, -8, false},        // a sign after a blank is skipped
        TextCase{9, "0.0000000000001", {}, 0, false},    // the window holds only zeros
        TextCase{9, "1.23456789012345", {1, 2345, 6789}, -8, false},
        TextCase{9, "1234567890123", {1, 2345, 6789}, 4, false},
        TextCase{9, "5e1", {5, 0, 0}, -7, false},
        TextCase{9, "50.00000001", {50, 0, 1}, -8, false}));

TEST(TextAssignmentWide, TinyValueAtDefaultPrecision) {
    KVnum x = num(130, "0.0000000000001");
    KVnum y = num(130, "1e-13");
    EXPECT_FALSE(x.IsZero());
    EXPECT_EQ(x == y, 0);
    EXPECT_EQ(x.Expo(), y.Expo());
}

TEST(TextAssignmentWide, IntegerDigitsBeyondTheWindowKeepTheirPlaceValue) {
    // 20 digits at 9 limbs: the 14-digit window is read (grouped from its end,
    // so the head limb holds 12), the 6 digits past it only raise the
    // exponent, and Shift cuts the lowest limb.
    KVnum x = num(9, "12345678901234567890");
    EXPECT_EQ(headLimbs(x), (std::vector<int>{12, 3456, 7890}));
    EXPECT_EQ(x.Expo(), 10);
    EXPECT_EQ(str(x), "12345678900000000000");
    // A 301-digit integer at 130 limbs keeps its magnitude.
    std::string big = "1" + std::string(300, '0');
    EXPECT_EQ(str(num(130, big.c_str())), big);
}

TEST(TextAssignmentWide, NullTextAssignsZero) {
    KVnum x = num(9, "5");
    x = static_cast<const char*>(nullptr);
    EXPECT_TRUE(x.IsZero());
    EXPECT_TRUE(kvtest::normalForm(x));
}

TEST(TextAssignmentWide, ExponentsBeyondTheIntRangeAreReportedAndGiveZero) {
    const char* texts[] = {"1e99999999999", "1e-99999999999", "5e2147483660", "-3e-2147483648"};
    for (const char* t : texts) {
        kvtest::ErrorLog log;
        KVnum x = num(9, t);
        EXPECT_TRUE(x.IsZero()) << t;
        EXPECT_TRUE(kvtest::normalForm(x)) << t;
        ASSERT_EQ(log.messages().size(), 1u) << t;
        EXPECT_EQ(log.messages()[0], "Exponent out of range.");
    }
    // At the edge of the range the exponent still fits.
    kvtest::ErrorLog log;
    KVnum y = num(9, "1e2147483647");
    EXPECT_FALSE(y.IsZero());
    EXPECT_EQ(y.Expo(), 2147483647 - 8);
    EXPECT_TRUE(log.messages().empty());
}

// ---- assignment from native values ----------------------------------------------

TEST(NativeAssignment, IntegersKeepEveryDigit) {
    KVnum x(130);
    x = INT_MIN;
    EXPECT_EQ(str(x), "-2147483648." + std::string(244, '0'));
    x = 4294967295u;
    EXPECT_EQ(x.String(1, false), std::string("4294967295.0"));
    x = -5L;
    EXPECT_EQ(x.String(1, false), std::string("-5.0"));
    x = LONG_MIN;  // long is 64 bits here: the full width is taken
    EXPECT_EQ(x.String(1, false), std::string("-9223372036854775808.0"));
    x = ULONG_MAX;
    EXPECT_EQ(x.String(1, false), std::string("18446744073709551615.0"));
    x = LLONG_MIN;
    EXPECT_EQ(x.String(1, false), std::string("-9223372036854775808.0"));
    x = ULLONG_MAX;
    EXPECT_EQ(x.String(1, false), std::string("18446744073709551615.0"));
}

TEST(NativeAssignment, FloatingPointGoesThroughTwentyEightDigits) {
    struct Case { double v; const char* expected; };
    const Case cases[] = {
        {-2.5, "-2.500000000"}, {0.5, "0.500000000"}, {123456789.0, "123456789"},
        {0.1, "0.100000000000"},  // the 14-character window of 0.1000000000000000055511151231
        {1e300, nullptr},  // 28 significant digits, then zeros: checked below,
    };
    for (const Case& c : cases) {
        if (!c.expected) continue;
        KVnum x(9);
        x = c.v;
        EXPECT_EQ(str(x), std::string(c.expected)) << c.v;
    }
    KVnum big(200);
    big = 1e300;
    EXPECT_EQ(big.String(1, false), "1000000000000000052504760255" + std::string(273, '0') + ".0");
    KVnum f(9);
    f = 0.25f;
    EXPECT_EQ(str(f), "0.2500000000");
}

TEST(NativeAssignment, NonFiniteValuesAreReportedAndGiveZero) {
    const double bad[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
    for (double v : bad) {
        kvtest::ErrorLog log;
        KVnum x = num(9, "7");
        x = v;
        EXPECT_TRUE(x.IsZero());
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_EQ(log.messages()[0], "Value is not a finite number.");
    }
    kvtest::ErrorLog log;
    KVnum y(9);
    y = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(y.IsZero());
    EXPECT_EQ(log.messages().size(), 1u);
}

// ---- comparison -------------------------------------------------------------------

TEST(Comparison, ThreeWayResults) {
    struct Case { int n; const char* a; const char* b; int expected; };
    const Case cases[] = {
        {9, "-2", "3", -1}, {9, "3", "-2", 1}, {9, "-2", "-3", 1}, {9, "2", "2", 0},
        {9, "0", "0", 0},   {9, "0", "1e-9", -1}, {9, "0", "-1e-9", 1}, {9, "-5", "0", -1},
        {9, "5e1", "50.00000001", 0}, {9, "50.00000001", "5e1", 0},
        {130, "1", "1e-1000", 1}, {130, "1e-1000", "1", -1}, {130, "-1", "-1e-1000", -1},
        {9, "123456789012", "123456789013", -1},
    };
    for (const Case& c : cases) {
        KVnum a = num(c.n, c.a), b = num(c.n, c.b);
        EXPECT_EQ(a == b, c.expected) << c.a << " vs " << c.b;
    }
}

// ---- copies and assignment between numbers -------------------------------------

TEST(Copying, CopiesAreIndependent) {
    KVnum* a = new KVnum(num(9, "12.5"));
    a->String(2, false);
    KVnum b(*a);
    EXPECT_EQ(std::string(b.String(0, false)), "12.500000000");
    *a = "3";
    EXPECT_EQ(str(b), "12.500000000");
    delete a;
    EXPECT_EQ(str(b), "12.500000000");
}

TEST(Copying, CopyCarriesTheTextButAssignmentDoesNot) {
    KVnum a = num(9, "1.5");
    a.String(1, false);
    KVnum b(a);
    KVnum c(9);
    c.String(0, false);  // "0"
    c = a;
    c = c;  // self-assignment changes nothing
    EXPECT_EQ(str(c), "1.500000000");
    KVnum d(9);
    d.String(0, false);
    d = a;
    d = d;
    EXPECT_EQ(a == d, 0);
}

TEST(Copying, AssignmentConvertsToTheTargetPrecision) {
    KVnum wide = num(20, "1.234567890123456789012345678901234");
    KVnum narrow(9);
    narrow = wide;
    EXPECT_EQ(narrow.Nlimbs(), 9);
    EXPECT_TRUE(kvtest::normalForm(narrow));
    EXPECT_EQ(str(narrow), "1.234567890");  // head limb 12: three limbs kept, cut
    KVnum back(20);
    back = narrow;
    EXPECT_EQ(back.Nlimbs(), 20);
    EXPECT_EQ(str(back), "1.234567890000000000000000000000000");
}

TEST(EmptyNumbers, PrintAsZeroAndTakeAPrecisionWhenAssigned) {
    KVnum e;
    EXPECT_EQ(str(e), "0");
    EXPECT_EQ(std::string(e.String(5, true)), "0");
    KVnum src = num(11, "2.5");
    KVnum t;
    t = src;
    EXPECT_EQ(t.Nlimbs(), 11);
    EXPECT_EQ(t == src, 0);
    KVnum u;
    u = "7";
    EXPECT_EQ(u.Nlimbs(), KVnum(0).Nlimbs());
    KVnum empty;
    EXPECT_EQ(src == empty, 1);  // an empty operand reads as zero
    EXPECT_EQ(empty == src, -1);
    KVnum v;
    v = empty;
    EXPECT_TRUE(v.IsZero());
}

// ---- String -------------------------------------------------------------------------

struct FormatCase { const char* text; int ndec; bool comma; const char* expected; };

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << "\"" << c.text << "\" ndec " << c.ndec << (c.comma ? " grouped" : "");
}

class Formatting : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Formatting, AtNineLimbs) {
    const FormatCase& c = GetParam();
    KVnum x = num(9, c.text);
    EXPECT_EQ(std::string(x.String(c.ndec, c.comma)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Formatting,
    ::testing::Values(
        FormatCase{"1234.5", 0, false, "1234.50000"}, FormatCase{"1234.5", 2, false, "1234.50"},
        FormatCase{"1234.5", 10, false, "1234.5000000000"}, FormatCase{"1234.5", 2, true, "1,234.50"},
        FormatCase{"1234.5", 0, true, "1,234.50000"}, FormatCase{"12345.678", 2, false, "12345.67"},
        FormatCase{"-12345.678", 2, true, "-12,345.67"},
        FormatCase{"-0.00012", 0, false, "-0.0001200000000"}, FormatCase{"-0.00012", 2, false, "-0.00"},
        FormatCase{"-0.00012", 6, false, "-0.000120"}, FormatCase{"5", 0, false, "5.00000000"},
        FormatCase{"0.5", 0, false, "0.500000000"}, FormatCase{"123456789", 3, true, "123,456,789"},
        FormatCase{"1e10", 5, true, "10,000,000,000"}, FormatCase{"0", 4, true, "0"},
        FormatCase{"-0", 4, false, "0"}, FormatCase{"12345.678", -3, false, "12345.6780000"},
        FormatCase{"0.25", 1, true, "0.2"}, FormatCase{"123", 1, true, "123.0"},
        FormatCase{"123456", 0, true, "123,456.0000"}, FormatCase{"-1234.5", 2, true, "-1,234.50"}));

TEST(Formatting, DefaultPrecisionShowsEveryStoredDigit) {
    EXPECT_EQ(str(num(130, "1")), "1." + std::string(252, '0'));
    EXPECT_EQ(str(num(130, "1234.5")), "1234.5" + std::string(248, '0'));
}

TEST(Formatting, ThirteenDigitTextAtNineLimbs) {
    EXPECT_EQ(str(num(9, "1234567890123")), "1234567890000");
}
