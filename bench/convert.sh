#!/usr/bin/env bash
# Times `gconvert -o` over 2000 generated old files against copying them (`cp -r` + `sync`).
# Usage: bench/convert.sh [build-dir] [repetitions]   (goal: at most 1.5 times the copy)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-5}
gconvert="$build/src/cli/gconvert"
[ -x "$gconvert" ] || { echo "build first: scripts/build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/var/tmp}/gconvert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old"

# 2000 old records of random content, marked as old files (format 1) so none looks converted.
python3 - "$work/old" <<'PY'
import os, sys
folder = sys.argv[1]
for i in range(2000):
    record = bytearray(os.urandom(3231))
    record[1898:1900] = (1).to_bytes(2, "little")
    record[1896:1898] = bytes(2)  # not marked "do not save"
    with open(os.path.join(folder, f"MESS{i:04d}.G"), "wb") as f:
        f.write(record)
PY
sync

seconds() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

convert_times=() copy_times=()
for ((run = 1; run <= repetitions; run++)); do
  rm -rf "$work/converted" "$work/copied"; mkdir "$work/converted"; sync

  start=$(seconds)
  "$gconvert" -o "$work/converted" "$work"/old/*.G 2>/dev/null
  convert_times+=("$(echo "$(seconds) - $start" | bc)")

  start=$(seconds)
  cp -r "$work/old" "$work/copied" && sync
  copy_times+=("$(echo "$(seconds) - $start" | bc)")
done

convert=$(printf '%s\n' "${convert_times[@]}" | median)
copy=$(printf '%s\n' "${copy_times[@]}" | median)
printf 'files: 2000, repetitions: %d (medians)\n' "$repetitions"
printf 'gconvert -o : %.3f s\n' "$convert"
printf 'cp -r + sync: %.3f s\n' "$copy"
printf 'ratio       : %.2f (goal <= 1.5)\n' "$(echo "$convert / $copy" | bc -l)"
