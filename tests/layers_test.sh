#!/usr/bin/env bash
# Each folder under src/ is one layer and includes only from the layers below it, so that no
# dependency runs back up: a shell may use the workflow, the workflow the engine, never the reverse.
# Usage: tests/layers_test.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}/src"

# Each folder and the folders its files may include from besides its own, from the top down.
declare -A below=(
  [ui]="workflow batch engine engine/files records encoding"
  [win32]="workflow batch engine engine/files records encoding"
  [cli]="audit batch engine engine/files records encoding"
  [workflow]="batch engine engine/files records encoding"
  [batch]="engine engine/files records encoding"
  [audit]="engine engine/files records encoding"
  [engine]="engine/files records encoding"
  [engine/files]="encoding"
  [records]=""
  [encoding]=""
)

failures=0
while IFS= read -r file; do
  folder=$(dirname "$file")
  if [ -z "${below[$folder]+known}" ]; then
    echo "$file: in a folder that is no layer"; failures=$((failures + 1)); continue
  fi
  while IFS= read -r included; do
    target=$(dirname "$included")
    [ "$target" = "$folder" ] && continue
    case " ${below[$folder]} " in
      *" $target "*) ;;
      *) echo "$file: includes $included, which is not below $folder"; failures=$((failures + 1)) ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort)

# The verifier states on its own what converting sets, so that a slip in the rule cannot hide itself.
if grep -rn '#include "engine/conversion_rule' audit; then
  echo "audit/ includes the conversion rule it checks"; failures=$((failures + 1))
fi
# Names reach the system through the file layer alone, which holds them as UTF-8 and hands Windows
# UTF-16: the standard library's narrow paths and streams read them in the ANSI code page there.
if grep -rnE 'std::filesystem|<filesystem>|fstream|fopen|\.string\(\)' --include='*.h' --include='*.cpp' . \
   | grep -v '^\./engine/files/'; then
  echo "names go to the system around the file layer (engine/files)"; failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "every include runs down the layers"
exit $((failures > 0))
