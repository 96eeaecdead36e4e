#!/usr/bin/env bash
# Installs the built tree into a staging folder and checks what landed: files, desktop entry,
# AppStream metadata, manual pages, programs.
# Usage: install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
app_id=org.fileconverter.fileconverter
for tool in desktop-file-validate appstreamcli man gzip; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps" >&2; exit 1; }
done
bash_completion=/usr/share/bash-completion/bash_completion
[ -f "$bash_completion" ] || { echo "missing bash-completion: run scripts/install-deps" >&2; exit 1; }

stage=$(mktemp -d "${TMPDIR:-/tmp}/install-test.XXXXXX")
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Exactly the listed files: a missing one breaks the desktop, an extra one (a test program) does not belong.
if ! diff -u <(grep -v '^#' "$here/installed_files.txt") <(cd "$stage" && find . -type f -printf '/%P\n' | sort); then
  fail "installed files differ from installed_files.txt (- expected, + installed)"
fi
for program in FileConverter gconvert; do
  [ -x "$stage/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
done

desktop="$stage/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Name)" = "FileConverter" ] || fail "desktop entry Name is '$(key Name)'"
[ "$(key Comment)" = "straightness measuring files version <5.01 to version >5.021" ] || fail "desktop entry Comment"
[ -x "$stage/usr/bin/$(key Exec)" ] || fail "desktop entry Exec '$(key Exec)' is no installed program"
for size in 16x16/apps/$app_id.png 32x32/apps/$app_id.png scalable/apps/$app_id.svg; do
  [ "$(basename "${size%.*}")" = "$(key Icon)" ] || fail "desktop entry Icon '$(key Icon)' does not name $size"
done

# Software centres list the window only from valid metadata whose launchable desktop entry is
# installed beside it, a pairing that validate-tree checks.
metainfo="$stage/usr/share/metainfo/$app_id.metainfo.xml"
appstream() {
  local report
  if ! report=$(appstreamcli "$@" 2>&1) || grep -qE '^ *[EW]:' <<<"$report"; then fail "appstreamcli $*: $report"; fi
}
appstream validate --pedantic --no-net "$metainfo"
appstream validate-tree --pedantic --no-net "$stage"
newest_release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$newest_release" = "$version" ] || fail "the newest release in the metadata is '$newest_release', not $version"

# bash-completion finds the installed completion in the install's own completions folder (searched
# first when named as the user's), and it offers the options, only folders after -o, and otherwise
# measurement files and folders. Each case: words before the one completed | that word | candidates.
mkdir -p "$stage/work/folder"
touch "$stage/work/old.G" "$stage/work/notes.txt"
complete_gconvert() {
  (cd "$stage/work" && BASH_COMPLETION_USER_DIR="$stage/usr/share/bash-completion" bash -c '
    source "$1" && shift && __load_completion gconvert || exit 1
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
    _gconvert gconvert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -s -d " "' _ "$bash_completion" "$@")
}
while IFS='|' read -r before current expected; do
  # shellcheck disable=SC2086  # the words before, split as the shell splits them
  completed=$(complete_gconvert $before "$current" 2>&1) || completed="no completion: $completed"
  [ "$completed" = "$expected" ] || fail "bash completes '$before $current' with '$completed', not '$expected'"
done <<'CASES'
gconvert|--rec|--recursive
gconvert|--v|--verbose --verify --version
gconvert -f -o||folder
gconvert|--output-dir=|folder
gconvert --files0-from||- folder notes.txt old.G
gconvert -r||folder old.G
CASES

# Rendered as a reader's terminal would; groff's warnings (unknown macros, a table too wide) go to stderr.
for page in "$stage"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot render $page"
  [ -z "$warnings" ] || fail "man warns on $(basename "$page"): $warnings"
  [ "$(gzip -dc "$page" | grep -c '@PROJECT_VERSION@')" -eq 0 ] || fail "$(basename "$page") still holds a placeholder"
done

# The installed programs run from their new place, without the build tree.
[[ "$("$stage/usr/bin/gconvert" --help)" == *--output-dir* ]] || fail "installed gconvert --help"
[ "$("$stage/usr/bin/gconvert" --version)" = "gconvert $version" ] || fail "installed gconvert --version"
# The window still runs after two seconds (timeout's status 124): it found its libraries and plugins.
mkdir -m 700 "$stage/run"
status=0
HOME="$stage" XDG_RUNTIME_DIR="$stage/run" QT_QPA_PLATFORM=offscreen timeout 2 "$stage/usr/bin/FileConverter" || status=$?
[ "$status" -eq 124 ] || fail "installed FileConverter ended with status $status instead of running"

[ "$failures" -eq 0 ] && echo "install into a staging folder: all checks passed"
exit "$failures"
