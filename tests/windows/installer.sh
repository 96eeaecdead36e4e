#!/usr/bin/env bash
# The installer of the Windows build, run silently under wine: it puts the programs, the README and
# the licence into Program Files (the 64-bit one), both programs run from there, gconvert.exe, with
# /ADDTOPATH, from the PATH; Apps and Features lists it; its uninstaller, run silently, leaves no file,
# no Start-menu entry, no registry entry and the PATH as it was.
# Usage: tests/windows/installer.sh WINDOWS_BUILD  (with the WINEPREFIX of scripts/test-windows)
set -euo pipefail
build="$(realpath "$1")"
export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}" WINEDEBUG=-all
shopt -s nullglob
setups=("$build"/FileConverter-*-setup.exe)
[ ${#setups[@]} -eq 1 ] || { echo "installer: expected one installer in $build, found ${#setups[@]}" >&2; exit 1; }
setup=${setups[0]}
version=${setup##*/FileConverter-}; version=${version%-setup.exe}

test_name=installer
source "$(dirname "$0")/wine_steps.sh"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FileConverter'

quiet wineserver -k || true
settle
path_before=$(system_path)
settle
folder="$WINEPREFIX/drive_c/Program Files/FileConverter"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/FileConverter"
[ ! -e "$folder" ] || fail "$folder is there before the install"

quiet wine "$setup" /S /ADDTOPATH || fail "the silent install failed"
settle
for file in gconvert.exe FileConverter.exe README.md LICENSE uninstall.exe; do
  [ -f "$folder/$file" ] || fail "not installed: $file"
done
cmp -s "$folder/README.md" "$(dirname "$0")/../../README.md" || fail "the installed README is not the project's"
[ -f "$menu/FileConverter README.lnk" ] || fail "no Start-menu entry for the README"
[ -f "$menu/FileConverter.lnk" ] || fail "no Start-menu entry for the window"
said=$(wine "$folder/gconvert.exe" --version </dev/null 2>&1 | tr -d '\r') || fail "gconvert.exe --version failed: $said"
[[ $said == *"$version"* ]] || fail "gconvert.exe --version says '$said', not $version"
said=$(wine cmd /c gconvert --version </dev/null 2>&1 | tr -d '\r') || fail "gconvert is not found on the PATH: $said"
[[ $said == *"$version"* ]] || fail "gconvert from the PATH says '$said'"

entry=$(registry "$uninstall_key") || fail "no uninstall registry entry"
location='C:\Program Files\FileConverter'
[ "$(value DisplayName)" = FileConverter ] || fail "DisplayName: '$(value DisplayName)'"
[ "$(value DisplayVersion)" = "$version" ] || fail "DisplayVersion: '$(value DisplayVersion)'"
[ -n "$(value Publisher)" ] || fail "no Publisher"
[ "$(value InstallLocation)" = "$location" ] || fail "InstallLocation: '$(value InstallLocation)'"
[ "$(value UninstallString)" = "\"$location\\uninstall.exe\"" ] || fail "UninstallString: '$(value UninstallString)'"
[ "$(value QuietUninstallString)" = "\"$location\\uninstall.exe\" /S" ] || fail "QuietUninstallString: '$(value QuietUninstallString)'"
[ "$(value NoModify)" = 0x1 ] && [ "$(value NoRepair)" = 0x1 ] || fail "NoModify/NoRepair not set"
[[ ";$(system_path);" == *";$location;"* ]] || fail "the install folder is not on the system PATH: $(system_path)"
settle
# The window starts from the install folder too: on a virtual screen, until window_text finds it.
window_starts_from "$folder" "$build"

quiet wine "$folder/uninstall.exe" /S || fail "the silent uninstall failed"
settle
[ ! -e "$folder" ] || fail "left behind after the uninstall: $(cd "$folder" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
registry "$uninstall_key" >/dev/null && fail "the uninstall registry entry is left behind"
[ "$(system_path)" = "$path_before" ] || fail "the PATH is '$(system_path)' after the uninstall, was '$path_before'"
settle
echo "installer: installed $version silently, both programs ran from Program Files (gconvert.exe from the PATH too), and the uninstaller left nothing"
