#!/usr/bin/env bash
# Builds the benchmarks (-DKELVANE_BENCH=ON, Release), runs them, prints the
# times and the ratios that the speed targets are stated in, and writes a plot
# of time against precision to docs/bench-kernels.png.
#
#   bash scripts/bench.sh            full run (about two minutes)
#   bash scripts/bench.sh --quick    shorter runs, one repetition
#
# Needs Google Benchmark, MPFR (the rival, benchmark build only) and
# python3-matplotlib; missing Debian packages are installed when run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

# The project's own dependency check, with the benchmark build's packages.
KELVANE_DEPS_EXTRA="libbenchmark-dev libmpfr-dev python3-matplotlib" bash scripts/deps.sh

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELVANE_BENCH=ON -DKELVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target kernels_bench -j 2 >/dev/null

if [ $quick = 1 ]; then
  args=(--benchmark_min_time=0.05)
else
  args=(--benchmark_min_time=0.2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true)
fi
"$build/bench/kernels_bench" "${args[@]}" --benchmark_format=json --benchmark_out="$build/bench.json" \
  --benchmark_out_format=json >/dev/null
# Debian's python3, where python3-matplotlib is installed (a python3 found
# first on PATH may be another one).
py=/usr/bin/python3
[ -x "$py" ] || py=python3
"$py" bench/report.py "$build/bench.json" docs/bench-kernels.png
