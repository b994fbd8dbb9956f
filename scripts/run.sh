#!/usr/bin/env bash
# Builds Kelvane and its calculator kvcalc, then evaluates a few expressions
# at 60 fractional digits. Other arguments are handed to kvcalc instead:
#   bash scripts/run.sh -d 30 'exp(20)' 'sin(100)'
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
if [ $# -eq 0 ]; then
  set -- -d 60 pi e 'sqrt(2)' 'ln(10)'
fi
echo "kvcalc $*"
exec ./build/cli/kvcalc "$@"
