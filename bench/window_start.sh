#!/usr/bin/env bash
# Times FileConverter from its start to its window being on screen, and its peak memory, against a
# minimal Qt Widgets window built here; both run under Xvfb and are watched from outside.
# Usage: bench/window_start.sh [build-dir] [repetitions]   (goal: at most 1.25 times the minimal window)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-15}
program="$(realpath "$build")/src/ui/FileConverter"
[ -x "$program" ] || { echo "build first: scripts/build" >&2; exit 1; }

# The virtual screen and the window watcher, when missing (bc does the arithmetic below).
missing=()
for tool in Xvfb:xvfb xdotool:xdotool bc:bc; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d "${TMPDIR:-/var/tmp}/window-bench.XXXXXX")
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The yardstick: the least a Qt Widgets program does to put a window of the same size on screen,
# built the same way as the program.
mkdir -p "$work/minimal"
cat >"$work/minimal/main.cpp" <<'CPP'
#include <QApplication>
#include <QWidget>
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("MinimalWindow"));
    window.setFixedSize(404, 261);
    window.show();
    return QApplication::exec();
}
CPP
cat >"$work/minimal/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(MinimalWindow LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(MinimalWindow main.cpp)
target_link_libraries(MinimalWindow PRIVATE Qt6::Widgets)
CMAKE
cmake -S "$work/minimal" -B "$work/minimal/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/minimal/build" >/dev/null
minimal="$work/minimal/build/MinimalWindow"

# A screen of our own; Xvfb writes its display number once it accepts clients. Without -noreset it
# starts afresh whenever its last client leaves, and a program connecting meanwhile is turned away.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"
# The program's default measurement folder lands beside it only on a click, which never comes here.
cd "$work"

# Starts the program, waits until its window (by exact title) is mapped, lets it paint, then notes
# the seconds to the window and the peak resident memory in KiB. xdotool's own --sync polls only
# twice a second, hence the loop; its pause keeps the watcher from taking the CPU (and the X
# server's connection queue) from the program it watches. A start that fails is reported and
# tried once more.
measure() {
  local binary=$1 title=$2 start shown pid
  start=$EPOCHREALTIME
  "$binary" >"$work/output.txt" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "$title ended before showing its window:" >&2
      cat "$work/output.txt" >&2
      return 1
    fi
    sleep 0.01
  done
  shown=$EPOCHREALTIME
  sleep 0.3
  echo "$(echo "$shown - $start" | bc) $(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One unmeasured start of each fills the caches; then the two alternate, so that both see the same machine.
measure "$program" FileConverter >/dev/null || measure "$program" FileConverter >/dev/null
measure "$minimal" MinimalWindow >/dev/null || measure "$minimal" MinimalWindow >/dev/null
: >"$work/program.txt"
: >"$work/minimal.txt"
for ((run = 1; run <= repetitions; run++)); do
  measure "$program" FileConverter >>"$work/program.txt" || measure "$program" FileConverter >>"$work/program.txt"
  measure "$minimal" MinimalWindow >>"$work/minimal.txt" || measure "$minimal" MinimalWindow >>"$work/minimal.txt"
done

program_time=$(cut -d' ' -f1 "$work/program.txt" | median)
minimal_time=$(cut -d' ' -f1 "$work/minimal.txt" | median)
program_memory=$(cut -d' ' -f2 "$work/program.txt" | median)
minimal_memory=$(cut -d' ' -f2 "$work/minimal.txt" | median)
printf 'repetitions: %d (medians), start until the window is mapped, peak resident memory\n' "$repetitions"
printf 'FileConverter : %6.1f ms  %7.0f KiB\n' "$(echo "$program_time * 1000" | bc)" "$program_memory"
printf 'MinimalWindow : %6.1f ms  %7.0f KiB\n' "$(echo "$minimal_time * 1000" | bc)" "$minimal_memory"
printf 'ratio         : %6.2f     %7.2f     (goal <= 1.25 each)\n' \
  "$(echo "$program_time / $minimal_time" | bc -l)" "$(echo "$program_memory / $minimal_memory" | bc -l)"
