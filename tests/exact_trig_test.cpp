// The exact tier's circular functions and pi against mpmath's values
// (tests/data/exact_trig.txt, written by gen_exact_trig.py), and properties
// that need no oracle: odd symmetry, order of neighbouring arguments, exact
// points, refusals and the exponent range.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <kelvane/ExactFunc.h>
#include <kelvane/Func.h>

#include "exact/Circular.h"
#include "kvtest.h"

namespace {

using kvtest::num;

typedef void (*Fn)(const KVnum&, KVnum*);

void piFn(const KVnum&, KVnum* r) { kvtrig::exactPi(r); }

Fn fnOf(const std::string& name) {
    if (name == "sin") return kvtrig::exactSin;
    if (name == "cos") return kvtrig::exactCos;
    if (name == "tan") return kvtrig::exactTan;
    if (name == "atan") return kvtrig::exactArctan;
    if (name == "asin") return kvtrig::exactArcsin;
    if (name == "acos") return kvtrig::exactArccos;
    if (name == "dtor") return kvtrig::exactDtoR;
    if (name == "rtod") return kvtrig::exactRtoD;
    if (name == "pi") return piFn;
    return nullptr;
}

// The result's mantissa digits (head limb to limb 0, no leading zeros).
std::string mantissa(const KVnum& r) {
    std::string s;
    char buf[8];
    for (int i = r.Top(); i >= 0; --i) {
        std::snprintf(buf, sizeof buf, "%04d", r.Limb(i));
        s += buf;
    }
    const size_t nz = s.find_first_not_of('0');
    return nz == std::string::npos ? "0" : s.substr(nz);
}

// The contract against the truth t = D 10^te (D truncated far below r's last
// place, sign in front): r = t cut toward zero at r's last place, at least
// 4h + 1 significant digits.
::testing::AssertionResult meetsContract(const KVnum& r, const std::string& truthDigits, int64_t te) {
    const bool tneg = truthDigits[0] == '-';
    const std::string D = tneg ? truthDigits.substr(1) : truthDigits;
    if (!kvtest::normalForm(r)) return ::testing::AssertionFailure() << "not in normal form";
    if (D == "0") {
        if (!r.IsZero()) return ::testing::AssertionFailure() << "zero expected";
        return ::testing::AssertionSuccess();
    }
    if (r.IsZero()) return ::testing::AssertionFailure() << "zero result";
    if (r.Minus() != tneg) return ::testing::AssertionFailure() << "wrong sign";
    const std::string M = mantissa(r);
    const int h = r.Nlimbs() / 2 - 2;
    if (static_cast<int>(M.size()) < 4 * h + 1) return ::testing::AssertionFailure() << "too few digits";
    const int64_t drop = static_cast<int64_t>(r.Expo()) - te;
    if (drop < 0 || drop >= static_cast<int64_t>(D.size()))
        return ::testing::AssertionFailure() << "result's last place " << r.Expo() << " against the table's " << te;
    const std::string want = D.substr(0, D.size() - static_cast<size_t>(drop));
    if (want != M) return ::testing::AssertionFailure() << "\n got  " << M << "\n want " << want;
    return ::testing::AssertionSuccess();
}

TEST(ExactTrig, OracleTable) {
    std::ifstream in(std::string(KELVANE_TEST_DATA) + "/exact_trig.txt");
    ASSERT_TRUE(in.good());
    std::string line;
    int rows = 0;
    kvtest::ErrorLog log;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ss(line);
        std::string fn, x, digits;
        int n;
        int64_t te;
        ss >> fn >> n >> x >> digits >> te;
        Fn f = fnOf(fn);
        ASSERT_NE(f, nullptr) << line;
        KVnum a = num(n, x.c_str()), r(n);
        f(a, &r);
        EXPECT_TRUE(meetsContract(r, digits, te)) << line;
        ++rows;
    }
    EXPECT_GT(rows, 300);
    EXPECT_TRUE(log.messages().empty());
}

TEST(ExactTrig, ExactPointsAndRefusals) {
    kvtest::ErrorLog log;
    KVnum zero(20), r(20);
    for (Fn f : {kvtrig::exactSin, kvtrig::exactTan, kvtrig::exactArctan, kvtrig::exactArcsin,
                 kvtrig::exactDtoR, kvtrig::exactRtoD}) {
        r = 5;
        f(zero, &r);
        EXPECT_TRUE(r.IsZero());
    }
    kvtrig::exactCos(zero, &r);
    EXPECT_EQ(kvtest::str(r), kvtest::str(num(20, "1")));
    kvtrig::exactArccos(num(20, "1"), &r);
    EXPECT_TRUE(r.IsZero());
    EXPECT_TRUE(log.messages().empty());
    // |x| > 1 for the arc sine and cosine: Func's message, result 0; just
    // above 1 counts.
    for (const char* x : {"2", "-1.5", "1.0000000000000000000000000000001"}) {
        log.messages().clear();
        r = 5;
        kvtrig::exactArcsin(num(20, x), &r);
        EXPECT_TRUE(r.IsZero());
        r = 5;
        kvtrig::exactArccos(num(20, x), &r);
        EXPECT_TRUE(r.IsZero());
        ASSERT_EQ(log.messages().size(), 2u) << x;
        EXPECT_EQ(log.messages()[0], "x^2 must be less than or equal to 1");
    }
    // Past 10^1000000 the reduction would need more places of pi than a call
    // may take: refused, 0.
    log.messages().clear();
    r = 5;
    kvtrig::exactCos(num(20, "-2e1000000"), &r);
    EXPECT_TRUE(r.IsZero());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Argument too large for the reduction.");
    // A degree value whose radians leave the exponent range, and back.
    log.messages().clear();
    kvtrig::exactRtoD(num(20, "9000e2147483679"), &r);  // the largest head limb's
    EXPECT_TRUE(r.IsZero());
    kvtrig::exactDtoR(num(20, "1e-2147483616"), &r);   // the smallest number held
    EXPECT_TRUE(r.IsZero());
    ASSERT_EQ(log.messages().size(), 2u);
    EXPECT_EQ(log.messages()[0], "Exponent out of range.");
    // Just inside the bottom of the range the result keeps the digits it can:
    // sin x of the smallest x held is x less a little, cut, at the lowest
    // exponent (head limb not full).
    log.messages().clear();
    kvtrig::exactSin(num(20, "100e-2147483616"), &r);  // 1e-2147483614
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(r.Expo(), INT32_MIN);
    EXPECT_EQ(kvtest::headLimbs(r), std::vector<int>({99, 9999, 9999, 9999, 9999, 9999, 9999, 9999, 9999}));
}

