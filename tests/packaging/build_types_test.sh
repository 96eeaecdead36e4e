#!/usr/bin/env bash
# Builds the programs as distributors build them, in the build types other than the one the suite
# itself is built in, warnings as errors, and runs the package's checks on each: optimisation changes
# the machine code lintian reads and what the compiler warns of.
# Usage: build_types_test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/build-types.XXXXXX")
trap 'rm -rf "$work"' EXIT

build() {
  local type=$1
  shift
  cmake -S "$source_dir" -B "$work/$type" -DCMAKE_BUILD_TYPE="$type" -DFILECONVERTER_TESTS=OFF \
        -DFILECONVERTER_WERROR=ON "$@" >"$work/$type.log" 2>&1 \
    && cmake --build "$work/$type" -j "$(nproc)" >>"$work/$type.log" 2>&1 \
    || { tail -40 "$work/$type.log" >&2; echo "FAIL: the $type build" >&2; return 1; }
  "$here/package_test.sh" "$work/$type" "$version" >"$work/$type-package.log" 2>&1 \
    || { grep -E '^[EWIPX]: |FAIL' "$work/$type-package.log" >&2; echo "FAIL: the package of the $type build" >&2; return 1; }
  echo "$type: built without warnings, package checks passed"
}

failures=0
build Release || failures=$((failures + 1))
# debhelper configures with the build type None and hands the compiler dpkg-buildflags' flags
# (CPPFLAGS joined to CXXFLAGS, which CMake alone reads).
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  build None || failures=$((failures + 1))
exit "$failures"
