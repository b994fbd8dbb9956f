// Speed of every Func method (and BtoB) at 130 and 500 limbs, beside MPFR
// doing the same function at the same number of significant digits, and the
// measured cost of the single operations from which the arithmetic floor of
// each method is built (func_count counts them; func_report.py multiplies).
//
// Names are case/implementation/limbs:
//   <key>/kelvane/<n>     the Func method (cases in func_cases.h)
//   <key>/mpfr/<n>        MPFR, round to nearest, 4(h + 1) digits in bits
//   cost_<op>_<s>/kelvane/<n>  one operation of the floor's classes at
//                         operand size s (limbs), see costOps in
//                         func_cases.h
//
//   func_bench --cases=FILE   writes the cases with the exact argument
//                             values (as KVnum prints them) as JSON and exits
// scripts/bench_func.sh runs everything and builds the table and the plot.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "func_cases.h"

#ifdef KV_WITH_MPFR
#include <gmp.h>
#include <mpfr.h>
#endif

namespace {

using kvbench::FuncCase;

void kvCase(benchmark::State& st, const FuncCase& c, int n) {
    Func f(n);
    KVnum a(n), b(n), t(n);
    kvbench::setArgs(c, a, b);
    const int m = kvbench::methodOf(c);
    kvbench::runCase(f, c, m, a, b, t);  // first call outside the timing
    const long before = kvbench::allocations;
    long calls = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(kvbench::runCase(f, c, m, a, b, t));
        ++calls;
    }
    st.counters["allocs"] = static_cast<double>(kvbench::allocations - before) / static_cast<double>(calls);
}

// The exact tier on the same case. Its constants (ln 10, pi) are cached by
// the first call, outside the timing, as a program that calls it twice sees.
void exactCase(benchmark::State& st, const FuncCase& c, int n) {
    ExactFunc f(n);
    KVnum a(n), b(n), t(n);
    kvbench::setArgs(c, a, b);
    const int m = kvbench::methodOf(c);
    kvbench::runCase(f, c, m, a, b, t);
    // The methods only read their arguments, so the loop reuses them, as
    // Func's and MPFR's loops do; a method that wrote to one would time
    // other calls than its row names.
    KVnum a0(n), b0(n);
    kvbench::setArgs(c, a0, b0);
    if (kvbench::sciText(a) != kvbench::sciText(a0) || kvbench::sciText(b) != kvbench::sciText(b0)) {
        st.SkipWithError("the call changed its argument");
        return;
    }
    for (auto _ : st) benchmark::DoNotOptimize(kvbench::runCase(f, c, m, a, b, t));
}

// ---- single operations of the floor ---------------------------------------------

void costOp(benchmark::State& st, const std::string& name, int n) {
    KVnum x(n), y(n), t(n);
    if (kvbench::costOperands(name, n, x, y)) {
        for (auto _ : st) {
            t = x;
            kvbench::costStep(name, t, y);
            benchmark::DoNotOptimize(&t);
        }
    } else {
        for (auto _ : st) {
            kvbench::costStep(name, x, y);
            benchmark::DoNotOptimize(&x);
        }
    }
}

#ifdef KV_WITH_MPFR
// ---- MPFR at the same number of digits ----------------------------------------------

mpfr_prec_t bitsFor(int n) {
    return static_cast<mpfr_prec_t>(std::ceil(kvbench::digitsOf(n) * std::log2(10.0)));
}

struct Mp {
    mpfr_t v;
    explicit Mp(int n) { mpfr_init2(v, bitsFor(n)); }
    ~Mp() { mpfr_clear(v); }
};

// The argument texts as the KVnum holds them, so that both sides compute on
// the same values.
std::string heldText(const std::string& text, int n) {
    if (text.empty()) return "0";
    KVnum x(n);
    x = text.c_str();
    return kvbench::sciText(x);
}

