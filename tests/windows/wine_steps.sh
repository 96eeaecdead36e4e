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
