// Addition, subtraction, multiplication, division, integer power, integer part.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "kvtest.h"

using kvtest::num;
using kvtest::str;
using kvtest::headLimbs;

namespace {

enum Op { ADD, SUB, MUL, DIV, POW };

KVnum apply(Op op, int n, const char* a, const char* b) {
    KVnum x = num(n, a), y = num(n, b);
    switch (op) {
        case ADD: x += y; break;
        case SUB: x -= y; break;
        case MUL: x *= y; break;
        case DIV: x /= y; break;
        case POW: x ^= y; break;
    }
    return x;
}

struct Case { Op op; int n; const char* a; const char* b; const char* expected; };

void checkAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        KVnum r = apply(c.op, c.n, c.a, c.b);
        EXPECT_EQ(str(r), c.expected) << "op " << c.op << ": " << c.a << ", " << c.b << " at " << c.n;
        EXPECT_TRUE(kvtest::normalForm(r)) << c.a << ", " << c.b;
    }
}

}  // namespace

// ---- addition and subtraction --------------------------------------------------

TEST(AddSub, AlignmentCutsAndCarries) {
    checkAll({
        {ADD, 9, "1", "0.00000001", "1.00000001"},
        {ADD, 9, "1", "0.000000001", "1.00000000"},      // the addend is cut to nothing
        {SUB, 9, "1", "0.000000001", "1.00000000"},      // cut before subtracting
        {ADD, 9, "9999", "1", "10000.0000"},
        {ADD, 9, "99999999.99", "0.01", "100000000.00"},
        {ADD, 9, "123456789.123", "0.001", "123456789.124"},
        {SUB, 9, "10000", "0.0001", "9999.99990000"},
        {SUB, 9, "1.0001", "1", "0.000100000000"},
        {ADD, 9, "9999.99999999", "0.00000001", "10000.0000"},  // carry through every limb
        {SUB, 9, "10000", "9999.99999999", "0.000100000000"},  // the subtrahend is cut to 9999.9999
        {ADD, 130, "1", "1e-1000", std::string("1." + std::string(252, '0')).c_str()},
    });
    KVnum r = apply(ADD, 9, "1", "0.00000001");
    EXPECT_EQ(headLimbs(r), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(r.Expo(), -8);
    EXPECT_EQ(headLimbs(apply(ADD, 9, "9999", "1")), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(apply(ADD, 9, "9999", "1").Expo(), -4);
    KVnum s = apply(SUB, 9, "1.0001", "1");
    EXPECT_EQ(headLimbs(s), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(s.Expo(), -12);
    EXPECT_EQ(str(apply(ADD, 130, "1e-1000", "1")), "1." + std::string(252, '0'));
}

TEST(AddSub, SignTables) {
    struct S { const char* a; const char* b; bool add; const char* expected; };
    const S cases[] = {
        {"5", "7", false, "-2.00000000"},  {"-5", "-7", false, "2.00000000"},
        {"-5", "3", false, "-8.00000000"}, {"5", "-3", false, "8.00000000"},
        {"5", "-7", true, "-2.00000000"},  {"-5", "7", true, "2.00000000"},
        {"-5", "-3", true, "-8.00000000"}, {"0", "-5", true, "-5.00000000"},
        {"0", "5", false, "-5.00000000"},  {"0", "-5", false, "5.00000000"},
        {"-7", "-2", true, "-9.00000000"}, {"7", "2", false, "5.00000000"},
        {"-7", "-2", false, "-5.00000000"}, {"-7", "2", true, "-5.00000000"},
        {"7", "0", true, "7.00000000"},    {"-7", "0", false, "-7.00000000"},
    };
    for (const S& c : cases) {
        KVnum r = apply(c.add ? ADD : SUB, 9, c.a, c.b);
        EXPECT_EQ(str(r), c.expected) << c.a << (c.add ? " + " : " - ") << c.b;
    }
}

TEST(AddSub, CancellationGivesPositiveZero) {
    const char* pairs[][3] = {{"7", "7", "-"}, {"-7", "7", "+"}, {"-7", "-7", "-"}, {"0", "0", "-"}};
    for (auto& p : pairs) {
        KVnum r = apply(p[2][0] == '+' ? ADD : SUB, 9, p[0], p[1]);
        EXPECT_TRUE(r.IsZero());
        EXPECT_TRUE(kvtest::normalForm(r));
        EXPECT_EQ(r == num(9, "0"), 0);
    }
}

// ---- multiplication ---------------------------------------------------------------

TEST(Multiply, WorkedExamples) {
    KVnum sq = num(9, "1.23456789");
    sq *= sq;
    EXPECT_EQ(headLimbs(sq), (std::vector<int>{1, 5241, 5787}));
    EXPECT_EQ(sq.Expo(), -8);
    EXPECT_EQ(str(sq), "1.52415787");  // exact square 1.5241578750190521, cut
    KVnum p = apply(MUL, 9, "1234.5", "2");
    EXPECT_EQ(headLimbs(p), (std::vector<int>{2, 4690, 0}));
    EXPECT_EQ(p.Expo(), -5);
    EXPECT_EQ(str(p), "2469.00000");
    KVnum q = apply(MUL, 9, "-1234.5", "0.001");
    EXPECT_EQ(headLimbs(q), (std::vector<int>{1, 2345, 0}));
    EXPECT_EQ(q.Expo(), -8);
    EXPECT_TRUE(q.Minus());
    EXPECT_EQ(str(q), "-1.23450000");
    checkAll({
        {MUL, 9, "0", "-5", "0"}, {MUL, 9, "-5", "0", "0"},
        {MUL, 9, "-3", "-4", "12.00000000"}, {MUL, 9, "-3", "4", "-12.00000000"},
        {MUL, 9, "9999.99999999", "9999.99999999", "99999999.9998"},  // 99999999.9998000000000001 cut,
    });
    EXPECT_FALSE(apply(MUL, 9, "-5", "0").Minus());
}

// ---- division ----------------------------------------------------------------------

TEST(Divide, WorkedExamples) {
    struct D { const char* a; const char* b; std::vector<int> limbs; int expo; bool minus; const char* text; };
    const D cases[] = {
        {"1", "3", {3333, 3333, 0}, -12, false, "0.333333330000"},
        {"22", "7", {3, 1428, 5714}, -8, false, "3.14285714"},
        {"10", "4", {2, 5000, 0}, -8, false, "2.50000000"},
        {"1", "0.5", {2, 0, 0}, -8, false, "2.00000000"},
        {"-7", "7", {1, 0, 0}, -8, true, "-1.00000000"},
        {"2", "-1", {2, 0, 0}, -8, true, "-2.00000000"},
    };
    for (const D& c : cases) {
        KVnum r = apply(DIV, 9, c.a, c.b);
        EXPECT_EQ(headLimbs(r), c.limbs) << c.a << " / " << c.b;
        EXPECT_EQ(r.Expo(), c.expo) << c.a << " / " << c.b;
        EXPECT_EQ(r.Minus(), c.minus) << c.a << " / " << c.b;
        EXPECT_EQ(str(r), c.text) << c.a << " / " << c.b;
    }
    KVnum z = apply(DIV, 9, "0", "-5");
    EXPECT_TRUE(z.IsZero());
    EXPECT_FALSE(z.Minus());
}

TEST(Divide, TruncatedTrueQuotientForDivisorsBelowOne) {
    checkAll({
        {DIV, 9, "1", "0.3", "3.33333333"},
        {DIV, 9, "99999999.99", "0.01", "9999999999.00"},
        {DIV, 9, "5000", "0.5", "10000.0000"},
        {DIV, 9, "1", "0.0001", "10000.0000"},
        {DIV, 9, "1", "0.00003", "33333.3333"},
        {DIV, 9, "-1", "3e-20", "-33333333333300000000"},
        {DIV, 9, "1", "1e12", "0"},                 // below the dividend's last place
        {DIV, 9, "-1", "1e12", "0"},
        {DIV, 9, "1", "1e8", "0.0000000100000000"},
    });
    EXPECT_FALSE(apply(DIV, 9, "-1", "1e12").Minus());  // no negative zero
    // 1 / 7e-1000 at 130 limbs: floor(10^1252 / 7) has 1252 digits; its top
    // 63 limbs and the 2 leading digits of the next stay (256 digits), the rest
    // of the 1000-digit integer is zeros, and nothing of the fraction survives.
    std::string sevenths;
    while (sevenths.size() < 256) sevenths += "142857";
    sevenths.resize(256);
    EXPECT_EQ(str(apply(DIV, 130, "1", "7e-1000")), sevenths + std::string(744, '0'));
}

TEST(DivideDeathTest, ZeroDivisorEndsTheProcessWithFailure) {
    EXPECT_EXIT({ apply(DIV, 9, "5", "0"); }, ::testing::ExitedWithCode(1), "Error: Division by zero");
    EXPECT_EXIT({ apply(DIV, 9, "0", "0"); }, ::testing::ExitedWithCode(1), "Error: Division by zero");
    EXPECT_EXIT(
        {
            KVnum x = num(9, "1");
            KVnum empty;
            x /= empty;
        },
        ::testing::ExitedWithCode(1), "Error: Division by zero");
}

// ---- integer power and integer part ---------------------------------------------

TEST(Power, WorkedExamples) {
    checkAll({
        {POW, 9, "2", "10", "1024.00000000"}, {POW, 9, "1.5", "3", "3.37500000000"},
        {POW, 9, "-2", "3", "-8.00000000"},   {POW, 9, "-2", "2", "4.00000000"},
        {POW, 9, "2", "3.9", "8.00000000"},   {POW, 9, "2", "0.5", "1.00000000"},
        {POW, 9, "1.1", "20", "6.72749992"},  {POW, 9, "0", "0", "0"},
        {POW, 9, "0", "-3", "0"},             {POW, 9, "-1", "2", "1.00000000"},
        {POW, 9, "-1", "3", "-1.00000000"},   {POW, 9, "1", "1000000", "1.00000000"},
        {POW, 9, "7.25", "1", "7.2500000000"},  {POW, 9, "-7", "-0.7", "1.00000000"},
    });
}

TEST(Power, NegativeExponentIsReportedAndItsMagnitudeUsed) {
    kvtest::ErrorLog log;
    EXPECT_EQ(str(apply(POW, 9, "3", "-2")), "9.00000000");
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Power forced to positive.");
    EXPECT_EQ(str(apply(POW, 9, "0", "-2")), "0");  // reported even for a zero base
    EXPECT_EQ(log.messages().size(), 2u);
}

TEST(Power, ExponentsBeyondCountingEndWithAReport) {
    kvtest::ErrorLog log;
    KVnum r = apply(POW, 9, "2", "1e20");
    EXPECT_TRUE(r.IsZero());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Exponent out of range.");
    KVnum big = apply(POW, 9, "1e100000000", "30");  // leaves the exponent range
    EXPECT_TRUE(big.IsZero());
    EXPECT_EQ(log.messages().size(), 2u);
}

TEST(IntegerPart, CutsTowardZero) {
    struct I { int n; const char* text; const char* expected; };
    const I cases[] = {
        {9, "3.99", "3.00000000"}, {9, "-3.9", "-3.00000000"}, {9, "-0.5", "0"},
        {9, "0.999", "0"}, {9, "12345.678", "12345.0000"}, {9, "123456789012", "123456789012"},
        {9, "1e20", "100000000000000000000"}, {130, "7.5", nullptr},
    };
    for (const I& c : cases) {
        KVnum x = num(c.n, c.text);
        x.Intp();
        EXPECT_EQ(str(x), c.expected ? std::string(c.expected) : "7." + std::string(252, '0')) << c.text;
        EXPECT_TRUE(kvtest::normalForm(x)) << c.text;
    }
    KVnum y = num(9, "12345.678");
    y.Intp();
    EXPECT_EQ(headLimbs(y), (std::vector<int>{1, 2345, 0}));
    EXPECT_EQ(y.Expo(), -4);
}

TEST(IntegerPart, KeepsWholeNumbersWhoseDigitsDoNotLineUp) {
    // 1234567890120 at 9 limbs: reading its 13-digit text back would drop the
    // lowest limb; the number keeps its value and form instead.
    KVnum x = num(9, "123456789012e1");
    const int expo = x.Expo();
    x.Intp();
    EXPECT_EQ(str(x), "1234567890120");
    EXPECT_EQ(x.Expo(), expo);
}

// ---- every operator with itself as operand ----------------------------------------

TEST(SelfOperands, EachOperatorReadsItsOperandBeforeWriting) {
    for (const char* t : {"3.5", "-3.5", "9999.99999999", "0.0001"}) {
        KVnum a = num(9, t), b = num(9, t);
        KVnum x = a;
        x += x;
        b += a;
        EXPECT_EQ(x == b, 0) << t;
        x = a;
        x -= x;
        EXPECT_TRUE(x.IsZero()) << t;
        x = a;
        b = a;
        x *= x;
        b *= a;
        EXPECT_EQ(str(x), str(b)) << t;
        x = a;
        x /= x;
        EXPECT_EQ(str(x), "1.00000000") << t;
    }
    KVnum p = num(9, "3");
    p ^= p;
    EXPECT_EQ(str(p), "27.00000000");
}

// ---- numbers of different precisions and empty numbers -------------------------------

TEST(MixedPrecision, OperandsAreConvertedToTheReceiver) {
    KVnum a = num(9, "1"), wide = num(40, "0.1111111111111111111111111111111111111111");
    a += wide;  // wide is cut to 9 limbs first
    EXPECT_EQ(a.Nlimbs(), 9);
    EXPECT_EQ(str(a), "1.11111111");
    KVnum b = num(40, "2");
    KVnum small = num(9, "3");
    b *= small;
    EXPECT_EQ(b.Nlimbs(), 40);
    EXPECT_EQ(b == num(40, "6"), 0);
    b /= small;
    EXPECT_EQ(b == num(40, "2"), 0);
    EXPECT_EQ(num(9, "2") == num(40, "2.0000000000000000000000001"), 0);
}

TEST(EmptyNumbers, ReadAsZeroAndGetAnArrayAsTargets) {
    KVnum empty;
    KVnum a = num(11, "4");
    a += empty;
    EXPECT_EQ(str(a), "4.000000000000");
    a *= empty;
    EXPECT_TRUE(a.IsZero());
    KVnum t;
    t += num(11, "2.5");
    EXPECT_EQ(t.Nlimbs(), 11);
    EXPECT_EQ(t == num(11, "2.5"), 0);
    KVnum u;
    u -= num(9, "2");
    EXPECT_EQ(str(u), "-2.00000000");
    KVnum v;
    v.Intp();
    EXPECT_TRUE(v.IsZero());
}

TEST(ExponentRange, ProductsAndQuotientsOutsideTheIntRangeAreReported) {
    kvtest::ErrorLog log;
    KVnum a = num(9, "1e2000000000"), b = num(9, "1e2000000000");
    a *= b;
    EXPECT_TRUE(a.IsZero());
    KVnum c = num(9, "1e-2000000000");
    c /= b;
    EXPECT_TRUE(c.IsZero());
    KVnum d = num(9, "1e2000000000"), e = num(9, "1e-2000000000");
    d /= e;
    EXPECT_TRUE(d.IsZero());
    // c / b is zero without a report: the quotient lies below the last place
    // of the dividend, as 1 / 1e12 does at this precision.
    EXPECT_EQ(log.messages().size(), 2u);
    for (const auto& m : log.messages()) EXPECT_EQ(m, "Exponent out of range.");
    KVnum f = num(9, "1e2000000000"), g = num(9, "1e-2000000000");
    f *= g;  // the sum of the exponents fits: no report
    EXPECT_EQ(str(f), "1.00000000");
    EXPECT_EQ(log.messages().size(), 2u);
}

// ---- cases from the reference model ---------------------------------------------------

TEST(ReferenceModel, EveryOperationAgreesWithTheModel) {
    std::ifstream in(KELVANE_TEST_DATA "/arith.tsv");
    ASSERT_TRUE(in) << "missing " KELVANE_TEST_DATA "/arith.tsv";
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream f(line);
        std::string op, ns, a, b, expected;
        std::getline(f, op, '\t');
        std::getline(f, ns, '\t');
        std::getline(f, a, '\t');
        std::getline(f, b, '\t');
        std::getline(f, expected, '\t');
        const int n = std::stoi(ns);
        KVnum x = num(n, a.c_str());
        if (op == "I") {
            x.Intp();
        } else {
            KVnum y = num(n, b.c_str());
            switch (op[0]) {
                case '+': x += y; break;
                case '-': x -= y; break;
                case '*': x *= y; break;
                case '/': x /= y; break;
                case '^': x ^= y; break;
            }
        }
        ASSERT_EQ(str(x), expected) << line;
        ASSERT_TRUE(kvtest::normalForm(x)) << line;
        ++count;
    }
    EXPECT_GT(count, 4000);
}

// ---- random properties ----------------------------------------------------------------

namespace {

std::string randomText(std::mt19937_64& rng, int n) {
    const int h = n / 2 - 2;
    std::uniform_int_distribution<int> len(1, 4 * h + 1), digit(0, 9), style(0, 3), ex(-30, 30);
    std::string s = rng() % 3 == 0 ? "-" : "";
    const int L = len(rng);
    const int st = style(rng);
    for (int i = 0; i < L; ++i) {
        int d = st == 0 ? 9 : st == 1 ? (rng() % 2 ? 9 : 0) : digit(rng);
        if (i == 0 && d == 0) d = 1;
        s += static_cast<char>('0' + d);
    }
    return s + "e" + std::to_string(ex(rng));
}

// |exact - got| <= bound, evaluated at a precision wide enough to be exact.
bool within(const KVnum& exact, const KVnum& got, const std::string& bound) {
    KVnum d(400), b(400);
    d = exact;
    KVnum g(400);
    g = got;
    d -= g;
    if (d.Minus()) {
        KVnum zero(400);
        zero -= d;
        d = zero;
    }
    b = bound.c_str();
    return (d == b) <= 0;
}

}  // namespace

TEST(RandomProperties, InvariantsAndTruncationBounds) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 rng(seed);
    for (int n : {9, 10, 11, 13, 20}) {
        const int h = n / 2 - 2;
        for (int i = 0; i < 300; ++i) {
            const std::string ta = randomText(rng, n), tb = randomText(rng, n);
            KVnum a = num(n, ta.c_str()), b = num(n, tb.c_str());
            // (a + b) - b is a within the cuts of the two results and the
            // alignments: a few units of the largest last place involved.
            KVnum s = a;
            s += b;
            KVnum r = s;
            r -= b;
            ASSERT_TRUE(kvtest::normalForm(s) && kvtest::normalForm(r)) << ta << " " << tb;
            int m = std::max({a.Expo(), b.Expo(), s.Expo(), r.Expo()});
            ASSERT_TRUE(within(a, r, "4e" + std::to_string(m))) << ta << " " << tb;
            // (a * b) / b: relative cut of the product plus the quotient's
            // last place (the grid of the product).
            KVnum p = a;
            p *= b;
            KVnum q = p;
            q /= b;
            ASSERT_TRUE(kvtest::normalForm(p) && kvtest::normalForm(q)) << ta << " " << tb;
            KVnum abs_a(400);
            abs_a = a;
            std::string rel = std::string(abs_a.String(0, false));
            if (rel[0] == '-') rel.erase(0, 1);
            KVnum bound(400);
            bound = rel.c_str();
            KVnum scale(400);
            scale = ("2e-" + std::to_string(4 * h)).c_str();
            bound *= scale;
            KVnum grid(400);
            grid = ("2e" + std::to_string(std::max(p.Expo(), q.Expo()))).c_str();
            bound += grid;
            ASSERT_TRUE(within(a, q, bound.String(0, false))) << ta << " " << tb;
            // |q| never exceeds |a|: both steps cut toward zero.
            KVnum aa = a, qq = q;
            if (aa.Minus()) { KVnum z(n); z -= aa; aa = z; }
            if (qq.Minus()) { KVnum z(n); z -= qq; qq = z; }
            ASSERT_LE(qq == aa, 0) << ta << " " << tb;
        }
    }
}
