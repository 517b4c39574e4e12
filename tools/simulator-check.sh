#!/usr/bin/env bash
# Flies the same scenarios in talvek-sim and in the simulator's own core (its community Linux
# port, headless under Xvfb) and compares what happened: the events of each vessel in order, the
# touchdown speeds, the landing places and the event times, against the tolerances in
# tools/simulator-check/compare.py. docs/simulator-comparison.md explains the table it writes.
#
#   tools/simulator-check.sh [--port DIR] [--mirror DIR] [--build DIR] [--work DIR]
#                            [--display :N] [--only NAME,...] [--update-docs]
#
#   --port DIR     a built port: DIR/src (its sources, with Orbitersdk/include), DIR/build (with
#                  Orbitersdk/lib/libOrbitersdk.a) and DIR/install/Orbiter (the installed tree).
#                  Default: $TALVEK_PORT. Nothing in DIR is written.
#   --mirror DIR   the folder of fetched mirrors (TheGondos+orbiter and the port's Extern
#                  repositories): builds the port in WORK/port first if it is not built there
#                  (about 5 minutes on two cores; installs the port's packages with apt-get)
#   --build DIR    the project's build (default build/default): bin/talvek-sim and root/
#   --work DIR     where everything goes (default BUILD/simulator-check)
#   --display :N   the X display for Xvfb (default: the first free one from :90)
#   --only LIST    fly only these scenarios of tools/simulator-check/scenarios.txt
#   --update-docs  write the table into docs/simulator-comparison.md
#
# Exit status: 0 every difference within its tolerance or explained; 1 a difference neither, or a
# flight that failed; 2 bad arguments; 77 no port to fly (CTest then reports the check skipped).
set -euo pipefail

project="$(cd "$(dirname "$0")/.." && pwd)"
here="$project/tools/simulator-check"
port="${TALVEK_PORT:-}"
mirror=""
build="$project/build/default"
work=""
display=""
only=""
update_docs=0
FIXED_STEP=0.0166667     # [s] the core's frame, as talvek-sim's default of 1/60 s
WALL_LIMIT=2400          # [s] of wall time for one flight in the core
# The core flies at most this much longer than talvek-sim did, so that a vessel that keeps
# flying there (a canopy drifting for minutes) does not hold the check: [s] and share.
CORE_EXTRA_TIME=60
CORE_EXTRA_SHARE=0.25
MAX_REMOVED_LINES=40     # lines of a file saved by the core that talvek-sim may refuse before the check gives up

usage() {
  sed -n '7,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --port | --mirror | --build | --work | --display | --only)
      [ $# -ge 2 ] || usage
      case "$1" in
        --port) port="$2" ;; --mirror) mirror="$2" ;; --build) build="$2" ;;
        --work) work="$2" ;; --display) display="$2" ;; --only) only="$2" ;;
      esac
      shift 2 ;;
    --update-docs) update_docs=1; shift ;;
    *) usage ;;
  esac
done
[ -n "$work" ] || work="$build/simulator-check"
mkdir -p "$work"
work="$(cd "$work" && pwd)"

port_built() { # DIR
  [ -f "$1/src/Orbitersdk/include/OrbiterAPI.h" ] && [ -f "$1/build/Orbitersdk/lib/libOrbitersdk.a" ] &&
    [ -x "$1/install/Orbiter/Orbiter" ]
}

if [ -n "$mirror" ] && { [ -z "$port" ] || ! port_built "$port"; }; then
  port="$work/port"
  port_built "$port" || "$here/build-port.sh" "$mirror" "$port"
fi
if [ -z "$port" ] || ! port_built "$port"; then
  echo "simulator-check skipped: no built port of the simulator${port:+ in $port}."
  echo "Give --port DIR (or TALVEK_PORT) naming a built port (DIR/src, DIR/build, DIR/install/Orbiter),"
  echo "or --mirror DIR naming the fetched mirrors to build one; docs/simulator-comparison.md tells how."
  exit 77
