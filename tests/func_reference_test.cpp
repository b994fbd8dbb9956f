// Every Func method (and BtoB) run twice on the same arguments: once as the
// library runs, on its fast kernels and its own shortcuts (small integers
// built in place, truncated products, sums over the limbs a term reaches,
// integer parts formed from the limbs), and once with the plain reference
// loops of refkernels.h installed as the kernels (kv::setKernelSet), which also
// turns those shortcuts off: every product formed in full and cut, every
// integer assigned through its text. The result texts (every stored limb) and
// the reports must be the same. The reference run is the oracle: it is the
// plain way, step for step, that every speed change must reproduce.
//
// The reference loops are slow (a quotient takes a bisection per limb), so
// the arguments at 130 limbs are few; at 9 and 20 limbs they cover every
// method's branches, refusals and a result passed back as the argument.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "number/kernels.h"
#include "kvtest.h"
#include "refkernels.h"

namespace {

using ref::Limbs;

// ---- The reference loops behind the kernel contracts --------------------------

Limbs in(const int32_t* u, int n) { return Limbs(u, u + n); }

void out(int32_t* w, const Limbs& v) {
    for (size_t i = 0; i < v.size(); ++i) w[i] = v[i];
}

// floor(u / 10^d) over n limbs; zero once d passes every digit.
Limbs refTrunc(const int32_t* u, int n, int64_t d) {
    if (d >= 4 * static_cast<int64_t>(n)) return Limbs(static_cast<size_t>(n), 0);
    return ref::truncDigits(in(u, n), d);
}

const kv::KernelSet kReference = {
    [](int32_t* w, const int32_t* u, int un, const int32_t* v, int vn) { out(w, ref::mul(in(u, un), in(v, vn))); },
    [](int32_t* q, const int32_t* u, int un, const int32_t* v, int vn) { out(q, ref::divq(in(u, un), in(v, vn))); },
    [](int32_t* w, const int32_t* u, const int32_t* v, int n) {
        int32_t c = 0;
        out(w, ref::add(in(u, n), in(v, n), &c));
        return c;
    },
    [](int32_t* w, const int32_t* u, const int32_t* v, int n) {
        int32_t b = 0;
        out(w, ref::sub(in(u, n), in(v, n), &b));
        return b;
    },
    [](const int32_t* u, const int32_t* v, int n) { return ref::cmp(in(u, n), in(v, n)); },
    [](const int32_t* u, const int32_t* v, int n, int64_t d) { return ref::cmp(refTrunc(u, n, d), in(v, n)); },
    [](int32_t* w, const int32_t* u, int n, int64_t d) { out(w, refTrunc(u, n, d)); },
};

// Installs the reference loops for one scope.
class ReferenceKernels {
public:
    ReferenceKernels() { kv::setKernelSet(&kReference); }
    ~ReferenceKernels() { kv::setKernelSet(nullptr); }
};

// ---- One call, in both runs ------------------------------------------------------

struct Call {
    const char* method;
    const char* a;
    const char* b;  // second argument, the root index, or "" when unused
};

// The result text and the reports of one call on a fresh Func of n limbs.
// "@res" as the argument passes the result of Aln(0.25) on the same Func.
std::string run(const Call& c, int n) {
    kvtest::ErrorLog log;
    Func f(n);
    KVnum a(n), b(n);
    const std::string m = c.method, sa = c.a;
    KVnum* x = &a;
    if (sa == "@res") {
        b = "0.25";
        x = f.Aln(&b);
    } else {
        a = c.a;
    }
    if (*c.b && m != "Iroot") b = c.b;
    std::string text;
    KVnum* r = nullptr;
    if (m == "Ln") r = f.Ln(x);
    else if (m == "Aln") r = f.Aln(x);
    else if (m == "Log") r = f.Log(x);
    else if (m == "LntoLog") r = f.LntoLog(x);
    else if (m == "Alog") r = f.Alog(x);
    else if (m == "Fpower") r = f.Fpower(x, &b);
    else if (m == "Afpower") r = f.Afpower(x, &b);
    else if (m == "Iroot") r = f.Iroot(x, std::atoi(c.b));
    else if (m == "DtoR") r = f.DtoR(x);
    else if (m == "RtoD") r = f.RtoD(x);
    else if (m == "Sin") r = f.Sin(x);
    else if (m == "Cos") r = f.Cos(x);
    else if (m == "Tan") r = f.Tan(x);
    else if (m == "Arctan") r = f.Arctan(x);
    else if (m == "Arcsin") r = f.Arcsin(x);
    else if (m == "Arccos") r = f.Arccos(x);
    else if (m == "Pi") r = f.Pi();
    else if (m == "e") r = f.e();
    else if (m == "PHI") r = f.PHI();
    else if (m == "Factorial") r = f.Factorial(x);
    else if (m == "BtoB") text = a.BtoB(10, std::atoi(c.b), c.a);
    else ADD_FAILURE() << "unknown method " << m;
    if (r) {
        EXPECT_TRUE(kvtest::normalForm(*r)) << m << "(" << c.a << ") at " << n << " limbs";
        text = r->String(0, false);
    }
    for (const std::string& s : log.messages()) text += " [" + s + "]";
    return text;
}

void expectSameInBothRuns(const std::vector<Call>& calls, int n) {
    for (const Call& c : calls) {
        const std::string fast = run(c, n);
        std::string plain;
        {
            ReferenceKernels ref;
            plain = run(c, n);
        }
        EXPECT_EQ(fast, plain) << c.method << "(" << c.a << (*c.b ? ", " : "") << c.b << ") at " << n
                               << " limbs";
    }
}

// Every branch of every method, small precisions.
const std::vector<Call> kBroad = {
    {"Ln", "2", ""}, {"Ln", "7", ""}, {"Ln", "0.5", ""}, {"Ln", "1", ""}, {"Ln", "1.7320508075688772935", ""},
    {"Ln", "0.001", ""}, {"Ln", "12345.678", ""}, {"Ln", "1e-300", ""}, {"Ln", "0", ""}, {"Ln", "-3", ""},
    {"Ln", "@res", ""},
    {"Aln", "0.5", ""}, {"Aln", "-1", ""}, {"Aln", "0", ""}, {"Aln", "3.7", ""}, {"Aln", "-2.5", ""},
    {"Aln", "0.73205080756887729352744", ""}, {"Aln", "@res", ""},
    {"Log", "7", ""}, {"Log", "1000", ""}, {"Log", "1e-50", ""}, {"Log", "0", ""},
    {"LntoLog", "1.5", ""}, {"LntoLog", "-2.25", ""}, {"LntoLog", "0", ""},
    {"Alog", "0.5", ""}, {"Alog", "-1.3", ""}, {"Alog", "0", ""},
    {"Fpower", "3", "1.5"}, {"Fpower", "0.5", "3"}, {"Fpower", "10", "-2"}, {"Fpower", "-1", "2"},
    {"Fpower", "7.5", "0"}, {"Fpower", "@res", "2"},
    {"Afpower", "2", "8"}, {"Afpower", "0.5", "7"}, {"Afpower", "3", "-1"},
    {"Iroot", "2", "2"}, {"Iroot", "10", "3"}, {"Iroot", "1e20", "2"}, {"Iroot", "-8", "3"},
    {"Iroot", "0.001", "2"}, {"Iroot", "3.14", "3"}, {"Iroot", "2", "7"}, {"Iroot", "0", "2"},
    {"Iroot", "2", "1"}, {"Iroot", "-4", "2"}, {"Iroot", "1.01", "3"}, {"Iroot", "1e300", "2"},
    {"Iroot", "@res", "3"},
    {"DtoR", "30", ""}, {"DtoR", "-45.5", ""}, {"RtoD", "1", ""}, {"RtoD", "@res", ""},
    {"Sin", "1", ""}, {"Sin", "-0.3", ""}, {"Sin", "7", ""}, {"Sin", "0", ""}, {"Sin", "@res", ""},
    {"Cos", "1", ""}, {"Cos", "0.5", ""}, {"Cos", "3", ""}, {"Cos", "0", ""},
    {"Tan", "1", ""}, {"Tan", "-0.3", ""}, {"Tan", "0", ""},
    {"Arctan", "0.2", ""}, {"Arctan", "-0.5", ""}, {"Arctan", "2", ""}, {"Arctan", "-3", ""},
    {"Arctan", "1", ""}, {"Arctan", "0", ""}, {"Arctan", "0.9", ""}, {"Arctan", "@res", ""},
    {"Arcsin", "0.5", ""}, {"Arcsin", "-0.3", ""}, {"Arcsin", "0.9", ""}, {"Arcsin", "1", ""},
    {"Arcsin", "-1", ""}, {"Arcsin", "0.999", ""}, {"Arcsin", "2", ""}, {"Arcsin", "0", ""},
    {"Arccos", "0.5", ""}, {"Arccos", "-0.3", ""}, {"Arccos", "0.9", ""}, {"Arccos", "-0.9", ""},
    {"Arccos", "1", ""}, {"Arccos", "-1", ""}, {"Arccos", "0", ""}, {"Arccos", "1.5", ""},
    {"Pi", "0", ""}, {"e", "0", ""}, {"PHI", "0", ""},
    {"Factorial", "100", ""}, {"Factorial", "20.5", ""}, {"Factorial", "0.5", ""}, {"Factorial", "-1", ""},
    {"Factorial", "@res", ""},
    {"BtoB", "1732050807568877293527446341505872366942805253810380628055806979451933", "16"},
    {"BtoB", "123.456", "3"},
};

TEST(FuncReference, EveryMethodAtNineAndTwentyLimbs) {
    for (int n : {9, 20}) expectSameInBothRuns(kBroad, n);
}

TEST(FuncReference, SeriesAndIterationsAt130Limbs) {
    // One argument per kind of loop: full-length and short powers, short and
    // long divisors, Newton's iteration, the constants.
    expectSameInBothRuns({{"Ln", "2", ""}, {"Aln", "0.5", ""}, {"Fpower", "3", "1.5"}, {"Iroot", "10", "3"},
                          {"Sin", "1", ""}, {"Arctan", "0.2", ""}, {"Arcsin", "0.9", ""}, {"e", "0", ""},
                          {"PHI", "0", ""}, {"Factorial", "100", ""}, {"DtoR", "30", ""}},
                         130);
}

TEST(FuncReference, SeriesAndIterationsByTransformsAndNewton) {
    // The same loops with the transform product and the Newton quotient
    // reaching down to 16 limbs (they start at thousands of limbs otherwise):
    // every product and quotient of the series takes them in the fast run.
    const kv::Thresholds saved = kv::thresholds;
    kv::thresholds = {8, 8};
    expectSameInBothRuns({{"Ln", "2", ""}, {"Aln", "0.5", ""}, {"Fpower", "3", "1.5"}, {"Iroot", "10", "3"},
                          {"Sin", "1", ""}, {"Arctan", "0.2", ""}, {"Arcsin", "0.9", ""}, {"Pi", "0", ""},
                          {"Factorial", "100", ""}, {"BtoB", "1732050807568877293527446341505872366942805253", "7"}},
                         130);
    kv::thresholds = saved;
}

TEST(FuncReference, CopiesAndAssignedFuncsKeepTheirOwnTemporaries) {
    // A Func keeps its temporaries (and the constants read from text) from
    // call to call; a copy and an assigned Func start with their own. Every
    // result must be what a fresh Func gives, also after the source is gone
    // and after a call that borrowed many numbers (Iroot far from its root).
    const int n = 20;
    KVnum x(n), big(n);
    x = "0.3";
    big = "1e300";
    auto text = [](KVnum* r) { return std::string(r->String(0, false)); };
    Func fresh(n);
    const std::string sin = text(fresh.Sin(&x)), acos = text(Func(n).Arccos(&x)), log = text(Func(n).Log(&x));
    Func* source = new Func(n);
    source->Iroot(&big, 2);
    source->Arccos(&x);
    Func copy(*source);
    Func assigned(n);
    assigned.Log(&x);
    assigned = *source;
    delete source;
    EXPECT_EQ(text(copy.Sin(&x)), sin);
    EXPECT_EQ(text(copy.Arccos(&x)), acos);
    EXPECT_EQ(text(assigned.Log(&x)), log);
    EXPECT_EQ(text(assigned.Sin(&x)), sin);
}

// ---- The shortcuts themselves, on many operands ------------------------------------

// The stored form of a number, every field and limb, as text.
std::string stored(const KVnum& x) {
    std::string s = std::to_string(x.Expo()) + "/" + std::to_string(x.Top()) + (x.Minus() ? "-" : "+");
    for (int i = 0; i < x.Nlimbs(); ++i) s += " " + std::to_string(x.Limb(i));
    return s;
}

TEST(FuncReference, IntegersBuiltInPlaceHaveTheStoredFormOfTheirText) {
    // Integers of up to 20 digits, with runs of 0s and 9s, at precisions where
    // the window of 2n - 4 characters holds all of them and where it does not.
    std::mt19937_64 rng(kvtest::seed());
    for (int n : {9, 10, 11, 12, 13, 20, 130}) {
        for (int i = 0; i < 2000; ++i) {
            uint64_t m = 0;
            const int digits = static_cast<int>(rng() % 20) + 1;
            const int style = static_cast<int>(rng() % 3);
            for (int d = 0; d < digits; ++d)
                m = m * 10 + (style == 0 ? rng() % 10 : style == 1 ? 9 : (rng() % 4 == 0 ? rng() % 10 : 0));
            KVnum fast(n), plain(n);
            const int kind = static_cast<int>(rng() % 3);
            const bool neg = rng() % 2 != 0;
            const long long s = static_cast<long long>(m >> 1) * (neg ? -1 : 1);
            const int v = static_cast<int>(m % 2147483647) * (neg ? -1 : 1);
            if (kind == 0) fast = s;
            if (kind == 1) fast = static_cast<unsigned long long>(m);
            if (kind == 2) fast = v;
            {
                ReferenceKernels ref;  // assignment through the text
                if (kind == 0) plain = s;
                if (kind == 1) plain = static_cast<unsigned long long>(m);
                if (kind == 2) plain = v;
            }
            ASSERT_EQ(stored(fast), stored(plain)) << "kind " << kind << ", " << m << " at " << n << " limbs";
        }
    }
}

TEST(FuncReference, TextsReadFourDigitsAtATimeAsOneByOne) {
    // Digits with the point anywhere (or none), signs, exponents, characters
    // that are skipped, texts longer than the window, and the stored
    // constants: the stored form read through the fast path and the plain one.
    std::mt19937_64 rng(kvtest::seed() + 3);
    std::vector<std::string> texts = {PI_DIGITS, LN10_DIGITS, "", "-", ".", "0.000", "-0", "+12.5e3", "1e-5",
                                      "12a34.5", "1.2.3", "1,234.5", " 7", "9999.9999E2", "1g7", "-.5"};
    const char alphabet[] = "0123456789999000.";
    for (int i = 0; i < 3000; ++i) {
        std::string s = rng() % 4 == 0 ? "-" : "";
        const int len = static_cast<int>(rng() % 300);
        const int pointAt = static_cast<int>(rng() % (len + 2));
        for (int k = 0; k < len; ++k) s += k == pointAt ? '.' : alphabet[rng() % 16];
        if (rng() % 5 == 0) s += "e" + std::to_string(static_cast<int>(rng() % 60) - 30);
        if (!s.empty() && rng() % 10 == 0) s[rng() % s.size()] = " x,+"[rng() % 4];
        texts.push_back(s);
    }
    for (int n : {9, 10, 13, 20, 130, 131}) {
        for (const std::string& s : texts) {
            KVnum fast(n), plain(n);
            fast = s.c_str();
            {
                ReferenceKernels ref;
                plain = s.c_str();
            }
            ASSERT_EQ(stored(fast), stored(plain)) << "\"" << s << "\" at " << n << " limbs";
        }
    }
}

// A random non-zero decimal text of `digits` digits with runs of 0s and 9s,
// times 10^e.
std::string randomText(std::mt19937_64& rng, int digits, int e) {
    std::string s = rng() % 2 ? "-" : "";
    const int style = static_cast<int>(rng() % 4);
    for (int i = 0; i < digits; ++i) {
        int d = static_cast<int>(rng() % 10);
        if (style == 1) d = rng() % 8 ? 9 : d;
        if (style == 2) d = rng() % 8 ? 0 : d;
        if (style == 3) d = i < digits / 2 ? 9 : (rng() % 2 ? 0 : 9);
        if (i == 0 && d == 0) d = 1;  // never zero: it may be a divisor
        s += static_cast<char>('0' + d);
        if (i == 0) s += '.';
    }
    return s + "e" + std::to_string(e);
}

TEST(FuncReference, OperationsMatchThePlainWayOnAwkwardOperands) {
    // Products (full-length, short, by one or two limbs), quotients by short
    // divisors, sums that a term reaches only in part, integer parts and
    // powers: the stored result of each operation, fast and plain.
    std::mt19937_64 rng(kvtest::seed() + 1);
    for (int n : {9, 10, 13, 20, 33, 130}) {
        const int full = 4 * (n / 2 - 1);
        const int rounds = n == 130 ? 150 : 600;
        for (int i = 0; i < rounds; ++i) {
            const int da = static_cast<int>(rng() % 3 == 0 ? rng() % 8 + 1 : rng() % full + 1);
            const int db = static_cast<int>(rng() % 3 == 0 ? rng() % 8 + 1 : rng() % full + 1);
            const std::string ta = randomText(rng, da, static_cast<int>(rng() % 40) - 20);
            const std::string tb = randomText(rng, db, static_cast<int>(rng() % 40) - 20);
            const int power = static_cast<int>(rng() % 6);
            for (int op = 0; op < 6; ++op) {
                std::string res[2];
                for (int plain = 0; plain < 2; ++plain) {
                    KVnum a(n), b(n);
                    if (plain) kv::setKernelSet(&kReference);
                    a = ta.c_str();
                    b = tb.c_str();
                    switch (op) {
                        case 0: a *= b; break;
                        case 1: a /= b; break;
                        case 2: a += b; break;
                        case 3: a -= b; break;
                        case 4: a.Intp(); break;
                        default: {
                            KVnum k(n);
                            k = power;
                            a ^= k;
                        }
                    }
                    kv::setKernelSet(nullptr);
                    res[plain] = stored(a);
                }
                ASSERT_EQ(res[0], res[1]) << "op " << op << ": " << ta << ", " << tb << " at " << n << " limbs";
            }
        }
    }
}

TEST(FuncReference, HighLimbsOfAProductAreThoseOfTheFullProductOrDeclined) {
    // kv::mul_high against the reference product, limb for limb from lo up,
    // on operands rich in 9999 and 0000 runs; and on all-9999 operands, whose
    // dropped columns carry into a guard of 9999s, where it must decline.
    std::mt19937_64 rng(kvtest::seed() + 2);
    auto limbs = [&](int n, int style) {
        Limbs u(static_cast<size_t>(n));
        for (auto& x : u) {
            const int32_t r = static_cast<int32_t>(rng() % 10000);
            x = style == 0 ? r : style == 1 ? (rng() % 8 ? 9999 : r) : style == 2 ? (rng() % 2 ? 9999 : 0) : 9999;
        }
        if (u.back() == 0) u.back() = 1;
        return u;
    };
    int declined = 0, allNines = 0;
    for (int i = 0; i < 1200; ++i) {
        const int style = static_cast<int>(rng() % 4);
        const int un = static_cast<int>(rng() % 260) + 3, vn = static_cast<int>(rng() % 260) + 3;
        const Limbs u = limbs(un, style), v = limbs(vn, style);
        const int lo = static_cast<int>(rng() % static_cast<uint64_t>(un + vn + 1));
        const Limbs full = ref::mul(u, v);
        Limbs w(static_cast<size_t>(un + vn - lo) + 1);
        if (!kv::mul_high(w.data(), u.data(), un, v.data(), vn, lo)) {
            ++declined;
            allNines += style == 3;
            continue;
        }
        for (int k = lo; k < un + vn; ++k)
            ASSERT_EQ(w[static_cast<size_t>(k - lo)], full[static_cast<size_t>(k)])
                << un << " x " << vn << " limbs from " << lo << ", limb " << k;
    }
    EXPECT_GT(allNines, 0) << "no product of 9999s declined (of " << declined << " declined)";
}

TEST(FuncReference, ProductsKeepTheirLimbsWhereTheTruncatedProductDeclines) {
    // x = 0.99...9 at full length squared: the guard limbs come out as 9999s,
    // the full product is formed, and the result is the plain one.
    for (int n : {20, 130, 500}) {
        std::string nines = "0.";
        nines.append(static_cast<size_t>(4 * (n / 2 - 1)), '9');
        std::string res[2];
        for (int plain = 0; plain < 2; ++plain) {
            KVnum x(n), y(n);
            if (plain) kv::setKernelSet(&kReference);
            x = nines.c_str();
            y = x;
            x *= y;
            kv::setKernelSet(nullptr);
            res[plain] = stored(x);
        }
        EXPECT_EQ(res[0], res[1]) << n << " limbs";
    }
}

}  // namespace
