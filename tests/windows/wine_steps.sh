# What the installer tests share (sourced): each step of an install runs in a wineserver of its own,
# which ends with the last program, so that 'wineserver -w' waits for the step and for whatever it
# started: an NSIS uninstaller copies itself to a temporary folder, starts that copy and returns at
# once. The server scripts/test-windows keeps up would never end, so a test stops it first (that
# script stops the last one). Set test_name before sourcing.
fail() { echo "$test_name: $*" >&2; exit 1; }
settle() { timeout 120 wineserver -w || fail "wine did not finish within 120 s"; }
quiet() { "$@" </dev/null >/dev/null 2>&1; }
registry() { wine reg query "$@" </dev/null 2>/dev/null | tr -d '\r'; }
environment_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() { registry "$environment_key" /v Path | sed -n 's/^ *Path *REG_[A-Z_]* *//p'; }
# A value of the registry key last read into $entry.
value() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" <<<"$entry"; }
# The window starts from an install folder (FOLDER BUILD): on a virtual screen, until the build's
# window_text finds it; where there is no xvfb-run, nothing is checked.
window_starts_from() {
  command -v xvfb-run >/dev/null || return 0
  xvfb-run -a sh -c '
    wine "$1/FileConverter.exe" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do wine "$2" </dev/null >/dev/null 2>&1 && exit 0; sleep 0.2; done
    exit 1' sh "$1" "$2/src/win32/window_text.exe" || fail "FileConverter.exe shows no window from $1"
  quiet wineserver -k || true
  settle
}