fi
port="$(cd "$port" && pwd)"
build="$(cd "$build" && pwd)"
sim="$build/bin/talvek-sim"
root="$build/root"
[ -x "$sim" ] && [ -d "$root/Config" ] || {
  echo "simulator-check: no talvek-sim in $build (bin/talvek-sim and root/); build the project first." >&2
  exit 1
}
for tool in g++ Xvfb python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "simulator-check: $tool is missing." >&2; exit 1; }
done
T0=$(date +%s)
stamp() { echo "[simulator-check $(($(date +%s) - T0))s] $*"; }

# 1. The modules and the driver, built against the port's SDK. Each of the project's host/
# headers is replaced by the shim, as the SDK check does; the modules link the SDK's static
# library, and their oapi and VESSEL symbols bind to the core's executable.
stamp "building the modules and the driver against the port's SDK"
mods="$work/modules"
rm -rf "$mods"
mkdir -p "$mods/shim/host" "$mods/obj" "$mods/Modules/Plugin"
for h in "$project"/host/*.h; do cp "$here/port-shim.h" "$mods/shim/host/$(basename "$h")"; done
sdk_include="$port/src/Orbitersdk/include"
sdk_lib="$port/build/Orbitersdk/lib/libOrbitersdk.a"
flags=(-std=c++20 -O2 -g -fPIC -fvisibility=hidden -fvisibility-inlines-hidden -Wall -Wextra -I"$mods/shim" -isystem "$sdk_include"
  -I"$project")
compile_failed=0
running=0
for f in $(cd "$project" && ls messages/*.cpp carrier/*.cpp spacecraft/*.cpp module/*.cpp stage/*.cpp messagebus/*.cpp); do
  (cd "$project" && g++ "${flags[@]}" -c "$f" -o "$mods/obj/$(echo "$f" | tr / _).o") 2>>"$mods/compile.log" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then
    wait -n || compile_failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || compile_failed=1
  running=$((running - 1))
done
if [ "$compile_failed" != 0 ]; then
  cat "$mods/compile.log" >&2
  echo "simulator-check: the modules do not compile against the port's SDK (above)." >&2
  exit 1
fi
objs() { for d in "$@"; do ls "$mods"/obj/"$d"_*.o; done; }
g++ -shared -o "$mods/Modules/libTalvek.so" $(objs module spacecraft carrier messages) "$sdk_lib" -ldl \
  -Wl,--version-script="$project/module/exports.map"
g++ -shared -o "$mods/Modules/libTalvekStage.so" $(objs stage carrier messages) "$sdk_lib" -ldl \
  -Wl,--version-script="$project/stage/exports.map"
g++ -shared -o "$mods/Modules/dravomessage.so" $(objs messagebus)
g++ -std=c++17 -O2 -fPIC -shared -Wall -Wextra -isystem "$sdk_include" "$here/driver.cpp" \
  -o "$mods/Modules/Plugin/libTalvekDriver.so" -Wl,--whole-archive "$sdk_lib" -Wl,--no-whole-archive

# 2. The core's tree: the installed port as links, with the add-on, the modules and the
# settings as files of this check's own (the core writes its log into its working folder).
stamp "setting up the core's tree in $work/orbiter"
tree="$work/orbiter"
rm -rf "$tree"
cp -as "$port/install/Orbiter" "$tree"
# What the core may write: its settings and log beside it, and scenarios (its current state
# when a session ends).
find "$tree" -maxdepth 1 -type l \( -name '*.cfg' -o -name '*.log' -o -name '*.ini' \) |
  while read -r f; do cp --remove-destination "$(readlink "$f")" "$f"; done
rm -rf "$tree/Scenarios"
cp -r "$port/install/Orbiter/Scenarios" "$tree/Scenarios"
rm -f "$tree/Orbiter.log"
cp --remove-destination "$root"/Config/Vessels/*.cfg "$tree/Config/Vessels/"
cp --remove-destination "$root"/Meshes/*.msh "$tree/Meshes/"
cp --remove-destination "$mods"/Modules/*.so "$tree/Modules/"
cp --remove-destination "$mods/Modules/Plugin/libTalvekDriver.so" "$tree/Modules/Plugin/"
cat >"$tree/Orbiter_NG.cfg" <<'CFG'
; headless: the session starts running, in a small window, without sound or plugins of its own
EchoAllParams = FALSE
StartPaused = FALSE
DeviceMode = 0
WindowWidth = 64
WindowHeight = 48
ACTIVE_MODULES
END_MODULES
VIDEO_MODULE
OGLClient
END_VIDEO_MODULE
CFG
mkdir -p "$tree/Scenarios/simulator-check"
meshes=$(cd "$root/Meshes" && ls *.msh | sed 's/\.msh$//' | paste -sd,)

# 3. The X display: the one given, else the first free one (another run may take the same
# number at the same moment; then the next is tried).
start_xvfb() { # DISPLAY
  Xvfb "$1" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  sleep 2
  kill -0 "$xvfb" 2>/dev/null
}
xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true' EXIT
if [ -n "$display" ]; then
  start_xvfb "$display" || { cat "$work/xvfb.log" >&2; echo "simulator-check: Xvfb did not start on $display." >&2; exit 1; }
else
  for n in $(seq 90 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    if start_xvfb ":$n"; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { cat "$work/xvfb.log" >&2; echo "simulator-check: Xvfb did not start on any display from :90." >&2; exit 1; }
fi

# 4. The flights. A scenario is a file of this folder, a shipped one (found in talvek-sim's root),
# or @HOST:RUN/FILE, a file that HOST (sim or core) saved during the flight RUN.
find_file() { # NAME
  if [ -f "$here/$1" ]; then echo "$here/$1"; elif [ -f "$root/Scenarios/$1" ]; then echo "$root/Scenarios/$1"; fi
}
trim() { local s="$1"; s="${s#"${s%%[![:space:]]*}"}"; echo "${s%"${s##*[![:space:]]}"}"; }
runs="$work/runs"
mkdir -p "$runs"
python3 "$here/compare.py" --flown "$runs/flown.txt" --project "$project"
failed=0
names=()
while IFS='|' read -r name scenario script until what; do
  name=$(trim "$name"); scenario=$(trim "$scenario"); script=$(trim "$script"); until=$(trim "$until")
  case "$name" in '' | \#*) continue ;; esac
  if [ -n "$only" ] && ! echo ",$only," | grep -q ",$name,"; then continue; fi
  names+=("$name")
  dir="$runs/$name"
  rm -rf "$dir"
  mkdir -p "$dir"
  trim "$what" >"$dir/what"
  case "$scenario" in
    @sim:* | @core:*)
      saved="${scenario#@*:}"
      host="${scenario%%:*}"
      src="$runs/$(dirname "$saved")/${host#@}-$(basename "$saved")" ;;
    *) src=$(find_file "$scenario") ;;
  esac
  if [ -z "$src" ] || [ ! -f "$src" ]; then
    echo "$name: the scenario $scenario is not there" >"$dir/failure"
    failed=1
    continue
  fi
  cp "$src" "$dir/scenario.scn"
  # The script's save actions write into the run's folder, named after the host.
  for host in sim core; do
    if [ "$script" != "-" ]; then
      s=$(find_file "$script")
      sed "s|@OUT@/|$dir/$host-|g" "$s" >"$dir/$host-script.txt"
    fi
  done
  stamp "$name: talvek-sim"
  args=(run "$dir/scenario.scn" --root "$root" --events)
  [ "$script" = "-" ] || args+=(--script "$dir/sim-script.txt")
  [ "$until" = "-" ] || args+=(--until "$until")
  status=0
  (cd "$dir" && "$sim" "${args[@]}" </dev/null >"$dir/sim.out" 2>"$dir/sim.err") || status=$?
  # A file the core saved that talvek-sim refuses: the refusal is a difference of its own, and
  # the flight goes on without the lines talvek-sim names, one by one, so that the rest compares.
  if [ "$status" = 2 ] && [ "${scenario#@core:}" != "$scenario" ]; then
    cp "$dir/sim.err" "$dir/sim-refusal.err"
    : >"$dir/removed"
    for _ in $(seq 1 "$MAX_REMOVED_LINES"); do
      line=$(sed -n "s|^$dir/scenario.scn:\([0-9]*\): .*|\1|p" "$dir/sim.err" | head -1)
      [ -n "$line" ] || break
      # The line's number in the original file, counted past the lines already taken out.
      gone=$(cut -d' ' -f1 "$dir/removed" | paste -sd,)
      kept='BEGIN { n = split(gone, a, ","); for (i = 1; i <= n; i++) out[a[i]] = 1 } !(FNR in out)'
      original=$(awk -v gone="$gone" "$kept"' { n++ } !(FNR in out) && n == want { print FNR; exit }' want="$line" "$src")
      [ -n "$original" ] || break
      echo "$original $(sed -n "${original}p" "$src")" >>"$dir/removed"
      awk -v gone="$(cut -d' ' -f1 "$dir/removed" | paste -sd,)" "$kept" "$src" >"$dir/scenario.scn"
      status=0
      (cd "$dir" && "$sim" "${args[@]}" </dev/null >"$dir/sim.out" 2>"$dir/sim.err") || status=$?
      [ "$status" = 2 ] || break
    done
    cp "$src" "$dir/scenario.scn"
  fi
  echo "$status" >"$dir/sim.status"
  # The core flies to the same end, or at most a little longer than talvek-sim did.
  limit=$(python3 "$here/compare.py" --end-time "$dir/sim.out" --extra "$CORE_EXTRA_TIME" --share "$CORE_EXTRA_SHARE")
  stamp "$name: the core (talvek-sim ended at $(python3 "$here/compare.py" --end-time "$dir/sim.out"); the core flies at most to $limit s)"
  cp "$dir/scenario.scn" "$tree/Scenarios/simulator-check/$name.scn"
  rm -f "$tree/Orbiter.log"
  status=0
  (
    cd "$tree"
    export DISPLAY="$display" LIBGL_ALWAYS_SOFTWARE=1 TALVEK_MESHES="$meshes" TALVEK_LIMIT="$limit"
    [ "$script" = "-" ] || export TALVEK_SCRIPT="$dir/core-script.txt"
    [ "$until" = "-" ] || export TALVEK_UNTIL="$until"
    timeout "$WALL_LIMIT" ./Orbiter --scenario="simulator-check/$name" --fixedstep="$FIXED_STEP" \
      --plugin=TalvekDriver </dev/null >"$dir/core.out" 2>"$dir/core.err"
  ) || status=$?
  echo "$status" >"$dir/core.status"
  cp "$tree/Orbiter.log" "$dir/core.log" 2>/dev/null || true
  grep -q "^DRIVER end:" "$dir/core.out" || { echo "the core stopped without ending the flight (status $status)" >"$dir/failure"; failed=1; }
done <"$here/scenarios.txt"

# 5. The comparison.
stamp "comparing"
compare=(python3 "$here/compare.py" --runs "$runs" --explained "$here/explained.txt" --out "$work/simulator-comparison.md"
  --project "$project" --port "$port")
[ "$update_docs" = 0 ] || compare+=(--docs "$project/docs/simulator-comparison.md")
status=0
"${compare[@]}" "${names[@]}" || status=$?
stamp "the table: $work/simulator-comparison.md"
[ "$failed" = 0 ] || status=1
exit "$status"
