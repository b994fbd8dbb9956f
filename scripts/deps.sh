#!/usr/bin/env bash
# Makes sure the tools and libraries the build and tests use are present.
# Missing Debian packages are installed when we are root with apt-get;
# otherwise the script fails at once, naming what is missing.
set -euo pipefail

missing=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd cmake || missing+=(cmake)
have_cmd g++ || missing+=(g++)
have_cmd python3 || missing+=(python3)
have_cmd bc || missing+=(bc)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/include/readline/readline.h ] || missing+=(libreadline-dev)
have_cmd pkg-config || missing+=(pkg-config)
# mpmath writes the exact tier's oracle tables (tests/data/gen_exact_*.py).
have_pkg python3-mpmath || missing+=(python3-mpmath)
if [ "${KELVANE_DEPS_EXTRA:-}" != "" ]; then
  for p in $KELVANE_DEPS_EXTRA; do have_pkg "$p" || missing+=("$p"); done
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ] && have_cmd apt-get; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "Missing: ${missing[*]} (install these packages, then run again)" >&2
    exit 1
  fi
fi
