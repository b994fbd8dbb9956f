// Speed of KVnum's operations and of the limb kernels under them, beside the
// plain reference loops of the tests (tests/refkernels.h), a bare base-10^4
// column product, and MPFR at the same number of significant digits
// (4 (h + 1) digits for a precision of n limbs, h = n/2 - 2, in
// ceil(digits x log2 10) bits). Names are op/implementation/limbs; the
// counter "allocs" is the number of heap allocations per operation.
// scripts/bench.sh runs this and turns the results into ratios and a plot.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <kelvane/KVnum.h>
#include "alloc_count.h"
#include "number/kernels.h"
#include "refkernels.h"

#ifdef KV_WITH_MPFR
#include <mpfr.h>
#endif

namespace {

const int PRECISIONS[] = {9, 32, 130, 500, 1000, 2000};

int significant(int n) { return n / 2 - 1; }

// Decimal text of `digits` random digits, the first one `lead`, the point
// after the first digit, times 10^e.
std::string randomText(std::mt19937_64& rng, int digits, char lead, int e) {
    std::string s(1, lead);
    s += '.';
    for (int i = 1; i < digits; ++i) s += static_cast<char>('0' + rng() % 10);
    return s + "e" + std::to_string(e);
}

std::vector<int32_t> randomLimbs(std::mt19937_64& rng, int n) {
    std::vector<int32_t> u(static_cast<size_t>(n));
    for (auto& x : u) x = static_cast<int32_t>(rng() % 10000);
    if (u.back() == 0) u.back() = 1;
    return u;
}

// Allocations per iteration, reported as a counter.
class AllocMeter {
public:
    AllocMeter() : start_(kvbench::allocations) {}
    void report(benchmark::State& st) const {
        st.counters["allocs"] = benchmark::Counter(static_cast<double>(kvbench::allocations - start_),
                                                   benchmark::Counter::kAvgIterations);
    }

private:
    long start_;
};

// The bare product of the first kernel version: base-10^4 limbs, 64-bit
// column sums, one carry pass. A rival kernel for the product.
void mulColumns1e4(int32_t* w, const int32_t* u, int un, const int32_t* v, int vn, int64_t* col) {
    const int wn = un + vn;
    for (int k = 0; k < wn; ++k) col[k] = 0;
    for (int i = 0; i < vn; ++i) {
        const int64_t vi = v[i];
        int64_t* c = col + i;
        for (int j = 0; j < un; ++j) c[j] += vi * u[j];
    }
    int64_t carry = 0;
    for (int k = 0; k < wn; ++k) {
        const int64_t s = col[k] + carry;
        w[k] = static_cast<int32_t>(s % 10000);
        carry = s / 10000;
    }
}

// ---- KVnum operations ----------------------------------------------------------

void kvAdd(benchmark::State& st, int n) {
    std::mt19937_64 rng(1);
    const int d = 4 * significant(n);
    KVnum x(n), y(n);
    x = randomText(rng, d, '3', 0).c_str();
    y = randomText(rng, d, '1', -3).c_str();  // aligned with a cut of 3 digits
    AllocMeter m;
    for (auto _ : st) {
        x += y;
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

void kvSub(benchmark::State& st, int n) {
    std::mt19937_64 rng(2);
    const int d = 4 * significant(n);
    KVnum x(n), y(n);
    x = randomText(rng, d, '3', 30).c_str();
    y = randomText(rng, d, '1', -3).c_str();
    AllocMeter m;
    for (auto _ : st) {
        x -= y;
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

void kvCmp(benchmark::State& st, int n) {
    std::mt19937_64 rng(3);
    const int d = 4 * significant(n);
    const std::string t = randomText(rng, d, '7', 0);
    KVnum x(n), y(n);
    x = t.c_str();
    std::string u = t;
    char& last = u[u.find('e') - 1];  // differs in the last digit only
    last = last == '9' ? '8' : '9';
    y = u.c_str();
    AllocMeter m;
    for (auto _ : st) benchmark::DoNotOptimize(x == y);
    m.report(st);
}

void kvMul(benchmark::State& st, int n) {
    std::mt19937_64 rng(4);
    const int d = 4 * significant(n);
    KVnum x(n), y(n);
    x = randomText(rng, d, '5', 0).c_str();
    y = randomText(rng, d, '1', 0).c_str();
    AllocMeter m;
    for (auto _ : st) {
        x *= y;
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

// A square by aliasing (y *= y), after a copy of the operand that MPFR's
// row makes as well.
void kvSqr(benchmark::State& st, int n) {
    std::mt19937_64 rng(4);
    KVnum x(n), y(n);
    x = randomText(rng, 4 * significant(n), '5', 0).c_str();
    AllocMeter m;
    for (auto _ : st) {
        y = x;
        y *= y;
        benchmark::DoNotOptimize(&y);
    }
    m.report(st);
}

void kvDiv(benchmark::State& st, int n) {
    std::mt19937_64 rng(5);
    const int d = 4 * significant(n);
    KVnum x(n), y(n);
    x = randomText(rng, d, '5', 0).c_str();
    y = randomText(rng, d, '1', 0).c_str();
    AllocMeter m;
    for (auto _ : st) {
        x /= y;
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

void kvDivSmall(benchmark::State& st, int n) {
    std::mt19937_64 rng(6);
    KVnum x(n), y(n);
    x = randomText(rng, 4 * significant(n), '5', 0).c_str();
    y = 7;
    AllocMeter m;
    for (auto _ : st) {
        x /= y;
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

void kvAssign(benchmark::State& st, int n) {
    std::mt19937_64 rng(7);
    const std::string t = randomText(rng, 4 * significant(n), '4', -5);
    KVnum x(n);
    AllocMeter m;
    for (auto _ : st) {
        x = t.c_str();
        benchmark::DoNotOptimize(&x);
    }
    m.report(st);
}

void kvString(benchmark::State& st, int n) {
    std::mt19937_64 rng(8);
    KVnum x(n);
    x = randomText(rng, 4 * significant(n), '4', -5).c_str();
    AllocMeter m;
    for (auto _ : st) benchmark::DoNotOptimize(x.String(0, false));
    m.report(st);
}

// ---- bare kernels and reference loops ------------------------------------------------

void kernelMul(benchmark::State& st, int n) {
    std::mt19937_64 rng(9);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m), v = randomLimbs(rng, m);
    std::vector<int32_t> w(2 * static_cast<size_t>(m));
    for (auto _ : st) {
        kv::mul(w.data(), u.data(), m, v.data(), m);
        benchmark::DoNotOptimize(w.data());
    }
}

void kernelSqr(benchmark::State& st, int n) {
    std::mt19937_64 rng(9);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m);
    std::vector<int32_t> w(2 * static_cast<size_t>(m));
    for (auto _ : st) {
        kv::mul(w.data(), u.data(), m, u.data(), m);
        benchmark::DoNotOptimize(w.data());
    }
}

void columnsMul(benchmark::State& st, int n) {
    std::mt19937_64 rng(9);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m), v = randomLimbs(rng, m);
    std::vector<int32_t> w(2 * static_cast<size_t>(m));
    std::vector<int64_t> col(2 * static_cast<size_t>(m));
    for (auto _ : st) {
        mulColumns1e4(w.data(), u.data(), m, v.data(), m, col.data());
        benchmark::DoNotOptimize(w.data());
    }
}

void refMul(benchmark::State& st, int n) {
    std::mt19937_64 rng(9);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m), v = randomLimbs(rng, m);
    for (auto _ : st) benchmark::DoNotOptimize(ref::mul(u, v));
}

// A quotient of full length: 2m + 1 limbs by m limbs.
void kernelDiv(benchmark::State& st, int n) {
    std::mt19937_64 rng(10);
    const int m = significant(n);
    const auto u = randomLimbs(rng, 2 * m + 1), v = randomLimbs(rng, m);
    std::vector<int32_t> q(static_cast<size_t>(m) + 2);
    for (auto _ : st) {
        kv::divq(q.data(), u.data(), 2 * m + 1, v.data(), m);
        benchmark::DoNotOptimize(q.data());
    }
}

void refDiv(benchmark::State& st, int n) {
    std::mt19937_64 rng(10);
    const int m = significant(n);
    const auto u = randomLimbs(rng, 2 * m + 1), v = randomLimbs(rng, m);
    for (auto _ : st) benchmark::DoNotOptimize(ref::divq(u, v));
}

void refAdd(benchmark::State& st, int n) {
    std::mt19937_64 rng(11);
    const int m = significant(n) + 1;
    const auto u = randomLimbs(rng, m), v = randomLimbs(rng, m);
    int32_t c = 0;
    for (auto _ : st) benchmark::DoNotOptimize(ref::add(u, v, &c));
}

// Operands equal but for the lowest limb: the comparison reads them all.
void refCmp(benchmark::State& st, int n) {
    std::mt19937_64 rng(12);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m);
    auto v = u;
    v[0] = (v[0] + 1) % 10000;
    for (auto _ : st) benchmark::DoNotOptimize(ref::cmp(u, v));
}

void kernelCmp(benchmark::State& st, int n) {
    std::mt19937_64 rng(12);
    const int m = significant(n);
    const auto u = randomLimbs(rng, m);
    auto v = u;
    v[0] = (v[0] + 1) % 10000;
    for (auto _ : st) benchmark::DoNotOptimize(kv::cmp_n(u.data(), v.data(), m));
}

void kernelAdd(benchmark::State& st, int n) {
    std::mt19937_64 rng(11);
    const int m = significant(n) + 1;
    const auto u = randomLimbs(rng, m), v = randomLimbs(rng, m);
    std::vector<int32_t> w(static_cast<size_t>(m));
    for (auto _ : st) {
        benchmark::DoNotOptimize(kv::add_n(w.data(), u.data(), v.data(), m));
        benchmark::ClobberMemory();
    }
}

#ifdef KV_WITH_MPFR
// ---- MPFR at the same number of digits ----------------------------------------------------

mpfr_prec_t bitsFor(int n) {
    return static_cast<mpfr_prec_t>(std::ceil(4 * significant(n) * std::log2(10.0)));
}

struct Mp {
    mpfr_t v;
    explicit Mp(int n) { mpfr_init2(v, bitsFor(n)); }
    ~Mp() { mpfr_clear(v); }
    void set(const std::string& t) { mpfr_set_str(v, t.c_str(), 10, MPFR_RNDZ); }
};

void mpAdd(benchmark::State& st, int n) {
    std::mt19937_64 rng(1);
    const int d = 4 * significant(n);
    Mp x(n), y(n);
    x.set(randomText(rng, d, '3', 0));
    y.set(randomText(rng, d, '1', -3));
    for (auto _ : st) {
        mpfr_add(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(&x);
    }
}

void mpSub(benchmark::State& st, int n) {
    std::mt19937_64 rng(2);
    const int d = 4 * significant(n);
    Mp x(n), y(n);
    x.set(randomText(rng, d, '3', 30));
    y.set(randomText(rng, d, '1', -3));
    for (auto _ : st) {
        mpfr_sub(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(&x);
    }
}

void mpCmp(benchmark::State& st, int n) {
    std::mt19937_64 rng(3);
    const std::string t = randomText(rng, 4 * significant(n), '7', 0);
    Mp x(n), y(n);
    x.set(t);
    std::string u = t;
    char& last = u[u.find('e') - 1];
    last = last == '9' ? '8' : '9';
    y.set(u);
    for (auto _ : st) benchmark::DoNotOptimize(mpfr_cmp(x.v, y.v));
}

void mpMul(benchmark::State& st, int n) {
    std::mt19937_64 rng(4);
    const int d = 4 * significant(n);
    Mp x(n), y(n);
    x.set(randomText(rng, d, '5', 0));
    y.set(randomText(rng, d, '1', 0));
    for (auto _ : st) {
        mpfr_mul(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(&x);
    }
}

void mpSqr(benchmark::State& st, int n) {
    std::mt19937_64 rng(4);
    Mp x(n), y(n);
    x.set(randomText(rng, 4 * significant(n), '5', 0));
    for (auto _ : st) {
        mpfr_set(y.v, x.v, MPFR_RNDZ);
        mpfr_sqr(y.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(&y);
    }
}

void mpDiv(benchmark::State& st, int n) {
    std::mt19937_64 rng(5);
    const int d = 4 * significant(n);
    Mp x(n), y(n);
    x.set(randomText(rng, d, '5', 0));
    y.set(randomText(rng, d, '1', 0));
    for (auto _ : st) {
        mpfr_div(x.v, x.v, y.v, MPFR_RNDZ);
        benchmark::DoNotOptimize(&x);
    }
}

void mpDivSmall(benchmark::State& st, int n) {
    std::mt19937_64 rng(6);
    Mp x(n);
    x.set(randomText(rng, 4 * significant(n), '5', 0));
    for (auto _ : st) {
        mpfr_div_ui(x.v, x.v, 7, MPFR_RNDZ);
        benchmark::DoNotOptimize(&x);
    }
}

void mpAssign(benchmark::State& st, int n) {
    std::mt19937_64 rng(7);
    const std::string t = randomText(rng, 4 * significant(n), '4', -5);
    Mp x(n);
    for (auto _ : st) {
        x.set(t);
        benchmark::DoNotOptimize(&x);
    }
}

void mpString(benchmark::State& st, int n) {
    std::mt19937_64 rng(8);
    Mp x(n);
    x.set(randomText(rng, 4 * significant(n), '4', -5));
    const size_t digits = static_cast<size_t>(4 * significant(n));
    std::vector<char> buf(digits + 2);
    mpfr_exp_t e;
    for (auto _ : st) benchmark::DoNotOptimize(mpfr_get_str(buf.data(), &e, 10, digits, x.v, MPFR_RNDZ));
}
#endif

typedef void (*Fn)(benchmark::State&, int);

void add(const char* op, const char* impl, Fn f) {
    for (int n : PRECISIONS) {
        const std::string name = std::string(op) + "/" + impl + "/" + std::to_string(n);
        benchmark::RegisterBenchmark(name.c_str(), f, n);
    }
}

void addRef(const char* op, Fn f, int maxLimbs) {
    for (int n : PRECISIONS) {
        if (n > maxLimbs) continue;
        const std::string name = std::string(op) + "/ref/" + std::to_string(n);
        benchmark::RegisterBenchmark(name.c_str(), f, n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    add("add", "kelvane", kvAdd);
    add("add", "kernel", kernelAdd);
    addRef("add", refAdd, 2000);
    add("sub", "kelvane", kvSub);
    add("cmp", "kelvane", kvCmp);
    add("cmp", "kernel", kernelCmp);
    addRef("cmp", refCmp, 2000);
    add("mul", "kelvane", kvMul);
    add("mul", "kernel", kernelMul);
    add("mul", "cols1e4", columnsMul);
    addRef("mul", refMul, 2000);
    add("sqr", "kelvane", kvSqr);
    add("sqr", "kernel", kernelSqr);
    add("div", "kelvane", kvDiv);
    add("div", "kernel", kernelDiv);
    addRef("div", refDiv, 500);
    add("divsmall", "kelvane", kvDivSmall);
    add("assign", "kelvane", kvAssign);
    add("string", "kelvane", kvString);
#ifdef KV_WITH_MPFR
    add("add", "mpfr", mpAdd);
    add("sub", "mpfr", mpSub);
    add("cmp", "mpfr", mpCmp);
    add("mul", "mpfr", mpMul);
    add("sqr", "mpfr", mpSqr);
    add("div", "mpfr", mpDiv);
    add("divsmall", "mpfr", mpDivSmall);
    add("assign", "mpfr", mpAssign);
    add("string", "mpfr", mpString);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
