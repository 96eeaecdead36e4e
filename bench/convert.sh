#!/usr/bin/env bash
# Times `gconvert -r` over generated trees of old files against copying the same trees (`cp -r` + `sync`),
# both in the same run, and reports the median ratio and gconvert's peak memory.
# Usage: bench/convert.sh [build-dir] [repetitions] [sizes...]   (default sizes: 2000 100000; goal: ratio <= 1.2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-5}
shift 2 2>/dev/null || shift $#
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 100000)
gconvert="$(realpath "$build")/src/cli/gconvert"
[ -x "$gconvert" ] || { echo "build first: scripts/build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/var/tmp}/gconvert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Old records of random content, marked as old files (format 1) so none looks converted, 1000 to a
# folder in folders of 10, as an archive of several years holds them.
generate() {
  python3 - "$1" "$2" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    folder = os.path.join(root, f"year{i // 10000:02d}", f"series{i // 1000 % 10}")
    os.makedirs(folder, exist_ok=True)
    record = bytearray(os.urandom(3231))
    record[1898:1900] = (1).to_bytes(2, "little")
    record[1896:1898] = bytes(2)  # not marked "do not save"
    with open(os.path.join(folder, f"MESS{i:06d}.G"), "wb") as f:
        f.write(record)
PY
}

seconds() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for size in "${sizes[@]}"; do
  rm -rf "$work/old" && generate "$work/old" "$size" && sync
  convert_times=() copy_times=() ratios=() peaks=()
  for ((run = 1; run <= repetitions; run++)); do
    # Each side starts from a settled disk, and they take turns at going first: removing the last
    # run's files leaves the file system busy for a while, which must not count against either.
    for side in $( ((run % 2)) && echo "convert copy" || echo "copy convert"); do
      rm -rf "$work/converted" "$work/copied"; sync; sleep 2
      start=$(seconds)
      if [ "$side" = convert ]; then
        /usr/bin/time -f %M -o "$work/peak" "$gconvert" -r -o "$work/converted" "$work/old" 2>/dev/null
        convert=$(echo "$(seconds) - $start" | bc)
        peaks+=("$(cat "$work/peak")")
        [ "$(find "$work/converted" -name '*.G' | wc -l)" -eq "$size" ] || { echo "gconvert missed files" >&2; exit 1; }
      else
        cp -r "$work/old" "$work/copied" && sync
        copy=$(echo "$(seconds) - $start" | bc)
      fi
    done
    convert_times+=("$convert") copy_times+=("$copy") ratios+=("$(echo "$convert / $copy" | bc -l)")
  done
  printf 'files: %d, repetitions: %d (medians)\n' "$size" "$repetitions"
  printf '  gconvert -r : %.3f s, peak memory %.1f MB\n' "$(printf '%s\n' "${convert_times[@]}" | median)" \
         "$(echo "$(printf '%s\n' "${peaks[@]}" | median) / 1024" | bc -l)"
  printf '  cp -r + sync: %.3f s\n' "$(printf '%s\n' "${copy_times[@]}" | median)"
  printf '  ratio       : %.2f (median of the runs; goal <= 1.2)\n' "$(printf '%s\n' "${ratios[@]}" | median)"
done
