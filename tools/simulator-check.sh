#!/usr/bin/env bash
# Flies the same scenarios in talvek-sim and in the simulator's own core (its community Linux
# port, headless under Xvfb) and compares what happened: the events of each vessel in order, the
# touchdown speeds, the landing places and the event times, against the tolerances in
# tools/simulator-check/compare.py. docs/simulator-comparison.md explains the table it writes.
#
#   tools/simulator-check.sh [--port DIR] [--mirror DIR] [--build DIR] [--work DIR]
#                            [--display :N] [--only NAME,...] [--update-docs]
#
#   --port DIR     a built port: DIR/install/Orbiter, the installed tree (its Orbiter executable,
#                  and its SDK in Orbitersdk/, which the modules are built against).
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
  [ -f "$1/install/Orbiter/Orbitersdk/include/OrbiterAPI.h" ] &&
    [ -f "$1/install/Orbiter/Orbitersdk/lib/libOrbitersdk.a" ] && [ -x "$1/install/Orbiter/Orbiter" ]
}

if [ -n "$mirror" ] && { [ -z "$port" ] || ! port_built "$port"; }; then
  port="$work/port"
  port_built "$port" || "$here/build-port.sh" "$mirror" "$port"
fi
if [ -z "$port" ] || ! port_built "$port"; then
  echo "simulator-check skipped: no built port of the simulator${port:+ in $port}."
  echo "Give --port DIR (or TALVEK_PORT) naming a built port (DIR/install/Orbiter with its Orbitersdk/),"
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
for tool in cmake g++ Xvfb python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "simulator-check: $tool is missing." >&2; exit 1; }
done
T0=$(date +%s)
stamp() { echo "[simulator-check $(($(date +%s) - T0))s] $*"; }

# 1. The modules, built and installed as a user of the port builds them: the project's build
# against the SDK of the port's installation (ORBITER_SDK_DIR), installed into a folder of this
# check's own (cmake --install lays it out as the port's tree has it). The build folder stays
# between runs. The driver, this check's plugin for the core, is built with g++ directly.
sdk="$port/install/Orbiter/Orbitersdk"
mods="$work/modules"
modules_build="$mods/build"
addon="$mods/install"
stamp "building the modules against the port's SDK: cmake -DORBITER_SDK_DIR=$sdk"
rm -rf "$addon" "$mods/Plugin"
mkdir -p "$modules_build" "$mods/Plugin"
generator=()
[ -f "$modules_build/CMakeCache.txt" ] || ! command -v ninja >/dev/null 2>&1 || generator=(-G Ninja)
if ! cmake -S "$project" -B "$modules_build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORBITER_SDK_DIR="$sdk" >"$mods/configure.log" 2>&1; then
  cat "$mods/configure.log" >&2
  echo "simulator-check: configuring the modules against the port's SDK failed (above)." >&2
  exit 1
fi
if ! cmake --build "$modules_build" -j 2 >"$mods/build.log" 2>&1; then
  cat "$mods/build.log" >&2
  echo "simulator-check: the modules do not build against the port's SDK (above)." >&2
  exit 1
fi
if ! cmake --install "$modules_build" --prefix "$addon" >"$mods/install.log" 2>&1; then
  cat "$mods/install.log" >&2
  echo "simulator-check: installing the modules failed (above)." >&2
  exit 1
fi
for module in libTalvek.so libTalvekStage.so dravomessage.so; do
  [ -f "$addon/Modules/$module" ] || { echo "simulator-check: the install made no Modules/$module." >&2; exit 1; }
done
g++ -std=c++17 -O2 -fPIC -shared -Wall -Wextra -isystem "$sdk/include" "$here/driver.cpp" \
  -o "$mods/Plugin/libTalvekDriver.so" -Wl,--whole-archive "$sdk/lib/libOrbitersdk.a" -Wl,--no-whole-archive

# 2. The core's tree: the installed port as links, with the add-on as installed above, the
# driver and the settings as files of this check's own (the core writes its log into its working
# folder). Each link the add-on replaces is removed first, never written through.
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
cp -R --remove-destination "$addon/." "$tree/"
cp --remove-destination "$mods/Plugin/libTalvekDriver.so" "$tree/Modules/Plugin/"
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
meshes=$(cd "$addon/Meshes" && ls *.msh | sed 's/\.msh$//' | paste -sd,)

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
