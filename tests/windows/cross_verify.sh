#!/usr/bin/env bash
# An archive converted by gconvert.exe under wine is faithful to the Linux gconvert's --verify, and
# the other way round; a dry run tells the same on both, and both refuse a broken file alike.
# Usage: tests/windows/cross_verify.sh LINUX_BUILD WINDOWS_BUILD [FILES]
set -euo pipefail
linux="$(realpath "$1")/src/cli/gconvert"
windows_program="$(realpath "$2")/src/cli/gconvert.exe"
windows() { wine "$windows_program" "$@"; }
count=${3:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Old records of random content marked as old files, in folders of a hundred, some names not ASCII.
python3 - "$count" <<'PY'
import os, sys
for i in range(int(sys.argv[1])):
    folder = os.path.join("old", f"series{i // 100:02d}")
    os.makedirs(folder, exist_ok=True)
    record = bytearray(os.urandom(3231))
    record[1896:1900] = bytes(2) + (1).to_bytes(2, "little")  # to be saved, format 1
    with open(os.path.join(folder, f"Messung-{i:05d}{'-Prüfung' if i % 7 == 0 else ''}.G"), "wb") as f:
        f.write(record)
PY
head -c 100 /dev/urandom > short.G

fail() { echo "cross_verify: $*" >&2; exit 1; }
windows -r -o by-windows old 2>windows.err || fail "gconvert.exe: $(cat windows.err)"
"$linux" --verify -r old by-windows >/dev/null || fail "Linux --verify of the tree converted on Windows: $("$linux" --verify -r old by-windows | tail -3)"
"$linux" -r -o by-linux old 2>/dev/null || fail "gconvert on Linux failed"
windows --verify -r old by-linux >/dev/null || fail "Windows --verify of the tree converted on Linux: $(windows --verify -r old by-linux | tail -3)"
cmp <(cd by-windows && find . -name '*.G' | sort) <(cd by-linux && find . -name '*.G' | sort) >/dev/null \
  || fail "the two trees hold different files"

# A dry run tells the same on both systems, but for the separator each writes, and writes nothing.
"$linux" -n -r -v -o dry old >linux.dry 2>&1 || fail "a dry run on Linux failed"
windows -n -r -v -o dry old 2>&1 | tr '\\' / >windows.dry || fail "a dry run on Windows failed"
cmp -s linux.dry windows.dry || fail "the dry runs tell differently: $(diff linux.dry windows.dry | head -3)"
[ ! -e dry ] || fail "a dry run made its output folder"

set +e
"$linux" short.G converted.G 2>linux.said; echo "status $?" >>linux.said
windows short.G converted.G 2>windows.said; echo "status $?" >>windows.said
set -e
cmp -s linux.said windows.said || fail "a short file: Linux says '$(cat linux.said)', Windows '$(cat windows.said)'"
echo "cross_verify: $count files converted on each system are faithful to the other's --verify"
