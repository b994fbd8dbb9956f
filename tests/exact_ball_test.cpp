// The ball layer: every ball holds the true value, and the radius stays
// within a few units of the working precision. True values come from
// tests/data/exact_ball.txt (mpmath, 140 digits; gen_exact_ball.py).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "exact/Ball.h"
#include "number/kernels.h"
#include "kvtest.h"

using namespace kvexact;

namespace {

// |truth - mid| <= rad, decided exactly at 200 limbs (the truth has 140
// digits; its own error, below 1e-138 relative, is allowed for).
::testing::AssertionResult holds(const Ball& b, const std::string& truth) {
    if (b.unbounded() || b.outOfRange()) return ::testing::AssertionFailure() << "no bound";
    KVnum t(200), d(200), r(200);
    t = truth.c_str();
    d = t;
    d -= b.mid();
    if (d.Minus()) {
        KVnum z(200);
        z -= d;
        d = z;
    }
    const Mag slack = addUp(b.rad(), mulUp(magUp(t), Mag::pow10(-136)));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17ge%lld", slack.m, static_cast<long long>(slack.e));
    r = buf;
    r -= d;
    if (r.Minus())
        return ::testing::AssertionFailure() << "error " << kvtest::str(d).substr(0, 60) << " above radius " << buf;
    return ::testing::AssertionSuccess();
}

// The radius is at most 10^(3 + extra) units of the value's last place at wp.
bool tight(const Ball& b, int wp, int extra) {
    const Mag v = magUp(b.mid());
    const Mag ulp = mulUp(v, Mag::pow10(-4 * static_cast<int64_t>(wp / 2 - 2)));
    return cmp(b.rad(), mulUp(ulp, Mag::pow10(3 + extra))) <= 0;
}

}  // namespace

TEST(ExactBall, OperationsHoldTheTrueValue) {
    std::ifstream in(KELVANE_TEST_DATA "/exact_ball.txt");
    ASSERT_TRUE(in) << "missing tests/data/exact_ball.txt";
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string op, a, b, c, truth;
        int wp;
        s >> op >> a >> b >> c >> wp >> truth;
        SCOPED_TRACE(line.substr(0, 80));
        Ball x = Ball(a.c_str(), wp) / Ball(c.c_str(), wp);
        Ball y(b.c_str(), wp);
        Ball r(wp);
        int extra = 0;
        if (op == "add") r = x + y;
        else if (op == "sub") r = x - y;
        else if (op == "mul") r = x * y;
        else if (op == "div") r = x / y;
        else if (op == "sqrt") r = sqrt(x);
        else if (op == "cbrt") r = root(x, 3);
        else if (op == "powi") r = powi(x, 7), extra = 1;
        else if (op == "exp") r = exp(x), extra = 1;
        else if (op == "log") r = log(x);
        else FAIL() << "unknown op " << op;
        EXPECT_TRUE(holds(r, truth));
        // Sums and differences may cancel: only the others promise a tight radius.
        if (op != "add" && op != "sub" && op != "log" && op != "exp") {
            EXPECT_TRUE(tight(r, wp, extra));
        }
        ++n;
    }
    EXPECT_GT(n, 200);
}

// The truth of a row "Ln n x - truth" of exact_log_constants.txt.
std::string logTruth(const std::string& n, const std::string& x) {
    std::ifstream in(KELVANE_TEST_DATA "/exact_log_constants.txt");
    std::string line, m, rn, rx, y, truth;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        s >> m >> rn >> rx >> y >> truth;
        if (m == "Ln" && rn == n && rx == x) return truth;
    }
    return "";
}

// ln 2 and ln 10 hold their true values within two units of the last place,
// with the products and quotients these lengths take, and again with the
// transform product and the Newton quotient brought down to them.
TEST(ExactBall, LogConstantsHoldTheTrueValueTightly) {
    const std::string t2 = logTruth("1000", "2"), t10 = logTruth("1000", "10");  // 2,036 digits
    ASSERT_GT(t2.size(), 2000u);
    ASSERT_GT(t10.size(), 2000u);
    const kv::Thresholds saved = kv::thresholds;
    for (int small : {0, 1}) {
        if (small) kv::thresholds = {2, 2};
        for (int wp : {9, 10, 13, 130, 131, 1000}) {
            SCOPED_TRACE(wp);
            Ball l10(wp), l2(wp);
            lnConstants(wp, l10, l2);
            for (const Ball* b : {&l2, &l10}) {
                const std::string& truth = b == &l2 ? t2 : t10;
                KVnum t(1100), d(1100), r(1100);
                t = truth.c_str();
                d = t;
                d -= b->mid();
                if (d.Minus()) {
                    KVnum z(1100);
                    z -= d;
                    d = z;
                }
                const Mag slack = addUp(b->rad(), Mag::pow10(-2030));  // the truth's own cut
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.17ge%lld", slack.m, static_cast<long long>(slack.e));
                r = buf;
                r -= d;
                EXPECT_FALSE(r.Minus()) << "error " << kvtest::str(d).substr(0, 40) << " above " << buf;
                EXPECT_LE(cmp(b->rad(), mulUp(unitOf(b->mid()), Mag::up(2, 0))), 0);
            }
        }
    }
    kv::thresholds = saved;
}