void mpCase(benchmark::State& st, const FuncCase& c, int n) {
    const std::string k = c.key;
    Mp a(n), b(n), r(n), s(n);
    mpfr_set_str(a.v, heldText(c.a, n).c_str(), 10, MPFR_RNDN);
    mpfr_set_str(b.v, heldText(c.b, n).c_str(), 10, MPFR_RNDN);
    const mpfr_rnd_t R = MPFR_RNDN;
    if (k == "btob") {
        mpz_t z;
        mpz_init(z);
        std::vector<char> buf(c.a.size() + 8);
        for (auto _ : st) {
            mpz_set_str(z, c.a.c_str(), 10);
            benchmark::DoNotOptimize(mpz_get_str(buf.data(), 16, z));
        }
        mpz_clear(z);
        return;
    }
    Mp ln10(n);
    mpfr_set_ui(ln10.v, 10, R);
    mpfr_log(ln10.v, ln10.v, R);
    for (auto _ : st) {
        if (k == "ln2" || k == "lnfull") mpfr_log(r.v, a.v, R);
        else if (k == "aln05" || k == "alnfull") mpfr_exp(r.v, a.v, R);
        else if (k == "log7") mpfr_log10(r.v, a.v, R);
        else if (k == "lntolog") mpfr_div(r.v, a.v, ln10.v, R);
        else if (k == "alog05") mpfr_exp10(r.v, a.v, R);
        else if (k == "fpower" || k == "fpower7") mpfr_pow(r.v, a.v, b.v, R);
        else if (k == "afpower" || k == "afpowerfull") {
            mpfr_log(r.v, b.v, R);
            mpfr_log(s.v, a.v, R);
            mpfr_div(r.v, r.v, s.v, R);
        } else if (k == "iroot2") mpfr_sqrt(r.v, a.v, R);
        else if (k == "iroot3") mpfr_cbrt(r.v, a.v, R);
        else if (k == "dtor") {
            mpfr_const_pi(r.v, R);
            mpfr_mul_ui(r.v, r.v, 2, R);
            mpfr_mul(r.v, r.v, a.v, R);
            mpfr_div_ui(r.v, r.v, 360, R);
        } else if (k == "rtod") {
            mpfr_mul_ui(r.v, a.v, 360, R);
            mpfr_const_pi(s.v, R);
            mpfr_div(r.v, r.v, s.v, R);
            mpfr_div_ui(r.v, r.v, 2, R);
        } else if (k == "sin") mpfr_sin(r.v, a.v, R);
        else if (k == "cos") mpfr_cos(r.v, a.v, R);
        else if (k == "tan") mpfr_tan(r.v, a.v, R);
        else if (k == "atan") mpfr_atan(r.v, a.v, R);
        else if (k == "asin") mpfr_asin(r.v, a.v, R);
        else if (k == "acos") mpfr_acos(r.v, a.v, R);
        else if (k == "pi") {
            mpfr_free_cache();  // computed afresh, as Pi computes it
            mpfr_const_pi(r.v, R);
        } else if (k == "e") {
            mpfr_set_ui(s.v, 1, R);
            mpfr_exp(r.v, s.v, R);
        } else if (k == "phi") {
            mpfr_sqrt_ui(r.v, 5, R);
            mpfr_add_ui(r.v, r.v, 1, R);
            mpfr_div_2ui(r.v, r.v, 1, R);
        } else if (k == "fact") mpfr_fac_ui(r.v, 100, R);
        else if (k == "iroot_far" || k == "iroot_n1000" || k == "iroot_n2e9")
            mpfr_rootn_ui(r.v, a.v, static_cast<unsigned long>(c.root), R);
        else if (k == "aln_m50") mpfr_exp(r.v, a.v, R);
        else if (k == "fpower_m100") mpfr_pow(r.v, a.v, b.v, R);
        else if (k == "sin100" || k == "sin_big") mpfr_sin(r.v, a.v, R);
        else if (k == "ln_near1") mpfr_log(r.v, a.v, R);
        else if (k == "atan_huge") mpfr_atan(r.v, a.v, R);
        else if (k == "fact_max") mpfr_fac_ui(r.v, 999999, R);
        benchmark::DoNotOptimize(&r);
    }
}
#endif

// Func's precisions and the exact tier's, each once.
std::vector<int> allPrecisions() {
    std::vector<int> v(std::begin(kvbench::FUNC_PRECISIONS), std::end(kvbench::FUNC_PRECISIONS));
    for (int n : kvbench::EXACT_PRECISIONS)
        if (std::find(v.begin(), v.end(), n) == v.end()) v.push_back(n);
    return v;
}

// Writes the cases with their argument values as the numbers hold them.
int writeCases(const char* path) {
    FILE* out = std::fopen(path, "w");
    if (!out) return 1;
    std::fprintf(out, "[\n");
    bool first = true;
    for (int n : allPrecisions()) {
        KVnum a(n), b(n);
        for (const FuncCase& c : kvbench::funcCases()) {
            kvbench::setArgs(c, a, b);
            std::fprintf(out, "%s  {\"key\": \"%s\", \"label\": \"%s\", \"limbs\": %d, \"digits\": %d, ",
                         first ? "" : ",\n", c.key, c.label, n, kvbench::digitsOf(n));
            std::fprintf(out, "\"a\": \"%s\", ",
                         c.key == std::string("btob") ? c.a.c_str() : kvbench::sciText(a).c_str());
            std::fprintf(out, "\"b\": \"%s\", \"root\": %d}", kvbench::sciText(b).c_str(), c.root);
            first = false;
        }
    }
    std::fprintf(out, "\n]\n");
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--cases=", 8) == 0) return writeCases(argv[i] + 8);

    static std::vector<FuncCase> cases = kvbench::funcCases();
    for (int n : kvbench::FUNC_PRECISIONS) {
        for (const FuncCase& c : cases) {
            const std::string k = c.key;
            benchmark::RegisterBenchmark((k + "/kelvane/" + std::to_string(n)).c_str(), kvCase, c, n)
                ->Unit(benchmark::kMicrosecond);
#ifdef KV_WITH_MPFR
            benchmark::RegisterBenchmark((k + "/mpfr/" + std::to_string(n)).c_str(), mpCase, c, n)
                ->Unit(benchmark::kMicrosecond);
#endif
        }
        for (const std::string& op : kvbench::costOps(n))
            benchmark::RegisterBenchmark(("cost_" + op + "/kelvane/" + std::to_string(n)).c_str(), costOp, op, n);
    }
    for (int n : kvbench::EXACT_PRECISIONS) {
        const bool withFunc = std::find(std::begin(kvbench::FUNC_PRECISIONS), std::end(kvbench::FUNC_PRECISIONS), n) !=
                              std::end(kvbench::FUNC_PRECISIONS);
        for (const FuncCase& c : cases) {
            const std::string k = c.key;
            if (k == "btob") continue;
            benchmark::RegisterBenchmark((k + "/exact/" + std::to_string(n)).c_str(), exactCase, c, n)
                ->Unit(benchmark::kMicrosecond);
#ifdef KV_WITH_MPFR
            if (!withFunc)
                benchmark::RegisterBenchmark((k + "/mpfr/" + std::to_string(n)).c_str(), mpCase, c, n)
                    ->Unit(benchmark::kMicrosecond);
#endif
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
