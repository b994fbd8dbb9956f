// KVnum::BtoB: conversion of numeric text between radices 2 to 36.
//
// Expected texts come from the worked examples of the conversion rules, from
// tests/data/btob_cases.inc (exact rational arithmetic in
// tests/data/gen_btob.py), or from the integer rules in this file (exact
// integer arithmetic on the digits). None is taken from the library's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <kelvane/KVnum.h>
#include "kvtest.h"

namespace {

typedef __int128 i128;

using kvtest::ErrorLog;

const char kAlpha[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

int digitOf(char c) { return c <= '9' ? c - '0' : (c >= 'a' ? c - 'a' : c - 'A') + 10; }

// Decimal text without trailing fractional zeros and without a bare point.
std::string trimDecimal(std::string s) {
    if (s.find('.') == std::string::npos) return s;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

// The digits of v in radix b, most significant first ("0" for 0).
std::string integerDigits(i128 v, int b) {
    std::string s;
    do {
        s.insert(s.begin(), kAlpha[static_cast<int>(v % b)]);
        v /= b;
    } while (v != 0);
    return s;
}

// Radix-b text of the exact value num / den (den > 0): integer digits, ".",
// then fraction digits until `limit` are written or the fraction before a
// digit was already zero.
std::string expansion(i128 num, i128 den, int b, int limit) {
    std::string s = integerDigits(num / den, b) + ".";
    i128 f = num % den;
    if (f == 0) return s;
    for (int written = 0;;) {
        const bool wasZero = f == 0;
        f *= b;
        s += kAlpha[static_cast<int>(f / den)];
        f %= den;
        if (++written >= limit || wasZero) break;
    }
    return s;
}

// Exact value of a radix-r text as num / r^(fractional digits).
struct Rational {
    i128 num = 0;
    i128 den = 1;
};

Rational parse(const std::string& text, int r) {
    Rational q;
    bool neg = false, frac = false;
    for (char c : text) {
        if (c == '-') {
            neg = true;
        } else if (c == '.') {
            frac = true;
        } else {
            q.num = q.num * r + digitOf(c);
            if (frac) q.den *= r;
        }
    }
    if (neg) q.num = -q.num;
    return q;
}

// a - b as a long double (both exact, the difference rounded once).
long double difference(const Rational& a, const Rational& b) {
    const i128 n = a.num * b.den - b.num * a.den;
    return static_cast<long double>(n) / (static_cast<long double>(a.den) * static_cast<long double>(b.den));
}

long double power(long double b, int e) {
    long double p = 1;
    for (int i = 0; i < e; ++i) p *= b;
    return p;
}

// The error bound of one conversion of a value with `intDigits` decimal
// integer digits and `fracDigits` fractional input digits: one unit of the
// last output digit (b^-L, none for radix 10) plus, per fractional input
// digit and for the output steps, two units of the working place 10^(I - 4h).
long double bound(int nlimbs, int obase, int intDigits, int fracDigits) {
    const int h = nlimbs / 2 - 2;
    const long double unit = power(10, h * 4 - (intDigits > 1 ? intDigits : 1));
    const long double cut = obase == 10 ? 0 : 1 / power(obase, 4 * h);
    return cut + (2 * fracDigits + 4) / unit;
}

int fractionDigits(const std::string& s) {
    const size_t p = s.find('.');
    return p == std::string::npos ? 0 : static_cast<int>(s.size() - p - 1);
}

struct Case {
    int nlimbs, ibase, obase;
    const char* text;
    const char* expected;
};

// --- Fixed expectations -----------------------------------------------------

TEST(BtoB, WorkedExamples) {
    const Case cases[] = {
        {9, 10, 2, "10.5", "1010.10"},   {9, 10, 16, "255", "FF."},
        {9, 16, 10, "ff", "255.00000000"}, {9, 10, 2, "0.1", "0.00011001"},
        {9, 2, 10, "1.01", "1.25000000"}, {9, 10, 2, "0", "0."},
    };
    ErrorLog log;
    for (const Case& c : cases) {
        KVnum x(c.nlimbs);
        EXPECT_STREQ(x.BtoB(c.ibase, c.obase, c.text), c.expected) << c.text;
    }
    EXPECT_TRUE(ErrorLog::messages().empty());
}

TEST(BtoB, OracleTable) {
    const Case cases[] = {
#include "data/btob_cases.inc"
    };
    for (const Case& c : cases) {
        KVnum x(c.nlimbs);
        std::string got = x.BtoB(c.ibase, c.obase, c.text);
        if (c.obase == 10) got = trimDecimal(got);
        EXPECT_EQ(got, c.expected) << c.nlimbs << " limbs, " << c.ibase << " -> " << c.obase << ": "
                                   << c.text;
    }
}

TEST(BtoB, Radix10OutputIsTheDecimalText) {
    // Radix 10 out gives String(0, false) of the value: every stored digit.
    KVnum x(9), y(9);
    y = "-1234.5";
    EXPECT_STREQ(x.BtoB(10, 10, "-1,234.5"), y.String(0, false));
    EXPECT_STREQ(x.BtoB(10, 10, "1e20"), "100000000000000000000");
    // Text in radix 10 follows the decimal assignment: exponent, skipped
    // characters, letters are not digits.
    EXPECT_STREQ(x.BtoB(10, 16, "1e3"), "3E8.");
    EXPECT_STREQ(x.BtoB(10, 16, "1,000"), "3E8.");
}

TEST(BtoB, LettersInEitherCaseAndDigitsAboveTheRadix) {
    KVnum x(12);
    EXPECT_STREQ(x.BtoB(16, 2, "aBc"), "101010111100.");  // 0xABC
    EXPECT_STREQ(x.BtoB(16, 2, "ABC"), "101010111100.");
    EXPECT_STREQ(x.BtoB(36, 10, "zz"), x.BtoB(36, 10, "ZZ"));
    EXPECT_STREQ(x.BtoB(10, 16, "48879"), "BEEF.");  // output letters upper case
    // A digit is read by its value even when it is not below the radix.
    EXPECT_EQ(trimDecimal(x.BtoB(8, 10, "19")), "17");
    EXPECT_EQ(trimDecimal(x.BtoB(2, 10, "z")), "35");
    // No digit before the point: integer part 0. No digit at all: zero.
    EXPECT_EQ(trimDecimal(x.BtoB(16, 10, ".8")), "0.5");
    EXPECT_STREQ(x.BtoB(16, 10, "."), "0");
    EXPECT_STREQ(x.BtoB(16, 2, "-"), "0.");
}

// --- The receiver, empty text and the two overloads --------------------------

TEST(BtoB, EmptyTextConvertsTheReceiver) {
    KVnum x(9);
    x = "10.5";
    const std::string before = x.String(0, false);
    EXPECT_STREQ(x.BtoB(10, 2, ""), "1010.10");
    EXPECT_EQ(std::string(x.BtoB(10, 10, "")), before);
    // Another input radix reads the receiver's decimal digits in that radix:
    // "10.5000000" in radix 8 is 8.625.
    EXPECT_EQ(trimDecimal(x.BtoB(8, 10, "")), "8.625");
    EXPECT_STREQ(x.BtoB(8, 2, ""), "1000.1010");
    // A null pointer is empty text, for both overloads.
    EXPECT_STREQ(x.BtoB(10, 2, static_cast<const char*>(nullptr)), "1010.10");
    EXPECT_STREQ(x.BtoB(10, 2, static_cast<char*>(nullptr)), "1010.10");
    // The value never changes; the text lives in the receiver.
    EXPECT_EQ(std::string(x.String(0, false)), before);
    const char* r = x.BtoB(10, 16, "255");
    EXPECT_STREQ(r, "FF.");
    EXPECT_EQ(std::string(x.String(0, false)), before);
}

TEST(BtoB, EmptyReceiverReadsAsZero) {
    KVnum e;
    EXPECT_STREQ(e.BtoB(10, 2, ""), "0.");
    EXPECT_STREQ(e.BtoB(16, 10, ""), "0");
    EXPECT_STREQ(e.BtoB(36, 2, static_cast<const char*>(nullptr)), "0.");
    // Text is converted at the precision a new number would get.
    EXPECT_STREQ(e.BtoB(16, 2, "ff"), "11111111.");
    EXPECT_EQ(e.Nlimbs(), 0);  // still empty
}

TEST(BtoB, ModifiableTextIsUpperCasedConstantTextIsNot) {
    KVnum x(9);
    char buf[] = "ff.c";
    EXPECT_STREQ(x.BtoB(16, 2, buf), "11111111.110");
    EXPECT_STREQ(buf, "FF.C");

    const std::string s = "ff.c";
    EXPECT_STREQ(x.BtoB(16, 2, s.c_str()), "11111111.110");
    EXPECT_EQ(s, "ff.c");

    // Radix 10 text is decimal text, not digits: left as it is.
    char dec[] = "1e3";
    EXPECT_STREQ(x.BtoB(10, 16, dec), "3E8.");
    EXPECT_STREQ(dec, "1e3");

    // A refused text is left as it is.
    ErrorLog log;
    char bad[] = "ab,c";
    EXPECT_STREQ(x.BtoB(16, 2, bad), "");
    EXPECT_STREQ(bad, "ab,c");
}

TEST(BtoB, TextInTheReceiversOwnBuffer) {
    KVnum x(9);
    char* hex = x.BtoB(10, 16, "255");  // "FF." in x's buffer
    EXPECT_STREQ(x.BtoB(16, 2, hex), "11111111.");
}

TEST(BtoB, Signs) {
    const Case cases[] = {
        {9, 10, 2, "-10.5", "-1010.10"},   {9, 16, 2, "-ff", "-11111111."},
        {9, 2, 16, "-1010.1", "-A.80"},     {9, 16, 16, "+ff", "FF."},
        {9, 10, 2, "-0", "0."},            {9, 16, 2, "-0", "0."},
        {9, 16, 2, "-0.0", "0."},          {9, 32, 32, "-v.v", "-V.V0"},
        {9, 10, 3, "-0.5", "-0.11111111"},
    };
    for (const Case& c : cases) {
        KVnum x(c.nlimbs);
        EXPECT_STREQ(x.BtoB(c.ibase, c.obase, c.text), c.expected) << c.text;
    }
    KVnum x(9);
    EXPECT_EQ(trimDecimal(x.BtoB(2, 10, "-1.01")), "-1.25");
    EXPECT_EQ(trimDecimal(x.BtoB(16, 10, "-.8")), "-0.5");

    // A negative receiver.
    x = "-12.5";
    EXPECT_STREQ(x.BtoB(10, 2, ""), "-1100.10");
    EXPECT_STREQ(x.BtoB(10, 10, ""), x.String(0, false));
    EXPECT_EQ(trimDecimal(x.BtoB(8, 10, "")), "-10.625");  // "-12.5" read in radix 8
    EXPECT_TRUE(x.Minus());
}

// --- Refusals -----------------------------------------------------------------

TEST(BtoB, Refusals) {
    struct Refusal {
        int ibase, obase;
        const char* text;
        const char* message;
    };
    const char* radix = "Radix must be between 2 and 36.";
    const char* digit = "Invalid digit.";
    const Refusal cases[] = {
        {1, 10, "5", radix},     {10, 1, "5", radix},   {0, 10, "5", radix},
        {10, 0, "5", radix},     {37, 10, "5", radix},  {10, 37, "5", radix},
        {-2, 10, "5", radix},    {10, 100, "", radix},  {0, 0, "z!", radix},
        {16, 10, "1,2", digit},  {16, 10, "1 2", digit}, {16, 2, "1.2.3", digit},
        {16, 2, "--1", digit},   {16, 2, "1-", digit},   {16, 2, "+-1", digit},
        {36, 2, "1_0", digit},   {16, 2, " 1", digit},   {2, 10, "1e\xC3\xA9", digit},
        {10, 16, "1e20", "Value too large to convert."},
    };
    for (const Refusal& c : cases) {
        ErrorLog log;
        KVnum x(9), y(9);
        x = "7.5";
        y = x;
        EXPECT_STREQ(x.BtoB(c.ibase, c.obase, c.text), "") << c.ibase << " " << c.obase << " " << c.text;
        ASSERT_EQ(ErrorLog::messages().size(), 1u) << c.text;
        EXPECT_EQ(ErrorLog::messages()[0], c.message) << c.text;
        EXPECT_EQ(x == y, 0);  // value untouched
    }
}

TEST(BtoB, LargestIntegersThatConvert) {
    // The units digit must be stored: at 9 limbs a 12-digit integer read from
    // text still has it, a 13-digit one does not.
    ErrorLog log;
    KVnum x(9);
    EXPECT_STREQ(x.BtoB(10, 16, "999999999999"), "E8D4A50FFF.");
    EXPECT_TRUE(ErrorLog::messages().empty());
    EXPECT_STREQ(x.BtoB(10, 2, "1000000000000"), "");
    EXPECT_EQ(ErrorLog::messages().size(), 1u);
    x = "1e40";
    EXPECT_STREQ(x.BtoB(10, 36, ""), "");
    EXPECT_EQ(ErrorLog::messages().size(), 2u);
}

// --- Random conversions and round trips ----------------------------------------

std::mt19937_64& rng() {
    static std::mt19937_64 g;
    return g;
}

// The fixed seed (KV_TEST_SEED overrides it), printed so that a failure can
// be replayed.
void seed(const char* test) {
    const uint64_t s = kvtest::seed();
    std::printf("[ seed     ] %s: %llu\n", test, static_cast<unsigned long long>(s));
    rng().seed(s);
}

int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng()); }

TEST(BtoB, IntegerRoundTrips) {
    // Integers of up to 4h + 1 decimal digits convert exactly in every radix.
    seed("IntegerRoundTrips");
    for (int nlimbs : {9, 12}) {
        const int h = nlimbs / 2 - 2;
        for (int i = 0; i < 300; ++i) {
            const int digits = uniform(1, 4 * h + 1);
            i128 v = 0;
            for (int d = 0; d < digits; ++d) v = v * 10 + uniform(0, 9);
            const int a = uniform(2, 36), b = uniform(2, 36);
            const std::string inA = integerDigits(v, a);
            KVnum x(nlimbs);
            const std::string inB = x.BtoB(a, b, inA.c_str());
            const std::string where = std::to_string(nlimbs) + " limbs, " + std::to_string(a) + " -> " +
                                      std::to_string(b) + ": " + inA + " -> " + inB;
            if (b == 10)
                ASSERT_EQ(trimDecimal(inB), integerDigits(v, 10)) << where;
            else
                ASSERT_EQ(inB, integerDigits(v, b) + ".") << where;
            const std::string back = x.BtoB(b, a, inB.c_str());
            if (a == 10)
                ASSERT_EQ(trimDecimal(back), integerDigits(v, 10)) << where << " -> " << back;
            else
                ASSERT_EQ(back, inA + ".") << where << " -> " << back;
        }
    }
}

// The digits in radix b of a decimal integer of any length, by the rule
// that defines them: the remainders of repeated division by b, last first.
std::string longIntegerDigits(const std::string& decimal, int b) {
    std::vector<int> d;
    for (char c : decimal) d.push_back(c - '0');
    std::string s;
    while (!d.empty()) {
        int rem = 0;
        std::vector<int> q;
        for (int x : d) {
            const int cur = rem * 10 + x;
            if (!q.empty() || cur / b != 0) q.push_back(cur / b);
            rem = cur % b;
        }
        s.insert(s.begin(), kAlpha[rem]);
        d.swap(q);
    }
    return s.empty() ? "0" : s;
}

TEST(BtoB, LongIntegersInEveryRadix) {
    // A long integer part is converted by halving with powers of the radix:
    // integers of every length up to the full precision, a fraction behind
    // some of them, radices whose digit groups fill 10^8 in different ways,
    // and runs of zero digits (zero quotients and zero padding at every
    // level of the halving).
    seed("LongIntegersInEveryRadix");
    for (int nlimbs : {130, 1000}) {
        const int full = 4 * (KVnum::HeadIndex(nlimbs) + 1);
        for (int i = 0; i < 10; ++i) {
            const int digits = uniform(90, full);
            std::string t(1, kAlpha[uniform(1, 9)]);
            for (int d = 1; d < digits; ++d) {
                const int style = i % 3;
                t += style == 0 ? kAlpha[uniform(0, 9)] : style == 1 ? '0' : (uniform(0, 7) ? '0' : '9');
            }
            const std::string frac = i % 4 == 3 ? ".25" : "";
            const int b = std::vector<int>{2, 3, 7, 16, 36}[static_cast<size_t>(uniform(0, 4))];
            KVnum x(nlimbs);
            const std::string out = x.BtoB(10, b, (t + frac).c_str());
            const std::string want = longIntegerDigits(t, b) + ".";
            ASSERT_EQ(out.substr(0, want.size()), want) << nlimbs << " limbs, radix " << b << ": " << t << frac;
            if (frac.empty()) {
                ASSERT_EQ(out.size(), want.size()) << out;
            }
        }
    }
}

TEST(BtoB, DecimalFractionsGiveTheExactExpansion) {
    // A decimal held in full is multiplied by the radix without loss: the
    // output is the exact expansion cut after 4h digits. Back in radix 10 it
    // is within the bound of one conversion of those digits.
    seed("DecimalFractionsGiveTheExactExpansion");
    for (int nlimbs : {9, 12}) {
        const int h = nlimbs / 2 - 2;
        for (int i = 0; i < 300; ++i) {
            const int intDigits = uniform(0, 3);
            const int fracDigits = uniform(1, std::min(4 * h - 1, 4 * h + 1 - intDigits));
            std::string text = intDigits ? "" : "0";
            for (int d = 0; d < intDigits; ++d) text += kAlpha[uniform(d ? 0 : 1, 9)];
            text += '.';
            for (int d = 0; d < fracDigits; ++d) text += kAlpha[uniform(0, 9)];
            const bool neg = uniform(0, 3) == 0;
            if (neg) text.insert(text.begin(), '-');
            int b = uniform(2, 35);
            if (b == 10) b = 36;

            Rational x = parse(text, 10);
            KVnum k(nlimbs);
            const std::string out = k.BtoB(10, b, text.c_str());
            const i128 mag = x.num < 0 ? -x.num : x.num;
            std::string want = expansion(mag, x.den, b, 4 * h);
            if (neg && mag != 0) want.insert(want.begin(), '-');
            ASSERT_EQ(out, want) << nlimbs << " limbs, 10 -> " << b << ": " << text;

            const std::string back = k.BtoB(b, 10, out.c_str());
            const long double err = difference(x, parse(back, 10));
            const long double tol = bound(nlimbs, b, intDigits, 0) +
                                    bound(nlimbs, 10, intDigits, fractionDigits(out));
            ASSERT_LE(err < 0 ? -err : err, tol) << nlimbs << " limbs, " << b << " -> 10: " << out
                                                  << " gave " << back << " for " << text;
        }
    }
}

TEST(BtoB, FractionRoundTrips) {
    // Radix a -> radix b -> radix a, both other than 10, at 12 limbs: each
    // leg within its bound.
    seed("FractionRoundTrips");
    const int nlimbs = 12;
    for (int i = 0; i < 400; ++i) {
        const int a = uniform(2, 36), b = uniform(2, 36);
        if (a == 10 || b == 10) continue;
        std::string text;
        const int intDigits = uniform(0, 2), fracDigits = uniform(1, 5);
        for (int d = 0; d < intDigits; ++d) text += kAlpha[uniform(0, a - 1)];
        text += '.';
        for (int d = 0; d < fracDigits; ++d) text += kAlpha[uniform(0, a - 1)];
        if (uniform(0, 3) == 0) text.insert(text.begin(), '-');

        const Rational x = parse(text, a);
        const int decInt = static_cast<int>(integerDigits((x.num < 0 ? -x.num : x.num) / x.den, 10).size());
        KVnum k(nlimbs);
        const std::string there = k.BtoB(a, b, text.c_str());
        const long double tolThere = bound(nlimbs, b, decInt, fracDigits);
        const long double e1 = difference(x, parse(there, b));
        ASSERT_LE(e1 < 0 ? -e1 : e1, tolThere) << a << " -> " << b << ": " << text << " gave " << there;

        const std::string back = k.BtoB(b, a, there.c_str());
        const long double e2 = difference(x, parse(back, a));
        const long double tolBack = tolThere + bound(nlimbs, a, decInt, fractionDigits(there));
        ASSERT_LE(e2 < 0 ? -e2 : e2, tolBack) << a << " -> " << b << " -> " << a << ": " << text
                                              << " gave " << there << " and " << back;
        // Signs survive (a zero value has none).
        ASSERT_EQ(back[0] == '-', x.num < 0) << text << " gave " << back;
    }
}

}  // namespace

