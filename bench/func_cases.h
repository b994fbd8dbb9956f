// The function benchmarks' cases: every Func method (and BtoB) on fixed
// arguments, shared by the timing benchmark (func_bench.cpp), the operation
// counter (func_count.cpp) and, through the texts that func_bench writes with
// --cases, the Python harness (func_python.py).
#ifndef KELVANE_BENCH_FUNC_CASES_H
#define KELVANE_BENCH_FUNC_CASES_H

#include <string>
#include <vector>

#include "Func.h"
#include "KVnum.h"

namespace kvbench {

// The precisions of the function benchmarks: 256 and 996 digits.
const int FUNC_PRECISIONS[] = {130, 500};

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
    };
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
                                       "phi",  "fact",   "btob"};
    for (int i = 0; i < static_cast<int>(sizeof keys / sizeof keys[0]); ++i)
        if (c.key == std::string(keys[i])) return i;
    return -1;
}

// One call of the case's method (m = methodOf(c)); t is a spare number for
// BtoB.
inline const void* runCase(Func& f, const FuncCase& c, int m, KVnum& a, KVnum& b, KVnum& t) {
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
        default: return nullptr;
    }
}

}  // namespace kvbench

#endif
