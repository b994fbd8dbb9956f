// Prints the full result text of every Func method on a broad set of
// arguments at several precisions, one line per call, with any reports. Two
// builds of the library that must agree digit for digit (before and after a
// speed change) print the same lines: build this against each and diff.
//
//   func_digits [max_limbs]     precisions up to max_limbs (default 130)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>

namespace {

std::vector<std::string> reports;
void record(const char*, const char* m) { reports.push_back(m); }

// The first digits of sqrt(3): full-length arguments.
const char* SQRT3 =
    "1.7320508075688772935274463415058723669428052538103806280558069794519330169088"
    "0003708114618675724857567562614141540670302996994509499895247881165551209437364"
    "8521993263012889898744452938453451394634022893155542025843232012932386734466498"
    "1011622573808318432935064316211765426917637829520727713327398637466427047418227"
    "70208546394567190880232283548373380036734697519869713700512658098566130050";

std::string cut(const char* s, size_t n) { return std::string(s).substr(0, n); }

struct Out {
    int n;
    void line(const std::string& what, KVnum* r) {
        std::string t = r->String(0, false);
        std::printf("%d %s = %s", n, what.c_str(), t.c_str());
        for (const std::string& m : reports) std::printf(" [%s]", m.c_str());
        std::printf("\n");
        reports.clear();
    }
};

typedef KVnum* (Func::*M1)(KVnum*);
typedef KVnum* (Func::*M2)(KVnum*, KVnum*);

}  // namespace

int main(int argc, char** argv) {
    const int maxN = argc > 1 ? std::atoi(argv[1]) : 130;
    KVsetErrorHandler(record);
    const int precisions[] = {9, 10, 11, 13, 20, 33, 64, 130, 131, 200};
    for (int n : precisions) {
        if (n > maxN) continue;
        Out o{n};
        Func f(n);
        KVnum a(n), b(n);
        const std::string full = cut(SQRT3, static_cast<size_t>(2 * n));
        const std::string below = "0" + cut(SQRT3 + 1, static_cast<size_t>(2 * n));  // sqrt3 - 1
        const bool big = n <= 64;  // arguments that cost many passes: small precisions only
        struct One { const char* name; M1 m; std::vector<std::string> args; };
        std::vector<One> ones = {
            {"Ln", &Func::Ln, {"2", "7", "0.5", "1", full, "0.001", "12345.678", "1e-300", "0", "-1", "3"}},
            {"Aln", &Func::Aln, {"0.5", below, "-1", "0", "3.7", "-2.5", "20", "1e-10", "1"}},
            {"Log", &Func::Log, {"7", "2", "0.5", "1000", "1e-50", "10"}},
            {"LntoLog", &Func::LntoLog, {"1.5", "0", "-2.25"}},
            {"Alog", &Func::Alog, {"0.5", "2", "-1.3", "0"}},
            {"DtoR", &Func::DtoR, {"30", "180", "-45.5", "0"}},
            {"RtoD", &Func::RtoD, {"1", "3.14", "-0.5"}},
            {"Sin", &Func::Sin, {"1", "0.5", "-0.3", "3", "7", "0", below, "1e-20"}},
            {"Cos", &Func::Cos, {"1", "0.5", "-0.3", "3", "7", "0", below}},
            {"Tan", &Func::Tan, {"1", "0.5", "-0.3", "3", "0", below}},
            {"Arctan", &Func::Arctan, {"0.2", "-0.5", "2", "-3", "1", "-1", "0", "0.0041841004184100418", "1.5", "0.7"}},
            {"Arcsin", &Func::Arcsin, {"0.5", "-0.3", "0.9", "1", "-1", "0.999", "2", "0", "-0.75"}},
            {"Arccos", &Func::Arccos, {"0.5", "-0.3", "0.9", "-0.9", "1", "-1", "0", "0.999", "1.5"}},
            {"Factorial", &Func::Factorial, {"100", "1", "0.5", "20.5", "300", "-1", "5.99"}},
        };
        if (big) {
            ones[0].args.push_back("99.99");
            ones[0].args.push_back("0.011");
            ones[10].args.push_back("0.9");
        }
        for (const One& m : ones) {
            for (const std::string& s : m.args) {
                a = s.c_str();
                o.line(std::string(m.name) + "(" + s + ")", (f.*(m.m))(&a));
            }
        }
        struct Two { const char* name; M2 m; std::vector<std::pair<std::string, std::string>> args; };
        std::vector<Two> twos = {
            {"Fpower", &Func::Fpower, {{"3", "1.5"}, {"2", "0.5"}, {"0.5", "3"}, {"10", "-2"}, {"-1", "2"}, {"7.5", "0"}, {full, "2"}}},
            {"Afpower", &Func::Afpower, {{"2", "8"}, {"10", "3"}, {"0.5", "7"}, {"3", "-1"}}},
        };
        for (const Two& m : twos) {
            for (const auto& s : m.args) {
                a = s.first.c_str();
                b = s.second.c_str();
                o.line(std::string(m.name) + "(" + s.first + "," + s.second + ")", (f.*(m.m))(&a, &b));
            }
        }
        const std::pair<const char*, int> roots[] = {{"2", 2},   {"10", 3},    {"5", 2},  {"1e20", 2}, {"-8", 3},
                                                     {"0.001", 2}, {"3.14", 3}, {"2", 7},  {"0", 2},    {"2", 1},
                                                     {"-4", 2},  {"1.01", 3},  {"1e300", 2}};
        for (const auto& r : roots) {
            a = r.first;
            o.line(std::string("Iroot(") + r.first + "," + std::to_string(r.second) + ")", f.Iroot(&a, r.second));
        }
        o.line("Pi()", f.Pi());
        o.line("e()", f.e());
        o.line("PHI()", f.PHI());
        // Arguments that are the Func's own result, where that is allowed.
        a = "0.25";
        f.Sin(&a);
        o.line("Ln(res)", f.Ln(f.Ln(&a) ? f.Aln(&a) : nullptr));
        o.line("Arcsin(res)", f.Arcsin(f.Sin(&a)));
        o.line("Cos(res)", f.Cos(f.Cos(&a)));
        o.line("Iroot(res,3)", f.Iroot(f.Aln(&a), 3));
        o.line("Factorial(res)", f.Factorial(f.Aln(&a)));
        // Radix conversion through the number arithmetic.
        std::string digits = cut(SQRT3 + 2, 250);
        KVnum t(n);
        std::printf("%d BtoB(10,16) = %s\n", n, t.BtoB(10, 16, digits.c_str()));
        std::printf("%d BtoB(16,10) = %s\n", n, t.BtoB(16, 10, "FF.8A3C"));
        std::printf("%d BtoB(10,3) = %s\n", n, t.BtoB(10, 3, "123.456"));
    }
    return 0;
}
