// kvcalc's evaluator apart from the command line: balls hold the exact
// results of their operations, exact values stay exact, undecidable
// questions ask for more precision instead of being guessed, and variables
// give more digits when a later line needs them.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "BallFunc.h"
#include "Calculator.h"
#include "Eval.h"
#include "Exact.h"

using namespace kvcalc;

namespace {

Rat ratOf(const std::string& text) { return *Rat::parse(text); }

// lo <= q <= hi for the ends of ball b, compared exactly.
bool holds(const Ball& b, const Rat& q) {
    return cmp(Rat::of(loOf(b)), q) <= 0 && cmp(q, Rat::of(hiOf(b))) <= 0;
}

std::string randomDecimal(std::mt19937_64& g) {
    std::uniform_int_distribution<int> len(1, 60), exp(-40, 40), dig(0, 9);
    std::string s = (g() & 1) ? "-" : "";
    const int n = len(g);
    for (int i = 0; i < n; ++i) s += static_cast<char>('1' + dig(g) % 9);
    return s + "e" + std::to_string(exp(g));
}

Options digits(int d) {
    Options o;
    o.precision = 20;
    o.digits = d;
    return o;
}

}  // namespace

TEST(BallArithmetic, HoldsTheExactResultOfEveryOperation) {
    std::mt19937_64 g(17);
    for (int i = 0; i < 300; ++i) {
        const Rat a = ratOf(randomDecimal(g)), b = ratOf(randomDecimal(g));
        // 16 to 44 digits: most results are cut. The operands' precisions
        // differ: they meet at the larger.
        const int W = 10 + 2 * static_cast<int>(g() % 8), W2 = 10 + 2 * static_cast<int>(g() % 8);
        const Ball x = a.ball(W), y = b.ball(W2);
        SCOPED_TRACE(i);
        EXPECT_TRUE(holds(add(x, y), *add(a, b)));
        EXPECT_TRUE(holds(sub(x, y), *sub(a, b)));
        EXPECT_TRUE(holds(mul(x, y), *mul(a, b)));
        EXPECT_TRUE(holds(div(x, y), *div(a, b)));
        // A ball that was cut, taken through more operations, still holds.
        EXPECT_TRUE(holds(mul(div(x, y), y), a));
    }
}

TEST(BallArithmetic, SignIsDecidedOnlyWhenTheBallExcludesZero) {
    const Ball third = div(ballOf(1, 12), ballOf(3, 12));
    const Ball almostZero = sub(mul(third, ballOf(3, 12)), ballOf(1, 12));  // holds 0 and numbers of both signs
    EXPECT_THROW(signOf(almostZero), NeedPrecision);
    EXPECT_EQ(signOf(third), 1);
    EXPECT_EQ(signOf(neg(third)), -1);
    EXPECT_EQ(signOf(Ball(12)), 0);
    EXPECT_THROW(div(ballOf(1, 12), almostZero), NeedPrecision);
    EXPECT_THROW(div(ballOf(1, 12), Ball(12)), CalcError);
    // A product beyond the exponent range ends the line; it is not a ball
    // that more digits could narrow.
    const Ball huge = ballOf(make(12, "1e1500000000"), 12);
    EXPECT_THROW(mul(huge, huge), CalcError);
}

TEST(BallFunctions, IdentitiesHoldOnTheirBalls) {
    for (const char* t : {"0.5", "1", "3.75", "1e-30", "123456.789", "1e300"}) {
        SCOPED_TRACE(t);
        const int W = 40;
        const Ball x = ratOf(t).ball(W);
        Ball s(W), c(W);
        sinCosBall(x, W, s, c);
        EXPECT_TRUE(holds(add(mul(s, s), mul(c, c)), Rat::of(1)));
        if (Rat::parse(t)->size() < 40 && cmp(ratOf(t), Rat::of(1000)) < 0) {
            EXPECT_TRUE(holds(expBall(lnBall(x, W), W), ratOf(t)));
            const Ball r = rootBall(x, 3, W);
            EXPECT_TRUE(holds(mul(mul(r, r), r), ratOf(t)));
        }
    }
}

TEST(Exact, RationalsStayExact) {
    const Rat third = *div(Rat::of(1), Rat::of(3));
    EXPECT_TRUE(mul(third, Rat::of(3))->isOne());
    EXPECT_TRUE(div(Rat::of(1), Rat::of(4))->unit);  // 0.25, a decimal
    EXPECT_FALSE(third.unit);
    EXPECT_EQ(cmp(*rootExact(ratOf("2.25"), 2), ratOf("1.5")), 0);
    EXPECT_EQ(cmp(*rootExact(*div(Rat::of(-27), Rat::of(8)), 3), ratOf("-1.5")), 0);
    EXPECT_FALSE(rootExact(Rat::of(2), 2).has_value());
    EXPECT_EQ(cmp(*powInt(ratOf("0.5"), -3), Rat::of(8)), 0);
    EXPECT_EQ(cmp(floor(ratOf("-2.5")), Rat::of(-3)), 0);
    EXPECT_EQ(cmp(trunc(*div(Rat::of(-7), Rat::of(2))), Rat::of(-3)), 0);
    EXPECT_TRUE(ratOf("1e300").isInteger());
    EXPECT_FALSE(add(ratOf("1e300"), ratOf("1e-300"))->isInteger());
    EXPECT_TRUE(ratOf("100000000000000000001").odd());
}

TEST(Evaluator, ExactValuesAndTheirRendering) {
    Evaluator ev;
    Env env;
    auto value = [&](const std::string& line) {
        Statement st = parseLine(line, [](const std::string&) { return false; });
        return ev.eval(*st.expr, env, 20);
    };
    EXPECT_TRUE(value("1/3*3").isRat());
    EXPECT_TRUE(value("sin(pi)").isRat());
    EXPECT_EQ(value("2*pi - pi").kind, Value::PiTimes);
    EXPECT_TRUE(value("ln(e^2)").isRat());
    EXPECT_TRUE(value("sqrt(1.44)").isRat());
    int64_t more = 0;
    EXPECT_EQ(*Calculator::render(value("1/3*3"), 20, digits(5), more), "1.00000");
    EXPECT_EQ(*Calculator::render(value("-1/10000"), 20, digits(3), more), "0.000");
    EXPECT_EQ(*Calculator::render(value("1 - 1e-300"), 20, digits(3), more), "0.999");
}

TEST(Evaluator, UndecidedOutputAsksForMoreDigits) {
    // sqrt(2)^2 is 2 exactly, but as a ball it straddles the cut at 2 at any
    // precision: it must never be printed as 1.99999 or 2.00000.
    Evaluator ev;
    Env env;
    Statement st = parseLine("sqrt(2)^2", [](const std::string&) { return false; });
    for (int W : {20, 60, 200}) {
        int64_t more = 0;
        EXPECT_FALSE(Calculator::render(ev.eval(*st.expr, env, W), W, digits(5), more).has_value());
    }
}

TEST(Evaluator, VariablesGiveMoreDigitsWhenAsked) {
    Evaluator ev;
    Env env;
    auto b = std::make_shared<Binding>();
    b->expr = std::shared_ptr<const Node>(parseLine("sin(1)", [](const std::string&) { return false; }).expr.release());
    env.vars["x"] = b;
    Statement st = parseLine("x * 3", [](const std::string& n) { return n == "x"; });
    const Value low = ev.eval(*st.expr, env, 20);
    const Value high = ev.eval(*st.expr, env, 200);
    ASSERT_FALSE(low.exact());
    EXPECT_LT(high.b.rad().log10(), low.b.rad().log10() - 150);
}