TEST(ExactTrig, ResultMayBeTheArgument) {
    KVnum x = num(20, "0.7"), y(20);
    kvtrig::exactSin(x, &y);
    kvtrig::exactSin(x, &x);
    EXPECT_EQ(kvtest::str(x), kvtest::str(y));
}

// Odd functions are odd digit for digit (truncation is toward zero), and
// neighbouring arguments keep the functions' order.
TEST(ExactTrig, SymmetryAndOrder) {
    std::mt19937_64 rng(16);
    const int n = 20;
    struct Case {
        Fn f;
        int dir;  // +1 increasing on the sampled range, -1 decreasing
        double lo, hi;
    } cases[] = {{kvtrig::exactSin, 1, -1.5, 1.5},   {kvtrig::exactTan, 1, -1.5, 1.5},
                 {kvtrig::exactArctan, 1, -50, 50},  {kvtrig::exactArcsin, 1, -0.999, 0.999},
                 {kvtrig::exactCos, -1, 0.01, 3.1},  {kvtrig::exactArccos, -1, -0.999, 0.999},
                 {kvtrig::exactDtoR, 1, -1e6, 1e6},  {kvtrig::exactRtoD, 1, -1e6, 1e6}};
    KVnum unit(n);
    unit = "1e-30";
    for (const Case& c : cases) {
        std::uniform_real_distribution<double> d(c.lo, c.hi);
        for (int i = 0; i < 25; ++i) {
            KVnum x(n), y(n), r(n), s(n);
            x = d(rng);
            y = x;
            y += unit;  // the next argument a few places on
            c.f(x, &r);
            c.f(y, &s);
            EXPECT_LE(c.dir * (r == s), 0) << kvtest::str(x);
            if (c.f == kvtrig::exactCos || c.f == kvtrig::exactArccos) continue;
            KVnum mx(n), mr(n);
            mx = x;
            mx *= num(n, "-1");
            c.f(mx, &mr);
            mr *= num(n, "-1");
            EXPECT_EQ(kvtest::str(mr), kvtest::str(r)) << kvtest::str(x);
        }
    }
}

// r <= t < r + ulp(r) on random arguments, t from Func at three times the
// limbs where its plain series keep their digits (right to a few units of
// its own last place, far below r's): an evaluation that shares no code
// with the exact tier.
TEST(ExactTrig, TruncationAgainstFuncAtThreeTimesTheLimbs) {
    std::mt19937_64 rng(1616);
    typedef KVnum* (ExactFunc::*EM)(KVnum*);
    typedef KVnum* (Func::*FM)(KVnum*);
    struct Case {
        EM e;
        FM f;
        double lo, hi;
    } cases[] = {{&ExactFunc::Sin, &Func::Sin, -1, 1},          {&ExactFunc::Cos, &Func::Cos, -1, 1},
                 {&ExactFunc::Arctan, &Func::Arctan, -0.9, 0.9}, {&ExactFunc::Arcsin, &Func::Arcsin, -0.7, 0.7},
                 {&ExactFunc::DtoR, &Func::DtoR, -400, 400}};
    for (int n : {9, 20, 60}) {
        const int m = 3 * n;
        for (const Case& c : cases) {
            std::uniform_real_distribution<double> d(c.lo, c.hi);
            for (int i = 0; i < 12; ++i) {
                ExactFunc ef(n);
                Func f(m);
                KVnum x(n), X(m);
                x = d(rng);
                X = x;
                KVnum r(m), t(m);
                r = *(ef.*c.e)(&x);
                t = *(f.*c.f)(&X);
                if (t.Minus()) t *= num(m, "-1");
                if (r.Minus()) r *= num(m, "-1");
                KVnum diff(m), ulp(m), eps(m);
                diff = t;
                diff -= r;  // |t| - |r|, in [0, ulp) up to Func's own error
                ulp = ("1e" + std::to_string((ef.*c.e)(&x)->Expo())).c_str();
                eps = ("1e" + std::to_string(t.Expo() + 3)).c_str();
                KVnum upper(m);
                upper = ulp;
                upper += eps;
                KVnum lower(m);
                lower -= eps;
                EXPECT_GE(diff == lower, 0) << n << " " << kvtest::str(x);
                EXPECT_LT(diff == upper, 0) << n << " " << kvtest::str(x);
            }
        }
    }
}

}  // namespace
