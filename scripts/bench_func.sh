#!/usr/bin/env bash
# Builds and runs the function benchmarks: every Func method at 130 and 500
# limbs beside MPFR (same run, same digits) and Python's decimal module (same
# digits, timed by timeit in a subprocess), and beside each method's
# arithmetic floor (its counted operations times their measured cost). Prints
# the table and the target ratios and writes docs/bench-func.png.
#
#   bash scripts/bench_func.sh            full run (several minutes)
#   bash scripts/bench_func.sh --quick    shorter runs, one repetition
#
# Needs Google Benchmark, MPFR (the rival; benchmark build only) and
# python3-matplotlib; missing Debian packages are installed when run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

# The project's own dependency check, with the benchmark build's packages.
KELVANE_DEPS_EXTRA="libbenchmark-dev libmpfr-dev python3-matplotlib" bash scripts/deps.sh

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELVANE_BENCH=ON -DKELVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target func_bench func_count -j 2 >/dev/null

# Debian's python3, where python3-matplotlib is installed (a python3 found
# first on PATH may be another one).
py=/usr/bin/python3
[ -x "$py" ] || py=python3

out="$build/func"
mkdir -p "$out"
"$build/bench/func_bench" --cases="$out/cases.json"
"$build/bench/func_count" >"$out/counts.json"
if [ $quick = 1 ]; then
  args=(--benchmark_min_time=0.05)
  "$py" bench/func_python.py "$out/cases.json" "$out/python.json" --quick
else
  args=(--benchmark_min_time=0.2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true)
  "$py" bench/func_python.py "$out/cases.json" "$out/python.json"
fi
"$build/bench/func_bench" "${args[@]}" --benchmark_format=json --benchmark_out="$out/bench.json" \
  --benchmark_out_format=json >/dev/null
"$py" bench/func_report.py "$out/bench.json" "$out/counts.json" "$out/python.json" "$out/cases.json" \
  docs/bench-func.png "$@"
