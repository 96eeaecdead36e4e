#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for a given time on its corpus.
# Usage: fuzz/run.sh [seconds per target, default 60] [target...]   (targets: convert profile paths)
#   FUZZ_BUILD=dir   the build folder (default build-fuzz)
# New inputs go to fuzz/corpus-run/<target>/ and crashes to fuzz/corpus-run/crashes/, both ignored by
# git: the committed seeds in fuzz/corpus/<target>/ stay small. A crash ends the script with failure.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(convert profile paths)
build=${FUZZ_BUILD:-build-fuzz}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DFILECONVERTER_WERROR=ON -DFILECONVERTER_TESTS=OFF >/dev/null
fi
cmake -S . -B "$build" -DFILECONVERTER_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

# The convert target writes its files here: a RAM disk where there is one, removed at the end.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}" )/fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Old files run up to 32767 bytes, one byte more must be tried too.
declare -A options=([convert]="-max_len=33000 -dict=fuzz/convert.dict" [profile]="-dict=fuzz/profile.dict" [paths]="")
for target in "${targets[@]}"; do
  mkdir -p "fuzz/corpus-run/$target" fuzz/corpus-run/crashes
  echo "== $target: ${seconds}s"
  log="$scratch/$target.log"
  # -timeout: an input that takes seconds is a hang; -rss_limit_mb: bounded memory on a shared machine.
  status=0
  TMPDIR="$scratch" "$build/fuzz/${target}_fuzzer" ${options[$target]} -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="fuzz/corpus-run/crashes/$target-" \
    "fuzz/corpus-run/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  grep -E '^Done [0-9]+ runs|^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "$target: the fuzzer found a fault (exit $status); the input is in fuzz/corpus-run/crashes/" >&2
    exit 1
  fi
done
