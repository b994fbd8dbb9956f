#!/usr/bin/env bash
# Builds Kelvane and runs every test twice: in a normal optimised build, and
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer (leaks
# included) and the kernels' contract assertions switched on, where any
# report or failed assertion fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer, assertions on)"
cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_SANITIZE=ON -DKELVANE_ASSERTS=ON >/dev/null
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-san --output-on-failure -j "$jobs"

echo "== thread test (ThreadSanitizer)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target thread_test
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir build-tsan -R '^Threads\.' --output-on-failure

echo "== fuzz targets (libFuzzer, bounded time each; set FUZZ_SECONDS to change)"
FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash fuzz/run.sh
