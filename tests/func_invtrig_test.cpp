// Arc tangent, arc sine and arc cosine. Reference values come from
// tests/data/gen_trig_oracle.py (Python's decimal module).
#include <string>

#include "data/trig_check.h"

namespace {

// PI_DIGITS cut to n limbs, divided by d (an int), negated when `neg`.
KVnum piOver(int n, int d, bool neg = false) {
    KVnum v(n), t(n);
    v = PI_DIGITS;
    t = d;
    v /= t;
    if (neg) {
        t = 0;
        t -= v;
        v = t;
    }
    return v;
}

// ---- Exact results and substitute results -------------------------------

TEST(InvTrigExact, ZeroOneAndMinusOne) {
    for (int n : {9, 130}) {
        kvtest::ErrorLog reports;
        Func f(n);
        KVnum x(n);
        x = 0;
        EXPECT_TRUE(f.Arctan(&x)->IsZero());
        EXPECT_TRUE(f.Arcsin(&x)->IsZero());
        EXPECT_EQ(*f.Arccos(&x) == piOver(n, 2), 0) << "arccos 0 = pi/2 - arctan 0";
        x = 1;
        EXPECT_TRUE(f.Arccos(&x)->IsZero());
        EXPECT_EQ(*f.Arcsin(&x) == piOver(n, 2), 0);
        x = -1;
        EXPECT_EQ(*f.Arcsin(&x) == piOver(n, 2, true), 0) << "arcsin -1 = -(arcsin 1)";
        EXPECT_EQ(*f.Arccos(&x) == piOver(n, 1), 0) << "arccos -1 = pi";
        EXPECT_TRUE(reports.messages().empty());
    }
}

struct Refusal {
    const char* method;
    const char* arg;
    const char* message;
};

const Refusal kRefusals[] = {
    {"Arctan", "1", "x^2 must be less or greater than 1"},
    {"Arctan", "-1", "x^2 must be less or greater than 1"},
    {"Arcsin", "2", "x^2 must be less than or equal to 1"},
    {"Arcsin", "-1.5", "x^2 must be less than or equal to 1"},
    {"Arccos", "2", "x^2 must be less than or equal to 1"},
    {"Arccos", "-1.0001", "x^2 must be less than or equal to 1"},
};

TEST(InvTrigRefusal, MessageAndZero) {
    const int n = 20;
    Func f(n);
    KVnum x(n);
    for (const Refusal& r : kRefusals) {
        x = "0.3";
        f.Arctan(&x);  // a non-zero result beforehand
        kvtest::ErrorLog reports;
        x = r.arg;
        KVnum* got = callMethod(f, r.method, &x);
        EXPECT_TRUE(got->IsZero()) << r.method << "(" << r.arg << ")";
        ASSERT_EQ(reports.messages().size(), 1u) << r.method << "(" << r.arg << ")";
        EXPECT_EQ(reports.messages()[0], r.message);
    }
}

// ---- The values quoted to 50 places, at the default precision ------------

TEST(InvTrigQuoted, FiftyPlacesAtDefaultPrecision) {
    struct Quoted {
        const char* method;
        const char* arg;
        const char* text;
    };
    const Quoted quoted[] = {
        {"Arctan", "0.2", "0.19739555984988075837004976519479029344758510378785"},
        {"Arctan", "2", "1.10714871779409050301706546017853704007004764540143"},
        {"Arcsin", "0.5", "0.52359877559829887307710723054658381403286156656251"},
        {"Arccos", "0.5", "1.04719755119659774615421446109316762806572313312503"},
    };
    Func f(130);
    KVnum x(130);
    for (const Quoted& q : quoted) {
        x = q.arg;
        KVnum* got = callMethod(f, q.method, &x);
        EXPECT_EQ(text(*got, 50), q.text) << q.method << "(" << q.arg << ")";
        EXPECT_TRUE(agrees(*got, oracle(q.method, q.arg))) << q.method << "(" << q.arg << ")";
    }
}

// ---- Against the reference values at small precisions ------------------

TEST(InvTrigOracle, TableAtSmallPrecisions) {
    const char* const rows[][2] = {
        {"Arctan", "0.2"},  {"Arctan", "-0.2"},   {"Arctan", "0.9"},  {"Arctan", "2"},
        {"Arctan", "-2"},   {"Arctan", "-1.5"},   {"Arcsin", "0.5"},  {"Arcsin", "-0.5"},
        {"Arcsin", "0.7"},  {"Arcsin", "0.71"},   {"Arcsin", "-0.7"}, {"Arcsin", "0.99"},
        {"Arcsin", "0.999999"}, {"Arcsin", "-0.999999"}, {"Arcsin", "0.001"},
        {"Arccos", "0.5"},  {"Arccos", "-0.5"},   {"Arccos", "0.9"},  {"Arccos", "-0.9"},
        {"Arccos", "-0.75"},
    };
    for (int n : {9, 20}) {
        kvtest::ErrorLog reports;
        Func f(n);
        KVnum x(n);
        for (const auto& row : rows) {
            x = row[1];
            EXPECT_TRUE(agrees(*callMethod(f, row[0], &x), oracle(row[0], row[1])))
                << row[0] << "(" << row[1] << ")";
        }
        EXPECT_TRUE(reports.messages().empty());
    }
}

// ---- Negative arguments beyond -1 --------------------------------------

TEST(InvTrigNegative, ArctanBelowMinusOneIsTheNegation) {
    const int n = 20;
    Func f(n);
    KVnum x(n), a(n);
    for (const char* arg : {"1.5", "3", "1e5"}) {
        x = arg;
        a = *f.Arctan(&x);
        x = ("-" + std::string(arg)).c_str();
        KVnum* b = f.Arctan(&x);
        KVnum zero(n);
        EXPECT_LT(*b == zero, 0) << arg;
        a += *b;
        EXPECT_TRUE(a.IsZero()) << "arctan(-" << arg << ") = -arctan(" << arg << ")";
    }
}

TEST(InvTrigNegative, ArccosBetweenMinusOneAndMinusRootHalf) {
    // The quotient handed to Arctan is below -1 here (-0.75 is in the table
    // at small precisions).
    Func f(130);
    KVnum x(130);
    x = "-0.9";
    EXPECT_TRUE(agrees(*f.Arccos(&x), oracle("Arccos", "-0.9")));
}

// ---- Arctan near x*x = 1: the argument is halved instead of summing ------
// Reference digits from bc -l (scale=300): a(x), and for the arc cosine
// 2*a(1) - a(x/sqrt(1-x*x)).

TEST(InvTrigArctan, NearOneReducesTheArgument) {
    struct Row { const char* x; const char* want; };
    const Row rows[] = {
        {"0.99", "0.78037308006663589889787151727255034701935159001153971156820877653887146052090210794410656005800694503816405127120268840734960504981653295168383512771886216701222688338269949974748185368911708978451309532851923378970111130858927521546969811019429125171048146683290033021418809458"},
        {"-0.995", "-0.7828919029808600941673653430727219469883205584769273284567023648361766592100065729319881359335819608570667455897587120946218698209844215527215261679871538581970460149179048328565639571393617692182286359268827667826905548414507106704957161730364252825331097880313531020890455979"},
        {"1.01", "0.79037324672830238700005434103397936888853990531137772588441398330269118344598346551287338679371076015669362628065416598189596884551903699590835301249949409130763774671597061744498374413643185305490372582547512190948638024274613416821878060211051755239986412065006311380753978378"},
        {"0.9999999999", "0.78539816334744830961316084581979238771595901651044337191040283557695410246440939251415156347491418763014515654894129275123955061847717174355128105232488333254203045513491408855695228168313034194776479113766763506251231010950479017168257287642495366644929256488349457207637174098"},
        {"-1.0000001", "-0.7853982133974458096157441791532090541326257040104422290532599576042358472907982956075859069126697480478484252418077838989818472565751693852456999522861601302370112303083754433158396954483577161042409180067567235717511068213431128999448124861722456545713677321958336430367471614"},
        {"0.97", "0.77017091402033100725861937873631851461238756680020048300501975786375637092297740587431188018526214871231485394885219695779112737308435440964236288850425991173887539163582847057612862416843603860481020222757439653092563419385209611885429004649008457244243118498473714595422238341"},
        {"1.04", "0.80500349425465299718908581179884131825919110493482293123734229677160126032190673231762284645380657394443475087825872349952138674923160440137488189351684511983854164741684040338063526403109067812906002356397623501639125159974876615606492663609163348698673746303332607252529298231"},
    };
    for (int n : {9, 20, 130}) {
        Func f(n);
        KVnum x(n);
        for (const Row& r : rows) {
            x = r.x;
            EXPECT_TRUE(agrees(*f.Arctan(&x), r.want)) << r.x << " at " << n;
        }
    }
}

TEST(InvTrigArccos, NearRootHalfEnds) {
    Func f(130);
    KVnum x(130);
    x = "0.70710678118654";
    EXPECT_TRUE(agrees(*f.Arccos(&x), "0.78539816339745895072538367421987572104929315312849455051181088388847953641717777100600424112809308828505087504180370744690799709201784644858344848948060385986530549140915801490932569082936653257721437396816531318891457755422831268269257101302661709225028093295511501850693975019"));
}

// ---- Arcsin near 1 and at the change of method --------------------------

TEST(InvTrigArcsin, NearOneAtDefaultPrecision) {
    Func f(130);
    KVnum x(130);
    for (const char* arg : {"0.99", "0.999999", "-0.999999", "-0.7"}) {
        x = arg;
        EXPECT_TRUE(agrees(*f.Arcsin(&x), oracle("Arcsin", arg))) << arg;
    }
}

TEST(InvTrigArcsin, AllNinesAtEachPrecision) {
    // 1 - 10^-k with k the most digits the precision holds (4h + 4): 1 - x
    // then has its last digit below the last place of the number 1.
    for (int n : {9, 20, 130}) {
        const int digits = 4 * (n / 2 - 2) + 4;
        const std::string nines(digits, '9');
        Func f(n);
        KVnum x(n), scale(n);
        x = nines.c_str();  // an integer: the text is read in full
        scale = ("1e-" + std::to_string(digits)).c_str();
        x *= scale;
        ASSERT_EQ(text(x), "0." + nines) << n;
        EXPECT_TRUE(agrees(*f.Arcsin(&x), oracle("Arcsin", ("0." + nines).c_str()))) << n;
        KVnum neg(n);
        neg = 0;
        neg -= x;
        KVnum* r = f.Arcsin(&neg);
        EXPECT_TRUE(agrees(*r, ("-" + std::string(oracle("Arcsin", ("0." + nines).c_str()))).c_str()))
            << n;
    }
}

TEST(InvTrigArcsin, EitherSideOfRootHalf) {
    const char* below = "0.7071067811865475244008443621048490392848";
    const char* above = "0.7071067811865475244008443621048490392849";
    const int n = 31;  // holds the 40 places of the arguments
    Func f(n);
    KVnum x(n), half(n), q(n);
    half = 0.5;
    for (const char* arg : {below, above}) {
        x = arg;
        q = x;
        q *= x;
        EXPECT_NE(q == half, 0);
        EXPECT_TRUE(agrees(*f.Arcsin(&x), oracle("Arcsin", arg))) << arg;
    }
}

// ---- Arccos when the quotient is exactly +-1 -----------------------------

TEST(InvTrigArccos, QuotientOfOneIsQuarterPiWithoutReport) {
    // Arguments just above sqrt(1/2) with 4h decimals, so that 1 - x is exact
    // whichever way it is formed. For each, the quotient w = x / sqrt(1 - x*x)
    // is formed as Arccos forms it; where w*w compares equal to 1, Arctan
    // would refuse, and Arccos must give pi/2 - pi/4 from PI_DIGITS instead,
    // without a report (and pi/2 + pi/4 for -x).
    const std::string rootHalf =
        "0.707106781186547524400844362104849039284835937688474036588339868995366239231";
    int found = 0;
    for (int n = 9; n <= 40; ++n) {
        const int places = 4 * (n / 2 - 2);
        Func f(n);
        KVnum x(n), u(n), v(n), r(n), w(n), q(n), one(n), ulp(n);
        ulp = ("1e-" + std::to_string(places)).c_str();
        x = rootHalf.substr(0, 2 + places).c_str();
        one = 1;
        for (int k = 1; k <= 3; ++k) {
            x += ulp;
            u = one;
            u -= x;
            v = one;
            v += x;
            u *= v;
            r = *f.Iroot(&u, 2);
            w = x;
            w /= r;
            q = w;
            q *= w;
            if ((q == one) != 0) continue;
            ++found;
            kvtest::ErrorLog reports;
            KVnum want(piOver(n, 2));
            want -= piOver(n, 4);
            EXPECT_EQ(*f.Arccos(&x) == want, 0) << text(x);
            KVnum mx(n);
            mx = 0;
            mx -= x;
            want = piOver(n, 2);
            want += piOver(n, 4);
            EXPECT_EQ(*f.Arccos(&mx) == want, 0) << "-" << text(x);
            EXPECT_TRUE(reports.messages().empty()) << text(x);
        }
    }
    EXPECT_GT(found, 0) << "no argument with a quotient of 1";
}

TEST(InvTrigArccos, NearOne) {
    // The result is pi/2 - arctan(w) with w large, so it carries the absolute
    // precision of pi/2: for a result near 10^-k about k digits fewer.
    struct Near {
        int n, nines, lost;
    };
    for (const Near& c : {Near{20, 12, 4 + 6}, Near{130, 36, 4 + 18}, Near{130, 256, 4 + 128}}) {
        const std::string nines(c.nines, '9');
        Func f(c.n);
        KVnum x(c.n), scale(c.n);
        x = nines.c_str();
        scale = ("1e-" + std::to_string(c.nines)).c_str();
        x *= scale;
        EXPECT_TRUE(agrees(*f.Arccos(&x), oracle("Arccos", ("0." + nines).c_str()), c.lost))
            << c.n << " " << c.nines;
        if (c.nines == 36) {
            KVnum mx(c.n);
            mx = 0;
            mx -= x;
            EXPECT_TRUE(agrees(*f.Arccos(&mx), oracle("Arccos", ("-0." + nines).c_str()))) << c.n;
        }
    }
}

// ---- The argument may be the result number --------------------------------

TEST(InvTrigResult, ResAsArgument) {
    const int n = 20;
    Func f(n);
    KVnum x(n), want(n);
    x = "0.3";
    for (const char* method : {"Arctan", "Arcsin", "Arccos"}) {
        KVnum copy(*f.Sin(&x));
        want = *callMethod(f, method, &copy);
        KVnum* r = f.Sin(&x);
        EXPECT_EQ(callMethod(f, method, r), r);
        EXPECT_EQ(*r == want, 0) << method;
    }
}

}  // namespace
