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

// One call of the case's method; t is a spare number for BtoB.
inline const void* runCase(Func& f, const FuncCase& c, KVnum& a, KVnum& b, KVnum& t) {
    const std::string k = c.key;
    if (k == "ln2" || k == "lnfull") return f.Ln(&a);
    if (k == "aln05" || k == "alnfull") return f.Aln(&a);
    if (k == "log7") return f.Log(&a);
    if (k == "lntolog") return f.LntoLog(&a);
    if (k == "alog05") return f.Alog(&a);
    if (k == "fpower") return f.Fpower(&a, &b);
    if (k == "afpower") return f.Afpower(&a, &b);
    if (k == "iroot2" || k == "iroot3") return f.Iroot(&a, c.root);
    if (k == "dtor") return f.DtoR(&a);
    if (k == "rtod") return f.RtoD(&a);
    if (k == "sin") return f.Sin(&a);
    if (k == "cos") return f.Cos(&a);
    if (k == "tan") return f.Tan(&a);
    if (k == "atan") return f.Arctan(&a);
    if (k == "asin") return f.Arcsin(&a);
    if (k == "acos") return f.Arccos(&a);
    if (k == "pi") return f.Pi();
    if (k == "e") return f.e();
    if (k == "phi") return f.PHI();
    if (k == "fact") return f.Factorial(&a);
    if (k == "btob") return t.BtoB(10, 16, c.a.c_str());
    return nullptr;
}

}  // namespace kvbench

#endif
