// Speed of KVnum's operations on long numbers (20,000 to 2,000,000 digits)
// beside MPFR at the same number of significant digits and GMP's integers
// with the same digits (mpz: a product of two D-digit integers, the quotient
// of a 2D-digit by a D-digit one, which is the division KVnum's /= does
// underneath). The rows "kelvane-plain" run the same KVnum operations with
// the transform product and the Newton quotient switched off (the
// Karatsuba product and the long division), for the before and after in
// one run. The rows "ln2" time the exact tier's logarithm constants from
// scratch (ln 2 and ln 10 together, as its cache computes them) beside
// MPFR's ln 2 with its cache emptied before each call. Names are
// op/implementation/digits.
//
//   big_bench [Google Benchmark flags]   the timings
//   big_bench --peak=D                   peak memory of one D-digit product
//
// scripts/bench_big.sh runs this beside Python's decimal (bench/big_python.py)
// and writes the table and the plot (bench/big_report.py).
#include <benchmark/benchmark.h>
#include <gmp.h>
#include <mpfr.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <kelvane/KVnum.h>
#include "alloc_count.h"
#include "exact/Ball.h"
#include "number/kernels.h"

namespace {

const int DIGITS[] = {20000, 200000, 2000000};

// The precision in limbs whose numbers hold `digits` significant digits
// (h + 1 = n/2 - 1 limbs of four digits).
int limbsFor(int digits) { return 2 * (digits / 4 + 1); }

// `digits` random decimal digits, the first one `lead`.
std::string randomDigits(std::mt19937_64& rng, int digits, char lead) {
    std::string s(1, lead);
    for (int i = 1; i < digits; ++i) s += static_cast<char>('0' + rng() % 10);
    return s;
}

std::string asFraction(const std::string& d) { return d.substr(0, 1) + "." + d.substr(1) + "e0"; }

// Switches the transform product and the Newton quotient off for a scope.
class Plain {
public:
    explicit Plain(bool on) : saved_(kv::thresholds) {
        if (on) kv::thresholds = {1 << 29, 1 << 29};
    }
    ~Plain() { kv::thresholds = saved_; }

private:
    kv::Thresholds saved_;
};

void kvMul(benchmark::State& st, int digits, bool plain) {
    std::mt19937_64 rng(4);
    const int n = limbsFor(digits);
    KVnum x(n), y(n);
    x = asFraction(randomDigits(rng, digits, '5')).c_str();
    y = asFraction(randomDigits(rng, digits, '1')).c_str();
    Plain p(plain);
    for (auto _ : st) {
        x *= y;
        benchmark::DoNotOptimize(&x);
    }
}

void kvDiv(benchmark::State& st, int digits, bool plain) {
    std::mt19937_64 rng(5);
    const int n = limbsFor(digits);
    KVnum x(n), y(n);
    x = asFraction(randomDigits(rng, digits, '5')).c_str();
    y = asFraction(randomDigits(rng, digits, '1')).c_str();
    Plain p(plain);
    for (auto _ : st) {
        x /= y;
        benchmark::DoNotOptimize(&x);
    }
}

void kvAdd(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(6);
    const int n = limbsFor(digits);
    KVnum x(n), y(n);
    x = asFraction(randomDigits(rng, digits, '3')).c_str();
    y = asFraction(randomDigits(rng, digits, '1')).c_str();
    for (auto _ : st) {
        x += y;
        benchmark::DoNotOptimize(&x);
    }
}

void kvString(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(7);
    const int n = limbsFor(digits);
    KVnum x(n);
    x = asFraction(randomDigits(rng, digits, '7')).c_str();
    for (auto _ : st) benchmark::DoNotOptimize(x.String(0, false));
}

// mpz: integers of the same digits.
struct Z {
    mpz_t v;
    Z() { mpz_init(v); }
    explicit Z(const std::string& d) { mpz_init_set_str(v, d.c_str(), 10); }
    ~Z() { mpz_clear(v); }
};

void gmpMul(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(4);
    Z a(randomDigits(rng, digits, '5')), b(randomDigits(rng, digits, '1')), r;
    for (auto _ : st) {
        mpz_mul(r.v, a.v, b.v);
        benchmark::DoNotOptimize(r.v);
    }
}

void gmpDiv(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(5);
    Z a(randomDigits(rng, 2 * digits, '5')), b(randomDigits(rng, digits, '1')), q;
    for (auto _ : st) {
        mpz_tdiv_q(q.v, a.v, b.v);
        benchmark::DoNotOptimize(q.v);
    }
}

void gmpAdd(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(6);
    Z a(randomDigits(rng, digits, '3')), b(randomDigits(rng, digits, '1')), r;
    for (auto _ : st) {
        mpz_add(r.v, a.v, b.v);
        benchmark::DoNotOptimize(r.v);
    }
}

void gmpString(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(7);
    Z a(randomDigits(rng, digits, '7'));
    std::vector<char> buf(static_cast<size_t>(digits) + 16);
    for (auto _ : st) benchmark::DoNotOptimize(mpz_get_str(buf.data(), 10, a.v));
}

// MPFR at the same significant digits, truncating like KVnum.
struct F {
    mpfr_t v;
    F(int digits, const std::string& d) {
        mpfr_init2(v, static_cast<mpfr_prec_t>(std::ceil(digits * std::log2(10.0))));
        mpfr_set_str(v, asFraction(d).c_str(), 10, MPFR_RNDZ);
    }
    ~F() { mpfr_clear(v); }
};

void mpfrMul(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(4);
    F x(digits, randomDigits(rng, digits, '5')), y(digits, randomDigits(rng, digits, '1'));
    for (auto _ : st) {
        mpfr_mul(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(x.v);
    }
}

void mpfrDiv(benchmark::State& st, int digits, bool) {
    std::mt19937_64 rng(5);
    F x(digits, randomDigits(rng, digits, '5')), y(digits, randomDigits(rng, digits, '1'));
    for (auto _ : st) {
        mpfr_div(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(x.v);
    }
}

void kvLnConstants(benchmark::State& st, int digits, bool) {
    const int n = limbsFor(digits);
    for (auto _ : st) {
        kvexact::Ball l10(n), l2(n);
        kvexact::lnConstants(n, l10, l2);
        benchmark::DoNotOptimize(l2);
    }
}

void mpfrLog2(benchmark::State& st, int digits, bool) {
    mpfr_t v;
    mpfr_init2(v, static_cast<mpfr_prec_t>(std::ceil(digits * std::log2(10.0))));
    for (auto _ : st) {
        mpfr_free_cache();
        mpfr_const_log2(v, MPFR_RNDZ);
        benchmark::DoNotOptimize(v);
    }
    mpfr_clear(v);
}

typedef void (*Fn)(benchmark::State&, int, bool);

void add(const char* op, const char* impl, Fn f, bool plain = false, int maxDigits = 1 << 30) {
    for (int d : DIGITS) {
        if (d > maxDigits) continue;
        const std::string name = std::string(op) + "/" + impl + "/" + std::to_string(d);
        benchmark::RegisterBenchmark(name.c_str(), f, d, plain)->Unit(benchmark::kMicrosecond);
    }
}

// The most heap bytes one product of two D-digit numbers holds beyond what
// was held before it (its double-length result, the transform's residues and
// roots), against the bytes of the operands: their limb arrays, and the
// significant limbs in them. Run first in a fresh process, so that the
// product grows its scratch storage afresh.
int peak(int digits) {
    std::mt19937_64 rng(4);
    const int n = limbsFor(digits);
    KVnum x(n), y(n);
    x = asFraction(randomDigits(rng, digits, '5')).c_str();
    y = asFraction(randomDigits(rng, digits, '1')).c_str();
    const long long before = kvbench::liveBytes;
    kvbench::peakBytes = before;
    x *= y;
    const long long extra = kvbench::peakBytes - before;
    const double operands = 2.0 * 4.0 * n;               // both limb arrays
    const double significant = 2.0 * 4.0 * (n / 2 - 1);  // their significant limbs
    std::printf("{\"digits\": %d, \"extra_bytes\": %lld, \"operand_bytes\": %.0f, \"significant_bytes\": %.0f}\n",
                digits, extra, operands, significant);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--peak=", 7) == 0) return peak(std::atoi(argv[i] + 7));
    add("mul", "kelvane", kvMul);
    add("mul", "kelvane-plain", kvMul, true);
    add("mul", "gmp", gmpMul);
    add("mul", "mpfr", mpfrMul);
    add("div", "kelvane", kvDiv);
    add("div", "kelvane-plain", kvDiv, true, 200000);  // 11 s a quotient at 2,000,000
    add("div", "gmp", gmpDiv);
    add("div", "mpfr", mpfrDiv);
    add("add", "kelvane", kvAdd);
    add("add", "gmp", gmpAdd);
    add("string", "kelvane", kvString);
    add("string", "gmp", gmpString);
    add("ln2", "kelvane", kvLnConstants);
    add("ln2", "mpfr", mpfrLog2);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
