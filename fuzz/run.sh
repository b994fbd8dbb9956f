#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer, the contract assertions on) and runs each for
# a bounded time.
#   bash fuzz/run.sh            # 60 s per target
#   FUZZ_SECONDS=600 bash fuzz/run.sh
#   bash fuzz/run.sh fuzz_text  # one target
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${FUZZ_SECONDS:-60}
command -v clang++ >/dev/null || { echo "clang++ is needed for fuzzing (apt-get install clang libclang-rt-dev)" >&2; exit 1; }
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_SANITIZE=ON \
  -DKELVANE_FUZZ=ON -DKELVANE_ASSERTS=ON -DKELVANE_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//'))
status=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  artifacts=build-fuzz/artifacts/$t/
  mkdir -p "$corpus" "$artifacts"
  echo "== $t for ${secs}s"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      ./build-fuzz/fuzz/$t "$corpus" fuzz/corpus/$t -max_total_time="$secs" -rss_limit_mb=2048 \
        -timeout=20 -print_final_stats=1 -artifact_prefix="$artifacts" >build-fuzz/$t.log 2>&1; then
    grep -E 'stat::number_of_executed_units' build-fuzz/$t.log || true
  else
    grep -E 'ERROR|invariant|SUMMARY|Test unit written' build-fuzz/$t.log || tail -20 build-fuzz/$t.log
    echo "finding in $t (log: build-fuzz/$t.log, input under $artifacts)" >&2
    status=1
  fi
done
exit $status
