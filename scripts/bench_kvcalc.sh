#!/usr/bin/env bash
# kvcalc against bc -l at 50, 2,000 and 10,000 digits: builds kvcalc, prints
# the Markdown table (as in the README) and writes docs/bench-kvcalc.png.
# bc -l at 10,000 digits takes minutes per function; the whole run about an
# hour. Arguments go to bench/kvcalc_bc.py (e.g. --digits 50,2000).
set -euo pipefail
cd "$(dirname "$0")/.."
KELVANE_DEPS_EXTRA="python3-matplotlib" bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kvcalc -j 2 >/dev/null
py=/usr/bin/python3
[ -x "$py" ] || py=python3
exec "$py" bench/kvcalc_bc.py build/cli/kvcalc "$@"
