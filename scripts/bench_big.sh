#!/usr/bin/env bash
# Builds and runs the long-number benchmarks: KVnum's *=, /=, += and String at
# 20,000, 200,000 and 2,000,000 digits beside GMP (mpz), MPFR and Python's
# decimal, with the product and quotient methods of before (Karatsuba, long
# division) in the same run; ln 2 and ln 10 of the exact tier beside MPFR's
# ln 2; the peak memory of one product; prints the table,
# the ratios and the growth exponents and writes docs/bench-big.png.
#
#   bash scripts/bench_big.sh            full run (a few minutes)
#   bash scripts/bench_big.sh --quick    one repetition, shorter runs
#
# Needs Google Benchmark, GMP and MPFR (the rivals; benchmark build only) and
# python3-matplotlib; missing Debian packages are installed when run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

KELVANE_DEPS_EXTRA="libbenchmark-dev libgmp-dev libmpfr-dev python3-matplotlib" bash scripts/deps.sh

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELVANE_BENCH=ON -DKELVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target big_bench -j 2 >/dev/null

py=/usr/bin/python3
[ -x "$py" ] || py=python3

out="$build/big"
mkdir -p "$out"
: >"$out/peak.jsonl"
for d in 20000 200000 2000000; do "$build/bench/big_bench" --peak=$d >>"$out/peak.jsonl"; done
if [ $quick = 1 ]; then
  args=(--benchmark_min_time=0.05)
  "$py" bench/big_python.py "$out/python.json" --quick
else
  args=(--benchmark_min_time=0.3 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
  "$py" bench/big_python.py "$out/python.json"
fi
"$build/bench/big_bench" "${args[@]}" --benchmark_format=json --benchmark_out="$out/bench.json" \
  --benchmark_out_format=json >/dev/null
"$py" bench/big_report.py "$out/bench.json" "$out/python.json" "$out/peak.jsonl" docs/bench-big.png
