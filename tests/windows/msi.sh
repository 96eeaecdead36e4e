#!/usr/bin/env bash
# The MSI package of the Windows build under wine's own msiexec: a silent install puts both programs,
# the README and the licence into Program Files, both run from there, the Start menu has the window
# and Apps and Features the entry, the PATH is left alone; the setup program refuses to install over
# it; the next versions (packed here from the same build with a raised version) upgrade it in place,
# with ADDTOPATH=1 and then keeping the PATH; an older one refuses; an uninstall leaves nothing. The
# MSI in turn refuses to install over the setup program's install.
# Usage: tests/windows/msi.sh WINDOWS_BUILD  (with the WINEPREFIX of scripts/test-windows)
set -euo pipefail
build="$(realpath "$1")"
source_dir="$(realpath "$(dirname "$0")/../..")"
export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}" WINEDEBUG=-all
shopt -s nullglob
msis=("$build"/FileConverter-*-x64.msi)
setups=("$build"/FileConverter-*-setup.exe)
[ ${#msis[@]} -eq 1 ] && [ ${#setups[@]} -eq 1 ] || { echo "msi: expected one MSI and one setup program in $build" >&2; exit 1; }
msi=${msis[0]}
setup=${setups[0]}
version=${msi##*/FileConverter-}; version=${version%-x64.msi}
IFS=. read -r major minor patch <<<"$version"

test_name=msi
source "$(dirname "$0")/wine_steps.sh"
work=$(mktemp -d)
# A failed run removes what it installed, so that the next run starts from a clean prefix.
clean_up() {
  if [ "$1" != 0 ] && [ -n "${path_before:-}" ]; then
    for product in ${code:-} ${next_code:-} ${after_code:-}; do quiet wine msiexec /x "$product" /qn || true; done
    [ ! -f "$folder/uninstall.exe" ] || quiet wine "$folder/uninstall.exe" /S || true
    wineserver -w || true
    quiet wine reg add "$environment_key" /v Path /t REG_EXPAND_SZ /d "$path_before" /f || true
    wineserver -w || true
  fi
  rm -rf "$work"
}
trap 'clean_up $?' EXIT
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { tr ';' '\n' <<<"$1" | grep -v '^$' || true; }
# What msiexec decided, from its log: the last value it lists for a property.
logged() { tr -d '\r\0' <"$2" | sed -n "s/^Property(S): $1 = //p" | tail -1; }
unix_path() { local path=${1//\\//}; echo "$WINEPREFIX/drive_c/${path#C:/}"; }
msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
# msiexec under wine ends with Windows Installer's status, of which the shell sees the low byte.
run_msiexec() { local log=$1; shift; wine msiexec "$@" /qn '/l*v' "$(winepath_of "$log")" </dev/null >/dev/null 2>&1; }
winepath_of() { echo "Z:${1//\//\\}"; }

# The UpgradeCode of every released package: another would install beside them instead of upgrading.
upgrade_code='{B1572CC1-22EF-4A48-829C-8C8151E211A1}'
[ "$(msi_property "$msi" UpgradeCode)" = "$upgrade_code" ] || fail "UpgradeCode $(msi_property "$msi" UpgradeCode), not $upgrade_code"
# wine's msiexec takes an appended PATH entry off on uninstall whatever its flags say; Windows only
# with '-' ('*': the system's PATH, '=': set on install).
path_entry=$(msiinfo export "$msi" Environment | tr -d '\r' | sed -n 's/^PathEntry\t//p')
[ "$path_entry" = $'=-*PATH\t[~];[INSTALLFOLDER]\tPathEntry' ] || fail "the PATH entry's row is '$path_entry'"

# The next two versions, packed from this build: only the version differs.
next=$major.$minor.$((patch + 1))
after=$major.$minor.$((patch + 2))
for raised in "$next" "$after"; do
  (cd "$build" && cpack -G External -R "$raised" -B "$work/$raised" >/dev/null) || fail "packing version $raised failed"
done
next_msi="$work/$next/FileConverter-$next-x64.msi"
after_msi="$work/$after/FileConverter-$after-x64.msi"
code=$(msi_property "$msi" ProductCode)
next_code=$(msi_property "$next_msi" ProductCode)
after_code=$(msi_property "$after_msi" ProductCode)
[ "$code" != "$next_code" ] && [ "$next_code" != "$after_code" ] || fail "the ProductCode stays the same across versions: $code"

quiet wineserver -k || true
settle
path_before=$(system_path)
settle
folder="$WINEPREFIX/drive_c/Program Files/FileConverter"
[ ! -e "$folder" ] || fail "$folder is there before the install"

# The first install: the files, both programs, the Start menu, the entry, the icon; no PATH.
run_msiexec "$work/install.log" /i "$(winepath_of "$msi")" || fail "the silent install failed ($?)"
settle
[ "$(cd "$folder" && ls | sort | tr '\n' ' ')" = "FileConverter.exe LICENSE README.md gconvert.exe " ] ||
  fail "installed: $(cd "$folder" && ls | tr '\n' ' ')"
cmp -s "$folder/README.md" "$source_dir/README.md" || fail "the installed README is not the project's"
said=$(wine "$folder/gconvert.exe" --version </dev/null 2>&1 | tr -d '\r') || fail "gconvert.exe --version failed: $said"
[[ $said == *"$version"* ]] || fail "gconvert.exe --version says '$said', not $version"
settle
window_starts_from "$folder" "$build"
# wine's msiexec puts the all-users Start menu's shortcuts into the user's menu; the log says where.
menu=$(unix_path "$(logged MenuFolder "$work/install.log")")
[ -f "$menu/FileConverter.lnk" ] && [ -f "$menu/FileConverter README.lnk" ] || fail "no Start-menu entries in $menu"
entry=$(registry "$uninstall_key\\$code") || fail "no entry in Apps and Features"
[ "$(value DisplayName)" = FileConverter ] || fail "DisplayName: '$(value DisplayName)'"
[ "$(value DisplayVersion)" = "$version" ] || fail "DisplayVersion: '$(value DisplayVersion)'"
[ "$(value Publisher)" = "FileConverter maintainers" ] || fail "Publisher: '$(value Publisher)'"
[ "$(value InstallLocation)" = 'C:\Program Files\FileConverter\' ] || fail "InstallLocation: '$(value InstallLocation)'"
icon=$(registry 'HKLM\Software\Classes\Installer\Products' /s | sed -n 's/^ *ProductIcon *REG_SZ *//p')
cmp -s "$(unix_path "$icon")" "$source_dir/src/win32/fileconverter.ico" || fail "the product's icon is not the window's: '$icon'"
[ "$(system_path)" = "$path_before" ] || fail "the PATH changed without ADDTOPATH=1: $(system_path)"
settle

# The setup program does not install over it, and says why (its status 3).
status=0; quiet wine "$setup" /S || status=$?
settle
[ "$status" = 3 ] || fail "the setup program's status over the MSI install is $status, not 3"
[ ! -e "$folder/uninstall.exe" ] && ! registry "$uninstall_key\\FileConverter" >/dev/null ||
  fail "the setup program installed over the MSI install"

# The next version upgrades in place, and puts the folder on the PATH; the one after keeps it there.
run_msiexec "$work/next.log" /i "$(winepath_of "$next_msi")" ADDTOPATH=1 || fail "the upgrade to $next failed ($?)"
settle
registry "$uninstall_key\\$code" >/dev/null && fail "version $version is still listed after the upgrade to $next"
entry=$(registry "$uninstall_key\\$next_code") || fail "version $next is not listed"
[ "$(value DisplayVersion)" = "$next" ] || fail "DisplayVersion after the upgrade: '$(value DisplayVersion)'"
[[ ";$(system_path);" == *';C:\Program Files\FileConverter\;'* ]] || fail "ADDTOPATH=1 left the PATH as '$(system_path)'"
said=$(wine cmd /c gconvert --version </dev/null 2>&1 | tr -d '\r') || fail "gconvert is not found on the PATH: $said"
[[ $said == *"$version"* ]] || fail "gconvert from the PATH says '$said'"
settle
run_msiexec "$work/after.log" /i "$(winepath_of "$after_msi")" || fail "the upgrade to $after failed ($?)"
settle
[ "$(registry "$uninstall_key" | grep -c '{')" = 1 ] || fail "not one entry after two upgrades: $(registry "$uninstall_key" | grep '{')"
[ -f "$folder/gconvert.exe" ] && [ -f "$folder/FileConverter.exe" ] || fail "the programs are gone after the upgrade to $after"
[ "$(tr ';' '\n' <<<"$(system_path)" | grep -c -F -x 'C:\Program Files\FileConverter\')" = 1 ] ||
  fail "the upgrade to $after did not keep the folder on the PATH once: $(system_path)"

# An older version refuses, and leaves the newer one as it is.
status=0; run_msiexec "$work/older.log" /i "$(winepath_of "$msi")" || status=$?
settle
[ "$status" != 0 ] || fail "version $version installed over $after"
[ "$(logged WIX_DOWNGRADE_DETECTED "$work/older.log")" = "$after_code" ] || fail "the refusal is not the downgrade's"
registry "$uninstall_key\\$after_code" >/dev/null && [ -f "$folder/gconvert.exe" ] || fail "the refused downgrade changed the install"

# The uninstall leaves no file, no Start-menu entry, no entry, no registry key and the PATH as it was.
run_msiexec "$work/remove.log" /x "$(winepath_of "$after_msi")" || fail "the silent uninstall failed ($?)"
settle
[ ! -e "$folder" ] || fail "left behind after the uninstall: $(cd "$folder" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
[ -z "$(registry "$uninstall_key" | grep '{')" ] || fail "an entry is left in Apps and Features"
registry 'HKLM\Software\FileConverter' >/dev/null && fail "HKLM\\Software\\FileConverter is left behind"
# wine's msiexec leaves the separator of each appended entry it takes off (';;' after two
# versions), Windows does not: the entries are compared, and the PATH is put back for the next tests.
path_after=$(system_path)
[ "$(entries "$path_after")" = "$(entries "$path_before")" ] || fail "the PATH is '$path_after' after the uninstall, was '$path_before'"
quiet wine reg add "$environment_key" /v Path /t REG_EXPAND_SZ /d "$path_before" /f
settle

# Over the setup program's install the MSI refuses, and says why in its log.
quiet wine "$setup" /S || fail "the setup program failed"
settle
status=0; run_msiexec "$work/over-setup.log" /i "$(winepath_of "$msi")" || status=$?
settle
[ "$status" != 0 ] || fail "the MSI installed over the setup program's install"
[ -n "$(logged SETUPPROGRAMINSTALL "$work/over-setup.log")" ] || fail "the refusal is not the setup program's"
[ -z "$(registry "$uninstall_key" | grep '{')" ] || fail "the MSI is listed after its refusal"
quiet wine "$folder/uninstall.exe" /S || fail "the setup program's uninstaller failed"
settle
[ ! -e "$folder" ] || fail "the setup program's uninstaller left $folder"
echo "msi: $version installed silently and ran from Program Files, $next and $after upgraded it in place (the PATH on and kept), $version refused to downgrade, the uninstall left nothing; the setup program and the MSI each refused the other's install"
