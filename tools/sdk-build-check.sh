#!/usr/bin/env bash
# Checks the build against a simulator installation (ORBITER_SDK_DIR) as far as this machine
# allows: it cross-configures with MinGW (cmake/mingw-w64.cmake) against a stand-in Orbitersdk
# folder (the SDK headers, and empty files in place of the import libraries), then checks that
# only the three modules are built, under the names the simulator loads, against the SDK's headers
# and libraries, and links dravomessage.dll and reads its exports. Compiling the module's sources
# is sdk-check.sh's part; linking Talvek.dll and TalvekStage.dll needs the real import library and
# is not tried.
#
#   tools/sdk-build-check.sh [--sdk DIR] --work DIR
#
# Exit status: 0 all as expected; 1 something is not; 2 bad arguments; 77 the SDK headers are not
# there (CTest then reports the check as skipped).
set -euo pipefail

project="$(cd "$(dirname "$0")/.." && pwd)"
sdk_include="$project/../shared/orbitersdk/include"
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sdk) sdk_include="${2:?--sdk needs a folder}" ;;
    --work) work="${2:?--work needs a folder}" ;;
    *) echo "usage: $0 [--sdk DIR] --work DIR" >&2; exit 2 ;;
  esac
  shift 2
done
[ -n "$work" ] || { echo "usage: $0 [--sdk DIR] --work DIR" >&2; exit 2; }
if [ ! -f "$sdk_include/OrbiterAPI.h" ] || [ ! -f "$sdk_include/VesselAPI.h" ]; then
  echo "sdk-build-check skipped: the simulator's SDK headers are not in $sdk_include;"
  echo "set the CMake cache variable TALVEK_SDK_INCLUDE (or --sdk) to a folder that holds them."
  exit 77
fi
for tool in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-objdump; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "sdk-build-check: $tool is missing; run tools/install-deps.sh" \
      "(it installs g++-mingw-w64-x86-64)." >&2
    exit 1
  fi
done
sdk_include="$(cd "$sdk_include" && pwd)"

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
problems=0
problem() {
  echo "PROBLEM: $1"
  problems=$((problems + 1))
}

# The stand-in Orbitersdk folder.
sdk="$work/Orbitersdk"
mkdir -p "$sdk/include" "$sdk/lib"
for entry in "$sdk_include"/*; do ln -s "$entry" "$sdk/include/"; done
: >"$sdk/lib/orbiter.lib"
: >"$sdk/lib/Orbitersdk.lib"

build="$work/build"
if ! cmake -S "$project" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$project/cmake/mingw-w64.cmake" -DORBITER_SDK_DIR="$sdk" \
  >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"
  echo "sdk-build-check: configuring against $sdk failed"
  exit 1
fi
grep -q "Building Talvek.dll, TalvekStage.dll and dravomessage.dll against the simulator's SDK" "$work/configure.log" ||
  problem "the configuration does not say what it builds: $(grep -- '^-- Build' "$work/configure.log")"

# Only the three modules, under the simulator's names; nothing of the headless host.
targets="$(ninja -C "$build" -t targets all)"
for output in root/Modules/Talvek.dll root/Modules/TalvekStage.dll root/Modules/dravomessage.dll; do
  grep -q "^$output:" <<<"$targets" || problem "no build target $output"
done
for unwanted in talvek-sim talvek_host talvek_sim_app host_tests module_tests cli_tests \
  full_stack_bench landing_speeds; do
  ! grep -q "$unwanted" <<<"$targets" || problem "$unwanted is built against the SDK"
done

# The vessel modules link the SDK's libraries, not the headless host, and no Linux version script.
for module in Talvek.dll TalvekStage.dll; do
  link="$(ninja -C "$build" -t commands "root/Modules/$module" | tail -n 1)"
  for lib in "$sdk/lib/orbiter.lib" "$sdk/lib/Orbitersdk.lib"; do
    grep -qF -- "$lib" <<<"$link" || problem "$module does not link $lib: $link"
  done
  for unwanted in talvek_host version-script; do
    ! grep -qF -- "$unwanted" <<<"$link" || problem "$module's link has $unwanted: $link"
  done
done

# Every module source sees the shim before the module's include root, and the SDK's include
# folder; never the project root, which would show it the headless host's internals.
python3 - "$build/compile_commands.json" "$build/sdk-shim" "$build/module-include" "$sdk/include" "$project" <<'EOF' ||
import json, shlex, sys
commands, shim, root, sdk, project = sys.argv[1:]
bad = 0
for entry in json.load(open(commands)):
    if "/messagebus/" in entry["file"]:
        continue
    args = shlex.split(entry["command"])
    paths = [a[2:] for a in args if a.startswith("-I")] + [args[i + 1] for i, a in enumerate(args) if a == "-isystem"]
    if shim not in paths or root not in paths or sdk not in paths or paths.index(shim) > paths.index(root) or project in paths:
        print(f"{entry['file']}: include folders {paths}, wanted {shim} before {root}, and {sdk}, not {project}")
        bad += 1
sys.exit(1 if bad else 0)
EOF
  problem "a module source does not see the SDK through the shim"
for header in "$project"/host/*.h; do
  shim="$build/sdk-shim/host/$(basename "$header")"
  cmp -s "$shim" "$project/host/sdk/windows.h" || problem "no shim $shim"
done

# dravomessage.dll needs nothing of the SDK: it links, and exports its three functions only.
if ninja -C "$build" root/Modules/dravomessage.dll >"$work/dravomessage.log" 2>&1; then
  exports="$(x86_64-w64-mingw32-objdump -p "$build/root/Modules/dravomessage.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && NR > 1 {print $NF}' | sort | tr '\n' ' ')"
  [ "$exports" = "CheckCMessage ForgetCMessages SendCMessage " ] ||
    problem "dravomessage.dll exports [$exports], wanted CheckCMessage ForgetCMessages SendCMessage"
  runtime="$(x86_64-w64-mingw32-objdump -p "$build/root/Modules/dravomessage.dll" | grep 'DLL Name' || true)"
  ! grep -qi "libstdc++\|libgcc" <<<"$runtime" || problem "dravomessage.dll needs MinGW's run-time DLLs: $runtime"
else
  cat "$work/dravomessage.log"
  problem "dravomessage.dll does not build"
fi

# The install puts the three modules in PREFIX/Modules.
for module in Talvek TalvekStage dravomessage; do
  grep -rqF "DESTINATION \"\${CMAKE_INSTALL_PREFIX}/Modules\" TYPE MODULE FILES \"$build/root/Modules/$module.dll\"" \
    "$build" --include=cmake_install.cmake || problem "no install rule for $module.dll into Modules/"
done

if [ "$problems" -gt 0 ]; then
  echo "sdk-build-check: $problems problems (build tree: $build)"
  exit 1
fi
echo "sdk-build-check: the build against $sdk builds Talvek.dll, TalvekStage.dll and dravomessage.dll as the simulator expects"