TEST(ExactBall, RootsOfHighOrderStayTight) {
    // x up to 10^n, and n of up to ten digits, meet quotients that KVnum
    // cuts at the dividend's last limb; the roots must still come out within
    // a few units (truths from mpmath, 140 digits).
    struct Case { const char* x; int64_t n; const char* truth; };
    const Case cases[] = {
        {"0.5", 50, "0.9862327044933591729073804985266840397651782386303852903300640564851646459936270525549200735649247200286391210859764506678688231528859509"},
        {"0.9", 50, "0.9978950082958631975191201863058839363686326047899428788734654423729607412930567390249977316038698362983569862392981329006628375908308370"},
        {"2e50", 101, "3.147965760050710770979420916383256009895275349109090268563369062552005173243703660833012817384627703515762967991224619673983643886315215"},
        {"7.5e89", 101, "7.759827940680228300584760112806686934960052706318242600377906347759757751888001026005661129189350456368106561887443475569065461354250922"},
        {"1e1000000", 999999999, "1.0023052380802075650175434592055797908764350121412152222072894607852112136998134010556612747190934045619039571318932335490478640585666072306"},
        {"3", 123456789, "1.0000000088987596587843625324466966174335765253069484460153220789449216508205160232136933127940470101349704189244892141351190867126903353125"},
        {"1e-300", 64, "0.00002053525026457146074605752348295612076573614291829562337520639447202312708216395899434064972968405911435501327969230813958574721516203458"},
    };
    for (const Case& c : cases) {
        for (int wp : {12, 40}) {
            SCOPED_TRACE(std::string(c.x) + " n=" + std::to_string(c.n) + " wp=" + std::to_string(wp));
            const Ball r = root(Ball(c.x, wp), c.n);
            EXPECT_TRUE(holds(r, c.truth));
            EXPECT_TRUE(tight(r, wp, 1));
        }
    }
}

