#!/usr/bin/env bash
# The FileConverter window of the Windows build, driven under wine as a person drives it: a click on
# "Start converting a file", the old file's name typed into the open dialog (which starts in the
# default VelFiles beside the program), the target's path into the save dialog (and yes to replacing
# it); the file written is the Linux gconvert's conversion of the same file but for the save stamp,
# and the status line says so. A cancelled open dialog ends in "ERROR: File NOT converted!", as does a
# file too short, after its warning box. Dropped folders: one converted whole as gconvert -r converts
# it, again with Enter skipping the existing targets; one cancelled in its progress window (the count
# and the file on two lines), whose summary counts what was done, names the files not converted and
# copies their whole list; one during which End ends the program, keeping the files converted so far,
# none half written. "End" ends the program; the window is laid out for 96 and 144 dpi.
# Usage: tests/windows/window.sh LINUX_BUILD WINDOWS_BUILD  (with the WINEPREFIX of scripts/test-windows)
set -euo pipefail
linux="$(realpath "$1")/src/cli/gconvert"
build="$(realpath "$2")"
export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}" WINEDEBUG=-all
fail() { echo "window: $*" >&2; exit 1; }
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/install-deps --windows installs it"
done

work=$(mktemp -d)
pids=()
dpi_key='HKCU\Control Panel\Desktop'
dpi_set=no
finish() {
  [ "$dpi_set" = no ] || wine reg delete "$dpi_key" /v LogPixels /f </dev/null >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
# A portable copy: the program's VelFiles folder is beside it, the dialogs start there.
mkdir -p "$work/app/VelFiles" "$work/old" "$work/out" "$work/linux"
cp "$build/src/win32/FileConverter.exe" "$build/src/win32/window_text.exe" "$build/src/win32/drop_files.exe" "$work/app/"
# An old record of random content, to be saved, format 1, that was once saved as C:\DATA\MESS01.G.
python3 - "$work/old/MESS01.G" <<'PY'
import os, sys
record = bytearray(os.urandom(3231))
record[1896:1900] = bytes(2) + (1).to_bytes(2, "little")
record[2017:2092] = b"C:\\DATA\\MESS01.G".ljust(75)
open(sys.argv[1], "wb").write(record)
PY
head -c 100 /dev/urandom >"$work/old/SHORT.G"
cp "$work/old/MESS01.G" "$work/app/VelFiles/"
# Trees of such records to drop: 300, 100 of them a folder further down; and a large one, whose run
# lasts long enough to be stopped, with 25 files too short to convert that come first.
trees() {
  python3 - "$@" <<'PY'
import os, sys
for tree, count, short in ((sys.argv[1], 300, 0), (sys.argv[2], int(sys.argv[3]), 25)):
    for index in range(short):
        os.makedirs(tree, exist_ok=True)
        open(os.path.join(tree, "A%03d.G" % index), "wb").write(b"short")
    for index in range(count):
        folder = os.path.join(tree, "deeper" if index % 3 == 0 else "")
        os.makedirs(folder, exist_ok=True)
        record = bytearray(os.urandom(3231))
        record[1896:1900] = bytes(2) + (1).to_bytes(2, "little")
        record[2017:2092] = (b"C:\\DATA\\M%05d.G" % index).ljust(75)
        open(os.path.join(folder, "M%05d.G" % index), "wb").write(record)
PY
}
large=4000
trees "$work/many" "$work/large" "$large"
# The target is there already: the save dialog asks before replacing it.
echo "an older conversion" > "$work/out/MESS01.G"
windows_path() { local path="Z:$1"; printf '%s' "${path//\//\\}"; }
target_path=$(windows_path "$work/out/MESS01.G")

# Polls COMMAND until it succeeds, up to SECONDS.
within() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# A screen of its own, with a window manager: without one wine stalls at every dialog that closes
# and keys go to whatever window is under the pointer.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
within 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# Ready once it tells the desktop it is on, which only a window manager does.
within 20 eval 'xdotool get_desktop >/dev/null 2>&1' || fail "openbox did not start: $(cat "$work/openbox.log")"

# A wineserver of this test's own, whose programs all see this screen.
wineserver -k 2>/dev/null || true
timeout 60 wineserver -w || true

windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
newest() { windows_titled "$1" | tail -1; }
count() { windows_titled "$1" | wc -l; }
shown() { [ -n "$(newest "$1")" ]; }
status() { wine "$work/app/window_text.exe" "$@" 2>/dev/null | tr -d '\r'; }
status_is() { [ "$(status)" = "$1" ]; }
# Types text into the newest window titled title, then Enter.
answer() {
  local title=$1 text=$2 window
  within 30 shown "$title" || fail "no '$title' window"
  window=$(newest "$title")
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
  xdotool type --delay 10 "$text"
  xdotool key Return
}
# A click into the middle of Command1: 72, 136, 273 x 65 pixels at 96 dpi.
click_command1() { xdotool mousemove --window "$main" 208 168 click 1; }

start_window() {
  (cd "$work/app" && exec wine FileConverter.exe >"$work/wine.log" 2>&1) &
  pids+=($!)
  within 60 shown FileConverter || fail "the window did not open: $(cat "$work/wine.log")"
  main=$(newest FileConverter)
}
# The client area, 6060 x 3915 twips, in pixels.
client_area_is() {
  local size
  size=$(xdotool getwindowgeometry "$main" | sed -n 's/^ *Geometry: //p')
  [ "$size" = "$1" ] || fail "the window's client area is $size pixels, not $1"
}

start_window
client_area_is 404x261  # at wine's 96 dots per inch
within 30 status_is "" || fail "the status line starts as '$(status)'"
[ "$(status command1)" = enabled ] || fail "Command1 is not enabled at start"

# All but the stamp text (40 bytes at 1856) and the stored name (75 bytes at 2029).
unstamped() { head -c 1856 "$1"; tail -c +1897 "$1" | head -c $((2029 - 1896)); tail -c +2105 "$1"; }

# The folder dropped, first, so that its folder dialog is the first of the shell's dialogs to need the
# apartment the program sets up: the folder dialog, then no question (the targets are new), the
# progress window and the summary box, Command1 disabled until it is answered.
mkdir "$work/batch"
wine "$work/app/drop_files.exe" "$(windows_path "$work/many")" 2>/dev/null || fail "could not drop the folder on the window"
answer "Save Files To" "$(windows_path "$work/batch")"
# The summary box is a second window titled FileConverter.
within 120 eval '[ "$(count FileConverter)" -gt 1 ]' || fail "no summary box after the dropped folder"
[ "$(status command1)" = disabled ] || fail "Command1 is enabled while the summary box is up"
xdotool windowactivate --sync "$(newest FileConverter)" >/dev/null 2>&1 || true
xdotool key Return
within 30 status_is "File succesfully converted!" || fail "the status line reads '$(status)' after the dropped folder"
"$linux" -r -o "$work/linux-many" "$work/many" || fail "gconvert -r on Linux failed"
[ "$(find "$work/batch" -type f | wc -l)" -eq 300 ] || fail "$(find "$work/batch" -type f | wc -l) files converted, not 300"
(cd "$work/linux-many" && find . -type f) | while read -r file; do
  [ -f "$work/batch/$file" ] || fail "$file was not converted"
  cmp -s <(unstamped "$work/batch/$file") <(unstamped "$work/linux-many/$file") \
    || fail "the window's conversion of $file differs from gconvert -r's outside the stamp and the name"
done

# Dropped again on the same folder: the one question whether to replace the 300 targets; Enter skips
# them (replacing cannot be undone), so no file is touched and the run ends as not converted.
times() { find "$work/batch" -type f -printf '%T@ %p\n' | sort; }
before=$(times)
wine "$work/app/drop_files.exe" "$(windows_path "$work/many")" 2>/dev/null || fail "could not drop the folder again"
answer "Save Files To" "$(windows_path "$work/batch")"
folder_dialog=$(newest "Save Files To")
within 30 eval '[ -n "$(newest "Save Files To")" ] && [ "$(newest "Save Files To")" != "$folder_dialog" ]' \
  || fail "no question before replacing the existing targets"
xdotool windowactivate --sync "$(newest "Save Files To")" >/dev/null 2>&1 || true
xdotool key Return
within 60 eval '[ "$(count FileConverter)" -gt 1 ]' || fail "no summary box after skipping the existing targets"
xdotool windowactivate --sync "$(newest FileConverter)" >/dev/null 2>&1 || true
xdotool key Return
within 30 status_is "ERROR: File NOT converted!" || fail "the status line reads '$(status)' after skipping every file"
[ "$(times)" = "$before" ] || fail "Enter at the question replaced existing targets"

# A run from the click to the replaced target; the open dialog starts in VelFiles.
click_command1
answer "Open File" "MESS01.G"
saves_before=$(count "Save File")
answer "Save File" "$target_path"
# The question whether to replace the target is a second "Save File" window.
within 30 eval '[ "$(count "Save File")" -gt "$saves_before" ]' \
  || fail "no question before replacing the target"
xdotool windowactivate --sync "$(newest "Save File")" >/dev/null 2>&1 || true
xdotool key y
within 30 status_is "File succesfully converted!" || fail "the status line reads '$(status)' after the run"
[ "$(status command1)" = enabled ] || fail "Command1 is not enabled after the run"

# The Linux gconvert's conversion of the same file agrees but for the save stamp (its time) and the
# stored name (gconvert stores its target's absolute path); the window stores the path exactly as
# the save dialog gave it.
"$linux" "$work/old/MESS01.G" "$work/linux/MESS01.G" || fail "gconvert on Linux failed"
converted="$work/out/MESS01.G"
[ "$(stat -c %s "$converted")" -eq 3243 ] || fail "the converted file has $(stat -c %s "$converted") bytes"
cmp <(unstamped "$converted") <(unstamped "$work/linux/MESS01.G") \
  || fail "the window's conversion differs from gconvert's outside the stamp and the name"
stored=$(tail -c +2030 "$converted" | head -c 75)
[ "$stored" = "$(printf '%-75s' "$target_path")" ] || fail "the stored name is '$stored', not '$target_path'"

# A cancelled open dialog: no save dialog, the run ends as not converted.
click_command1
within 30 shown "Open File" || fail "no open dialog for the second run"
[ "$(status)" = "Start converting" ] || fail "the status line reads '$(status)' while the dialog is open"
[ "$(status command1)" = disabled ] || fail "Command1 is enabled while the dialog is open"
xdotool windowactivate --sync "$(newest "Open File")" >/dev/null 2>&1 || true
xdotool key Escape
within 30 status_is "ERROR: File NOT converted!" || fail "the status line reads '$(status)' after a cancel"
shown "Save File" && fail "a save dialog after a cancelled open dialog"

# A file too short to load: a warning box with the loader's title and error number, then the same end.
click_command1
answer "Open File" "$(windows_path "$work/old/SHORT.G")"
box='Error:  \(g_DateiLaden\):  62'
within 30 shown "$box" || fail "no warning box '$box' for a short file"
xdotool windowactivate --sync "$(newest "$box")" >/dev/null 2>&1 || true
xdotool key Return
within 30 status_is "ERROR: File NOT converted!" || fail "the status line reads '$(status)' after a short file"
shown "Save File" && fail "a save dialog after a file that did not load"

# The files converted into folder are whole conversions of the large tree's (as the Linux gconvert's
# but for the stamp and the name), no temporary is left, and there are fewer than all.
"$linux" -r -o "$work/linux-large" "$work/large" >/dev/null 2>&1 || true
partly_converted() {
  python3 - "$1" "$work/linux-large" "$large" <<'PY'
import os, sys
folder, linux, large = sys.argv[1], sys.argv[2], int(sys.argv[3])
def unstamped(path):
    data = open(path, "rb").read()
    return data[:1856] + data[1896:2029] + data[2104:]
files = [os.path.relpath(os.path.join(root, name), folder) for root, _, names in os.walk(folder) for name in names]
for name in files:
    if os.path.basename(name).startswith("."): sys.exit("a temporary file is left: " + name)
    if unstamped(os.path.join(folder, name)) != unstamped(os.path.join(linux, name)): sys.exit(name + " is not a whole conversion")
if not 0 < len(files) < large: sys.exit("%d files converted of %d" % (len(files), large))
print(len(files))
PY
}
texts() { wine "$work/app/window_text.exe" texts "$1" 2>/dev/null | tr -d '\r'; }
# Waits for the progress window to show the count of the large tree's run, apart from the file at hand.
converting() {
  within 60 eval 'texts Converting | grep -qx "[0-9]* of $((large + 25))"' \
    || fail "no progress window counting '... of $((large + 25))' on a line of its own: $(texts Converting)"
  texts Converting | grep -qx '.*M[0-9]*\.G' || fail "the progress window names no file on a line of its own: $(texts Converting)"
}

# The large folder dropped and cancelled in its progress window: the run stops after the file at
# hand, and the summary counts the files converted and not begun and names those not converted: 20
# of the 25, the others counted, all of them on the clipboard by its copy button.
mkdir "$work/cancelled"
wine "$work/app/drop_files.exe" "$(windows_path "$work/large")" 2>/dev/null || fail "could not drop the large folder"
answer "Save Files To" "$(windows_path "$work/cancelled")"
converting
xdotool windowactivate --sync "$(newest Converting)" >/dev/null 2>&1 || true
xdotool key Escape
within 60 eval '[ "$(count FileConverter)" -gt 1 ]' || fail "no summary box after the cancel"
kept=$(partly_converted "$work/cancelled") || fail "after the cancel: $kept"
summary=$(texts FileConverter)
counts="Converted: $kept | Skipped, the target exists already: 0 | Not converted: 25 | Not begun, the run was cancelled: $((large - kept))"
echo "$summary" | grep -qxF "$counts" || fail "the summary does not read '$counts': $summary"
details=$(echo "$summary" | grep -x 'large[\/]A000\.G: .* | and 5 more') || fail "the summary's details do not end in 'and 5 more': $summary"
[ "$(echo "$details" | grep -o 'not converted: Input past end of file (error 62)' | wc -l)" -eq 20 ] \
  || fail "the summary's details do not name 20 files not converted: $details"
wine "$work/app/window_text.exe" press FileConverter "Copy list" 2>/dev/null || fail "no Copy list button: $summary"
clipboard() { wine "$work/app/window_text.exe" clipboard 2>/dev/null | tr -d '\r'; }
within 10 eval '[ "$(clipboard | grep -c "^large[\\/]A0[0-2][0-9]\.G: not converted: Input past end of file (error 62)$")" -eq 25 ]' \
  || fail "the clipboard holds not the 25 files not converted: $(clipboard | head -3)"
[ "$(count FileConverter)" -gt 1 ] || fail "the copy closed the summary box"
xdotool windowactivate --sync "$(newest FileConverter)" >/dev/null 2>&1 || true
xdotool key Return
within 30 status_is "ERROR: File NOT converted!" || fail "the status line reads '$(status)' after the cancel"

# "End" is at 320, 232, 81 x 25 pixels. Pressed while the large folder is converted, it asks nothing:
# the program ends after the file at hand, the files converted so far in place.
mkdir "$work/ended"
wine "$work/app/drop_files.exe" "$(windows_path "$work/large")" 2>/dev/null || fail "could not drop the large folder again"
answer "Save Files To" "$(windows_path "$work/ended")"
converting
window_process=${pids[-1]}
xdotool mousemove --window "$main" 360 244 click 1
within 30 eval '! kill -0 "$window_process" 2>/dev/null' || fail "the program did not end after End during a run"
ended=$(partly_converted "$work/ended") || fail "after End: $ended"

# At 144 dots per inch the twips make half as many pixels again (3915 twips are 391.5 pixels).
wineserver -k 2>/dev/null || true
timeout 60 wineserver -w || true
dpi_set=yes
wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1 || fail "could not set 144 dpi"
start_window
client_area_is 606x392
xdotool mousemove --window "$main" 540 366 click 1
within 30 eval '! shown FileConverter' || fail "End at 144 dpi did not close the window"

echo "window: converted a file through both dialogs as gconvert does, a cancel and a short file end as not converted, a dropped folder of 300 files as gconvert -r does, Enter skips existing targets, a cancelled run kept $kept files and summed it up, End during a run kept $ended and ended the program, laid out at 96 and 144 dpi"
