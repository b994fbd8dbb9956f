// The function benchmarks' cases: every Func method (and BtoB) on fixed
// arguments, shared by the timing benchmark (func_bench.cpp), the operation
// counter (func_count.cpp) and, through the texts that func_bench writes with
// --cases, the Python harness (func_python.py).
#ifndef KELVANE_BENCH_FUNC_CASES_H
#define KELVANE_BENCH_FUNC_CASES_H

#include <random>
#include <string>
#include <vector>

#include <kelvane/ExactFunc.h>
#include <kelvane/Func.h>
#include <kelvane/KVnum.h>

namespace kvbench {

// The precisions of the function benchmarks: 256 and 996 digits.
const int FUNC_PRECISIONS[] = {130, 500};
// The exact tier's (ExactFunc): 256 and 1,996 digits.
const int EXACT_PRECISIONS[] = {130, 1000};

// Significant digits of a number of n limbs: 4 (h + 1), h = n/2 - 2.
inline int digitsOf(int n) { return 4 * (n / 2 - 1); }

// sqrt(3) to 1010 places (Python: getcontext().prec = 1100;
// str(Decimal(3).sqrt())[:1012]). A text assignment reads as many of them as
// the precision holds, so "full-length" arguments fill every digit.
const char SQRT3_DIGITS[] =
    "1.73205080756887729352744634150587236694280525381038062805580697945193301690"
    "8800037081146186757248575675626141415406703029969945094998952478811655512094"
    "3736485280932319023055820679748201010846749232650153123432669033228866506722"
    "5466892183797122704713166036786158801904998653737985938946765034750657605075"
    "6618348129606100947602187190325083145829523959832997789824508288714463832917"
    "3472241639845878553976679580638183536661108431737808943783161020883055249016"
    "7002352071114428869599095636579708716849807289949329648428302078640860398873"
    "8697537582317317831395992983007838702877053913369563312103707264019249106768"
    "2311992883756411414220167427521023729942708310598984594759876642888977961478"
    "3795839022885485290357603385280806438197234466105968972287286526415382266469"
    "8420021195484155278441181286534507035191650016689294415480846071277143999762"
    "9268346295774383618951101271486387469765459824517885509753790138806649619119"
    "6222295711055524292372319219773826256163146884203285371668293864961191704973"
    "883639549593814575767185"
    ;

struct FuncCase {
    const char* key;    // stable name shared by the harnesses
    const char* label;  // as the tables print it
    std::string a, b;   // argument texts ("" when unused)
    int root;           // the root index of Iroot
};

inline std::vector<FuncCase> funcCases() {
    const std::string full = SQRT3_DIGITS;                   // 1.7320508...
    const std::string below = "0" + full.substr(1);          // 0.7320508...
    const std::string btob = full.substr(0, 1) + full.substr(2, 249);  // 250 digits
    return {
        {"ln2", "Ln(2)", "2", "", 0},
        {"lnfull", "Ln(1.732..., full length)", full, "", 0},
        {"aln05", "Aln(0.5)", "0.5", "", 0},
        {"alnfull", "Aln(0.732..., full length)", below, "", 0},
        {"log7", "Log(7)", "7", "", 0},
        {"lntolog", "LntoLog(1.732...)", full, "", 0},
        {"alog05", "Alog(0.5)", "0.5", "", 0},
        {"fpower", "Fpower(3, 1.5)", "3", "1.5", 0},
        {"afpower", "Afpower(2, 8)", "2", "8", 0},
        // Powers whose logarithms take no shortcut: 2, 3 and 8 are products
        // of small primes, whose logarithms the exact tier has on hand.
        {"fpower7", "Fpower(7, 1.5)", "7", "1.5", 0},
        {"afpowerfull", "Afpower(7, 1.732...)", "7", full, 0},
        {"iroot2", "Iroot(2, 2)", "2", "", 2},
        {"iroot3", "Iroot(10, 3)", "10", "", 3},
        {"dtor", "DtoR(30)", "30", "", 0},
        {"rtod", "RtoD(1)", "1", "", 0},
        {"sin", "Sin(1)", "1", "", 0},
        {"cos", "Cos(1)", "1", "", 0},
        {"tan", "Tan(1)", "1", "", 0},
        {"atan", "Arctan(0.2)", "0.2", "", 0},
        {"asin", "Arcsin(0.5)", "0.5", "", 0},
        {"acos", "Arccos(0.5)", "0.5", "", 0},
        {"pi", "Pi", "", "", 0},
        {"e", "e", "", "", 0},
        {"phi", "PHI", "", "", 0},
        {"fact", "Factorial(100)", "100", "", 0},
        {"btob", "BtoB(250 digits, 10 -> 16)", btob, "", 0},
        // The arguments where the plain steps once ran without end or lost
        // every digit: each now takes its other route.
        {"iroot_far", "Iroot(1e-400000, 2)", "1e-400000", "", 2},
        {"iroot_n1000", "Iroot(2, 1000)", "2", "", 1000},
        {"iroot_n2e9", "Iroot(9.99, 2000000000)", "9.99", "", 2000000000},
        {"aln_m50", "Aln(-50)", "-50", "", 0},
        {"fpower_m100", "Fpower(2, -100)", "2", "-100", 0},
        {"sin100", "Sin(100)", "100", "", 0},
        {"sin_big", "Sin(1e300)", "1e300", "", 0},
        {"ln_near1", "Ln(0.999999999999)", "0.999999999999", "", 0},
        {"atan_huge", "Arctan(1e800000000)", "1e800000000", "", 0},
        {"fact_max", "Factorial(999999)", "999999", "", 0},
    };
}

// A number's value as decimal text in scientific form ("d.ddd...e<exp>"),
// which stays short whatever the exponent (String would write 1e800000000
// with all its zeros).
inline std::string sciText(const KVnum& x) {
    if (x.IsZero()) return "0";
    std::string d;
    for (int i = x.Top(); i >= 0; --i) {
        std::string l = std::to_string(x.Limb(i));
        if (i != x.Top()) l.insert(0, 4 - l.size(), '0');
        d += l;
    }
    const long long e = static_cast<long long>(x.Expo()) + static_cast<long long>(d.size()) - 1;
    return std::string(x.Minus() ? "-" : "") + d.substr(0, 1) + "." + d.substr(1) + "e" + std::to_string(e);
}

// Arguments of a case at the numbers' precision.
inline void setArgs(const FuncCase& c, KVnum& a, KVnum& b) {
    a = c.a.empty() ? "0" : c.a.c_str();
    b = c.b.empty() ? "0" : c.b.c_str();
}

// The method a case calls, as an index for runCase (found once, outside the
// timed loop).
inline int methodOf(const FuncCase& c) {
    static const char* const keys[] = {"ln2",  "lnfull", "aln05", "alnfull", "log7", "lntolog", "alog05",
                                       "fpower", "afpower", "iroot2", "iroot3", "dtor", "rtod", "sin",
                                       "cos",  "tan",    "atan",  "asin",    "acos", "pi",      "e",
                                       "phi",  "fact",   "btob", "iroot_far", "iroot_n1000", "iroot_n2e9",
                                       "aln_m50", "fpower_m100", "sin100", "sin_big", "ln_near1",
                                       "atan_huge", "fact_max", "fpower7", "afpowerfull"};
    for (int i = 0; i < static_cast<int>(sizeof keys / sizeof keys[0]); ++i)
        if (c.key == std::string(keys[i])) return i;
    return -1;
}

// One call of the case's method (m = methodOf(c)); t is a spare number for
// BtoB.
// F is Func or ExactFunc, which have the same methods.
template <class F>
inline const void* runCase(F& f, const FuncCase& c, int m, KVnum& a, KVnum& b, KVnum& t) {
    switch (m) {
        case 0: case 1: return f.Ln(&a);
        case 2: case 3: return f.Aln(&a);
        case 4: return f.Log(&a);
        case 5: return f.LntoLog(&a);
        case 6: return f.Alog(&a);
        case 7: return f.Fpower(&a, &b);
        case 8: return f.Afpower(&a, &b);
        case 9: case 10: return f.Iroot(&a, c.root);
        case 11: return f.DtoR(&a);
        case 12: return f.RtoD(&a);
        case 13: return f.Sin(&a);
        case 14: return f.Cos(&a);
        case 15: return f.Tan(&a);
        case 16: return f.Arctan(&a);
        case 17: return f.Arcsin(&a);
        case 18: return f.Arccos(&a);
        case 19: return f.Pi();
        case 20: return f.e();
        case 21: return f.PHI();
        case 22: return f.Factorial(&a);
        case 23: return t.BtoB(10, 16, c.a.c_str());
        case 24: case 25: case 26: return f.Iroot(&a, c.root);
        case 27: return f.Aln(&a);
        case 28: return f.Fpower(&a, &b);
        case 29: case 30: return f.Sin(&a);
        case 31: return f.Ln(&a);
        case 32: return f.Arctan(&a);
        case 33: return f.Factorial(&a);
        case 34: return f.Fpower(&a, &b);
        case 35: return f.Afpower(&a, &b);
        default: return nullptr;
    }
}

// ---- Single operations for the arithmetic floor ----------------------------------

// A decimal text of `digits` random digits, the first one `lead`, the point
// after it.
inline std::string randomText(std::mt19937_64& rng, int digits, char lead) {
    std::string s(1, lead);
    s += '.';
    for (int i = 1; i < digits; ++i) s += static_cast<char>('0' + rng() % 10);
    return s;
}

// The operations whose cost the floor uses, "<op>_<size>": size in limbs of
// the operand that sets the cost (see func_report.py); the report
// interpolates between sizes.
//   mul_s    full length x s limbs         mul1_s   s limbs x 1
//   div_s    full length / s limbs         add_s    full length + a number
//                                                   whose cut leaves s limbs
//   div1_0   full length / 7               div1q_0  a quotient by 7 that keeps
//                                                   about one limb
//   divq1_0  a quotient by a full-length number that keeps about one limb
inline std::vector<std::string> costOps(int n) {
    const int full = n / 2 - 1;
    std::vector<int> sizes;
    for (int v : {1, 3, 8, 16, 32, 64, 128, 256})
        if (v < full) sizes.push_back(v);
    sizes.push_back(full);
    std::vector<std::string> ops;
    for (const char* op : {"mul", "mul1", "div", "add"})
        for (int s : sizes)
            if (s >= 3 || (std::string(op) != "mul" && std::string(op) != "div"))
                ops.push_back(std::string(op) + "_" + std::to_string(s));
    for (const char* op : {"div1_0", "div1q_0", "divq1_0"}) ops.push_back(op);
    return ops;
}

// The operands of a cost operation at precision n: x op= y. Returns true when
// x must be restored before each operation (a quotient that keeps one limb
// would soon leave the exponent range); the loop then copies it each time.
inline bool costOperands(const std::string& name, int n, KVnum& x, KVnum& y) {
    std::mt19937_64 rng(42);
    const std::string op = name.substr(0, name.rfind('_'));
    const int size = std::stoi(name.substr(name.rfind('_') + 1));
    const int d = digitsOf(n), full = n / 2 - 1, h = KVnum::HeadIndex(n);
    x = randomText(rng, d, '5').c_str();
    if (op == "div1") {
        y = 7;
    } else if (op == "div1q") {
        y = ("7e" + std::to_string(4 * h)).c_str();
        return true;
    } else if (op == "divq1") {
        y = (randomText(rng, d, '1') + "e" + std::to_string(4 * h)).c_str();
        return true;
    } else if (op == "mul1") {
        // size limbs, kept as they are: times 1 (the kernels take no
        // shortcut for it)
        x = randomText(rng, 4 * size, '5').c_str();
        y = 1;
    } else if (op == "add") {
        // Aligned to x with a cut of full - size limbs and one digit more.
        y = (randomText(rng, d, '5') + "e-" + std::to_string(4 * (full - size) + 1)).c_str();
    } else {
        y = randomText(rng, 4 * size, '1').c_str();  // size significant limbs
    }
    return false;
}

// One cost operation: x op= y for the operation's kind.
inline void costStep(const std::string& name, KVnum& x, const KVnum& y) {
    switch (name[0]) {
        case 'm': x *= y; break;
        case 'd': x /= y; break;
        default: x += y;
    }
}

}  // namespace kvbench

#endif
