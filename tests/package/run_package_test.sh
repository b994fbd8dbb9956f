#!/usr/bin/env bash
# Installs a built Kelvane into a temporary prefix and builds and runs a small
# consumer against it, once through its CMake package and once through
# pkg-config.
#
# usage: run_package_test.sh BUILD_DIR CONSUMER_DIR CMAKE CXX CONFIG [FLAGS]
#        run_package_test.sh --skip REASON
# FLAGS are the sanitizer options the library was built with: a consumer of an
# instrumented library must be built with them too.
set -euo pipefail

if [[ ${1:-} == --skip ]]; then
  echo "skipped: $2"
  exit 77
fi

build_dir=$1
consumer_dir=$2
cmake=$3
cxx=$4
config=${5:-}
san_flags=${6:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "FAIL: $*" >&2; exit 1; }

config_args=()
[[ -n "$config" ]] && config_args=(--config "$config")
"$cmake" --install "$build_dir" --prefix "$prefix" "${config_args[@]}" >"$work/install.log" \
  || { cat "$work/install.log"; fail "cmake --install"; }

# The layout users of a C++ library expect.
for h in KVnum.h KVerror.h Func.h Kelvane.h kvframe.h; do
  [[ -f $prefix/include/kelvane/$h ]] || fail "header include/kelvane/$h not installed"
done
# Internal headers stay in the source tree.
for h in kernels.h opcount.h Scratch.h LimbScale.h; do
  [[ -z $(find "$prefix" -name "$h") ]] || fail "internal header $h installed"
done
config_file=$(find "$prefix" -name kelvaneConfig.cmake -path '*/cmake/kelvane/*' | head -n 1)
[[ -n $config_file ]] || fail "kelvaneConfig.cmake not installed"
pc_file=$(find "$prefix" -name kelvane.pc -path '*/pkgconfig/*' | head -n 1)
[[ -n $pc_file ]] || fail "kelvane.pc not installed"
libdir=$(dirname "$(dirname "$pc_file")")
[[ -f $libdir/libkelvane.so.0.1.0 && -L $libdir/libkelvane.so.0 && -L $libdir/libkelvane.so ]] \
  || fail "libkelvane.so with its versioned names not installed in $libdir"
if command -v readelf >/dev/null; then
  readelf -d "$libdir/libkelvane.so.0.1.0" | grep -q 'SONAME.*\[libkelvane\.so\.0\]' \
    || fail "libkelvane's soname is not libkelvane.so.0"
fi

expected="consumer: 1/7=0.142857142857 class=Kelvane"

# Through the CMake package.
"$cmake" -S "$consumer_dir" -B "$work/cmake-build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$san_flags" -DCMAKE_EXE_LINKER_FLAGS="$san_flags" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configuring the consumer"; }
"$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log"; fail "building the consumer with find_package"; }
out=$("$work/cmake-build/consumer") || fail "find_package consumer exited with $?: $out"
[[ $out == "$expected" ]] || fail "find_package consumer printed '$out'"
echo "find_package: $out"

# Through pkg-config.
if ! command -v pkg-config >/dev/null; then
  echo "pkg-config not found: that half is not run"
  exit 0
fi
export PKG_CONFIG_PATH=$(dirname "$pc_file")
version=$(pkg-config --modversion kelvane)
[[ $version == 0.1.0 ]] || fail "pkg-config reports version '$version'"
pc_libdir=$(pkg-config --variable=libdir kelvane)
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $san_flags $(pkg-config --cflags kelvane) "$consumer_dir/main.cpp" \
  -o "$work/consumer-pc" $(pkg-config --libs kelvane) -Wl,-rpath,"$pc_libdir" \
  || fail "building the consumer with pkg-config"
out=$("$work/consumer-pc") || fail "pkg-config consumer exited with $?: $out"
[[ $out == "$expected" ]] || fail "pkg-config consumer printed '$out'"
echo "pkg-config: $out"
