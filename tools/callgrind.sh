#!/bin/sh
# Instructions of the module's steady per-frame step and of a rebuild, counted under callgrind:
# one line per figure, free of timing noise, so that a change that costs instructions shows.
#   tools/callgrind.sh [BUILD_DIR] [STEPS] [REBUILDS]
# Needs a build of step_driver (cmake --build --preset default --target step_driver).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/default}
steps=${2:-2000}
rebuilds=${3:-50}
driver=$build/bin/step_driver
[ -x "$driver" ] || { echo "callgrind.sh: $driver not built" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" "$driver" "$steps" "$rebuilds" >/dev/null 2>"$out/log" ||
    { cat "$out/log" >&2; exit 1; }
# Inclusive instruction counts of the driver's measured loops.
callgrind_annotate --inclusive=yes --threshold=100 "$out/callgrind.out" >"$out/annotated" 2>/dev/null
count() {
    awk -v f="$1" '$0 ~ f { gsub(/,/, "", $1); print $1; exit }' "$out/annotated"
}
step=$(count talvek_measured_steps)
empty=$(count talvek_measured_empty_calls)
rebuild=$(count talvek_measured_rebuilds)
awk -v s="$step" -v e="$empty" -v r="$rebuild" -v n="$steps" -v m="$rebuilds" 'BEGIN {
    printf "steady step (ovcTimestep, full stack in orbit): %.0f instructions\n", s / n
    printf "empty exported call:                            %.0f instructions\n", e / n
    printf "steady step / empty exported call:              %.1f\n", s / e
    printf "rebuild (the full-stack set-up):                %.0f instructions\n", r / m
}'
