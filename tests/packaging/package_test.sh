#!/usr/bin/env bash
# Builds the Debian package from the built tree, reads its fields and contents, passes it through
# lintian, installs it into a throwaway root and removes it.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps dpkg lintian; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps" >&2; exit 1; }
done

out=$(mktemp -d "${TMPDIR:-/tmp}/package-test.XXXXXX")
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log" >&2; exit 1; }
deb="$out/fileconverter_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") in: $(ls "$out")" >&2; exit 1; }
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

dpkg-deb -I "$deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = fileconverter ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Recommends)" = fonts-liberation2 ] || fail "Recommends is '$(field Recommends)'"
# The libraries the programs link, found by dpkg-shlibdeps, and the platform plugins that it cannot see.
depends=",$(field Depends | tr -d ' '),"
for dependency in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
  [[ "$depends" == *",$dependency,"* || "$depends" == *",$dependency("* ]] || fail "Depends lacks $dependency: $(field Depends)"
done
[ "$(field Description | wc -l)" -gt 3 ] || fail "the description has no long text"

# The package holds what an install holds.
dpkg-deb -c "$deb"
if ! diff -u <(grep -v '^#' "$here/installed_files.txt") \
             <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort); then
  fail "package contents differ from installed_files.txt (- expected, + packed)"
fi

# Debian's own checker finds nothing, down to its pedantic and informational tags; what the package
# overrides, it says why. A word lintian calls misspelt in a program is the program's own text only
# where the program's data holds it: a word found nowhere there is machine code whose bytes happen to
# spell it, and which words those are changes with the build type and the compiler. Such tags, and
# the overrides of them that another build type leaves unused or mismatched, are let pass.
lintian_options=(--pedantic --display-info --fail-on none)
[ "$(id -u)" -ne 0 ] || lintian_options+=(--allow-root)
lintian_report=$(lintian "${lintian_options[@]}" "$deb" 2>&1) || fail "lintian cannot check the package"
printf '%s\n' "$lintian_report"
dpkg-deb -x "$deb" "$out/unpacked"
machine_code_tag='^[IW]: fileconverter: ((unused|mismatched)-override )?spelling-error-in-binary ([^ ]+) [^ ]+ \[(usr/bin/[^] ]+)\]'
while IFS= read -r tag; do
  if [[ $tag =~ $machine_code_tag ]] \
       && ! readelf -p .rodata -p .data "$out/unpacked/${BASH_REMATCH[4]}" 2>/dev/null | grep -qw -- "${BASH_REMATCH[3]}"; then
    continue
  fi
  fail "lintian: $tag"
done < <(grep -E '^[EWIPX]: ' <<<"$lintian_report")

# dpkg accepts it: installed into an empty root of its own (without its dependencies, which that
# root does not have), the programs run from there, and removing it leaves nothing behind.
root="$out/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg=(dpkg --root="$root" --log=/dev/null --force-depends --force-not-root)
"${dpkg[@]}" -i "$deb" >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log" >&2; fail "dpkg cannot install the package"; }
[ "$("$root/usr/bin/gconvert" --version)" = "gconvert $version" ] || fail "gconvert from the installed package"
"${dpkg[@]}" -r fileconverter >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log" >&2; fail "dpkg cannot remove the package"; }
left=$(find "$root" -path "$root/var" -prune -o -type f -print)
[ -z "$left" ] || fail "files left after removal: $left"

[ "$failures" -eq 0 ] && echo "Debian package: all checks passed"
exit "$failures"