TEST(ExactBall, QuotientsBeyondTheRangeAreMarked) {
    // Divisors below 10^4 are not scaled, tiny ones included: the range check
    // must still see the quotient's own size.
    struct Case { const char* a; const char* b; bool out; };
    const Case cases[] = {{"5e1646900580", "9e-599709606", true},
                          {"5e1646900580", "9e-499709606", false},
                          {"5e-1646900580", "9e599709606", true},
                          {"5e-1646900580", "9e499709606", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        kvtest::ErrorLog errors;
        const Ball q = Ball(c.a, 12) / Ball(c.b, 12);
        EXPECT_EQ(q.outOfRange(), c.out);
        EXPECT_TRUE(kvtest::ErrorLog::messages().empty());
    }
}

// e^a's upper bound for the small a of radii and relative errors, where it
// takes a shorter route below 10^-3: e^a - 1 lies in [a + a^2/2, a + a^2]
// for 0 < a <= 10^-3, so the bound minus 1 must be at least a + a^2/2 and
// stay within 1 % of a (plus the 2^-46 nudge). 10^-3 itself and 0.5 take the
// general route.
TEST(ExactBall, ExponentialBoundOfSmallArgumentsStaysAbove) {
    const struct {
        double m;
        int e;
    } rows[] = {{9.99, -4}, {1, -4}, {5, -8}, {1, -15}, {3, -16}, {1.5, -20}, {9.9, -21},
                {1, -21}, {1, -300}, {1, -3}, {5, -1}};
    for (const auto& r : rows) {
        const Mag a = Mag::up(r.m, r.e);
        const Mag b = expUp(a);
        const long double av = static_cast<long double>(r.m) * std::pow(10.0L, static_cast<long double>(r.e));
        const long double bv = static_cast<long double>(b.m) * std::pow(10.0L, static_cast<long double>(b.e));
        SCOPED_TRACE(std::to_string(r.m) + "e" + std::to_string(r.e));
        EXPECT_GE(bv - 1, av + av * av / 2);
        EXPECT_GT(bv, 1.0L);
        EXPECT_LE(bv - 1, 1.01L * std::expm1(av) + 2e-14L);
    }
}

TEST(ExactBall, ExactInputsStayExact) {
    struct Case { const char* a; const char* b; char op; const char* want; };
    const Case cases[] = {
        {"0.1", "0.2", '+', "0.3"},     {"1e-30", "1e30", '*', "1"},
        {"1", "8", '/', "0.125"},       {"12345678", "0.0001", '*', "1234.5678"},
        {"7", "7", '-', "0"},           {"-2.5", "4", '*', "-10"},
    };
    for (const Case& c : cases) {
        Ball a(c.a, 9), b(c.b, 9);
        Ball r = c.op == '+' ? a + b : c.op == '-' ? a - b : c.op == '*' ? a * b : a / b;
        EXPECT_TRUE(r.exact()) << c.a << c.op << c.b;
        EXPECT_EQ(compare(r, Ball(c.want, 9)), 0) << c.a << c.op << c.b;
    }
    // 1/3 is not exact, and a ball of 40 digits at 9 limbs is not either.
    EXPECT_FALSE((Ball(1, 9) / Ball(3, 9)).exact());
    EXPECT_FALSE(Ball("1.234567890123456789012345678901234567", 9).exact());
}

TEST(ExactBall, SignAndCompareSayWhenTheyCannotDecide) {
    Ball third = Ball(1, 12) / Ball(3, 12);
    Ball back = third * Ball(3, 12);  // 0.999... with a radius that reaches 1
    EXPECT_EQ(compare(back, Ball(1, 12)), UNDECIDED);
    EXPECT_EQ(compare(third, Ball("0.3333", 12)), 1);
    EXPECT_EQ(sign(Ball(12) - Ball(12)), 0);
    EXPECT_EQ(sign(-third), -1);
    EXPECT_TRUE((Ball(1, 12) / (back - Ball(1, 12))).unbounded());
    EXPECT_EQ(sign(log(Ball(-2, 12))), UNDECIDED);
}

TEST(ExactBall, ZivTruncatesTowardZero) {
    // 2/3 and -2/3 cut, not rounded; sqrt(2). How many digits the head limb
    // holds depends on the computation: at least 9 at 9 limbs.
    struct Case { const char* x; const char* truth; };
    const Case cases[] = {{"2", "0.66666666666666666666"}, {"-2", "-0.66666666666666666666"}};
    KVnum out(9);
    for (const Case& c : cases) {
        ASSERT_EQ(ziv(9, [&](int wp) { return Ball(c.x, wp) / Ball(3, wp); }, out), Outcome::Done);
        EXPECT_EQ(kvtest::str(out), std::string(c.truth).substr(0, kvtest::str(out).size()));
        EXPECT_TRUE(kvtest::normalForm(out));
        EXPECT_GE(kvtest::str(out).size(), c.x[0] == '-' ? 12u : 11u);
    }
    ASSERT_EQ(ziv(9, [](int wp) { return sqrt(Ball(2, wp)); }, out), Outcome::Done);
    EXPECT_EQ(kvtest::str(out), std::string("1.414213562373095").substr(0, kvtest::str(out).size()));
    // e^(1e10) is beyond the exponent range: reported as such, no message.
    kvtest::ErrorLog errors;
    EXPECT_EQ(ziv(9, [](int wp) { return exp(Ball("1e10", wp)); }, out), Outcome::OutOfRange);
    EXPECT_TRUE(out.IsZero());
    EXPECT_TRUE(kvtest::ErrorLog::messages().empty());
    // e^(ln(1e-300) / 3) is 1e-100 exactly, which no ball shows: undecided
    // without a hook, found with one that proves it.
    auto cube = [](int wp) { return exp(log(Ball("1e-300", wp)) / Ball(3, wp)); };
    EXPECT_EQ(ziv(9, cube, out, nullptr, 30), Outcome::Undecided);
    KVnum x(9);
    x = "1e-300";
    auto hook = [&](const Ball& b, KVnum& v) { return nearestCut(b, 9, v) && powersEqual(v, 3, x, 1); };
    ASSERT_EQ(ziv(9, cube, out, hook), Outcome::Done);
    EXPECT_EQ(out == kvtest::num(9, "1e-100"), 0);
    EXPECT_TRUE(kvtest::normalForm(out));
}

TEST(ExactBall, PowersEqualIsExact) {
    auto n = [](const char* s) { return kvtest::num(20, s); };
    EXPECT_TRUE(powersEqual(n("2"), 2, n("4"), 1));           // 2^2 = 4
    EXPECT_TRUE(powersEqual(n("10"), 1000000, n("1e1000000"), 1));
    EXPECT_TRUE(powersEqual(n("0.5"), 1, n("2"), -1));         // 0.5 = 2^-1
    EXPECT_TRUE(powersEqual(n("1.1"), 2, n("1.21"), 1));
    EXPECT_FALSE(powersEqual(n("2"), 3, n("8.000000000000000001"), 1));
    EXPECT_FALSE(powersEqual(n("1.99999999999999999"), 3, n("8"), 1));
    EXPECT_FALSE(powersEqual(n("3"), 1000000000, n("7"), 1));  // over the digit budget: not claimed
}