// Found by fuzzing: the digits of a value with a huge exponent were read by
// printing it, gigabytes of text for an exponent near -10^9. Integer parts and
// digits are now taken from the limbs; the results are those of the rules.
TEST(BtoB, HugeExponentsNeedNoHugeText) {
    KVnum x(12);
    // 1.6e-1000000043 in radix 14: integer digit 0, then 16 (the limit at 12
    // limbs) fractional digits, all 0 since the value is below 14^-16.
    EXPECT_STREQ(x.BtoB(10, 14, "16e-1000002044"), "0.0000000000000000");
    // A receiver far below 1 read as digits of radix 16: every digit lies
    // beyond the place where its term is cut to 0.
    x = "16e-1000002044";
    EXPECT_STREQ(x.BtoB(16, 10, ""), "0");
    // A receiver whose text would be millions of digits, mostly exponent
    // zeros, is refused; the bound is 4,000,000 integer digits.
    kvtest::ErrorLog log;
    x = "7e5000000";
    EXPECT_STREQ(x.BtoB(16, 10, ""), "");
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Value too large to convert.");
}

// A receiver's own text far shorter than the bound is read as written, even
// when its exponent is large against the precision: "1e50" at 9 limbs is the
// 51 digits 1000...0, which read in radix 8 are 8^50 (exact integer
// arithmetic below). Each digit read truncates at 9 limbs, so the result
// lies below 8^50 by less than the documented 4 units of 10^(I - 4h), with
// I = 46 integer digits and h = 2.
TEST(BtoB, ShortOwnTextWithLargeExponentIsRead) {
    kvtest::ErrorLog log;
    KVnum x(9);
    x = "1e50";
    const std::string got = x.BtoB(8, 10, "");
    EXPECT_TRUE(log.messages().empty());
    KVnum d(40), r(40), bound(40);
    d = "1427247692705959881058285969449495136382746624";
    r = got.c_str();
    d -= r;
    bound = "4e38";
    EXPECT_FALSE(d.Minus()) << got;
    EXPECT_LT(d == bound, 0) << got;
}
