#!/usr/bin/env bash
# Checks the build against the SDK of the simulator's Linux port (ORBITER_SDK_DIR on Linux) without
# the port itself: it configures against a stand-in Orbitersdk folder (the port's SDK headers, and
# an empty libOrbitersdk.a), builds the three modules as the docs tell users to (Release, here
# with warnings as errors), and checks that they are named and laid out
# as the port loads them (Modules/lib<Module>.so for the vessel modules, Modules/dravomessage.so
# for the message module), export only their entry points, leave only the host's functions to the
# simulator's executable, and install with the add-on's data. It also checks that a Linux build
# refuses the SDK of the simulator on Windows, and that tools/install-addon.sh puts this build's
# modules into a folder of the port but not into a simulator folder for Windows. Flying them in the port's core is
# tools/simulator-check.sh's part.
#
#   tools/sdk-build-check-port.sh [--sdk DIR] [--windows-sdk DIR] --work DIR
#
#   --sdk DIR          the port's SDK headers (default ../shared/orbitersdk-port/include)
#   --windows-sdk DIR  the simulator's SDK headers, for the refusal (default
#                      ../shared/orbitersdk/include; that case is left out without them)
#
# Exit status: 0 all as expected; 1 something is not; 2 bad arguments; 77 the port's SDK headers
# are not there (CTest then reports the check as skipped).
set -euo pipefail

project="$(cd "$(dirname "$0")/.." && pwd)"
sdk_include="$project/../shared/orbitersdk-port/include"
windows_include="$project/../shared/orbitersdk/include"
work=""
usage() { echo "usage: $0 [--sdk DIR] [--windows-sdk DIR] --work DIR" >&2; exit 2; }
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
    --sdk) sdk_include="$2" ;;
    --windows-sdk) windows_include="$2" ;;
    --work) work="$2" ;;
    *) usage ;;
  esac
  shift 2
done
[ -n "$work" ] || usage
if [ ! -f "$sdk_include/OrbiterAPI.h" ] || [ ! -f "$sdk_include/VesselAPI.h" ]; then
  echo "sdk-build-check-port skipped: the Linux port's SDK headers are not in $sdk_include;"
  echo "set the CMake cache variable TALVEK_PORT_SDK_INCLUDE (or --sdk) to a folder that holds them."
  exit 77
fi
for tool in g++ ar nm readelf c++filt ninja; do
  command -v "$tool" >/dev/null 2>&1 || { echo "sdk-build-check-port: $tool is missing." >&2; exit 1; }
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

# The stand-in Orbitersdk folder: the real headers, an empty archive for the SDK's library (its
# few helpers are not needed to link a module that may keep undefined references).
sdk="$work/Orbitersdk"
mkdir -p "$sdk/include" "$sdk/lib"
for entry in "$sdk_include"/*; do ln -s "$entry" "$sdk/include/"; done
ar rcs "$sdk/lib/libOrbitersdk.a"

build="$work/build"
if ! cmake -S "$project" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVEK_WERROR=ON \
  -DORBITER_SDK_DIR="$sdk" >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"
  echo "sdk-build-check-port: configuring against $sdk failed"
  exit 1
fi
grep -q "Building libTalvek.so, libTalvekStage.so and dravomessage.so against the SDK of the simulator's Linux port" \
  "$work/configure.log" || problem "the configuration does not say what it builds: $(grep -- '^-- Build' "$work/configure.log")"

# Only the three modules, under the port's names; nothing of the headless host.
targets="$(ninja -C "$build" -t targets all)"
modules="root/Modules/libTalvek.so root/Modules/libTalvekStage.so root/Modules/dravomessage.so"
for output in $modules; do
  grep -q "^$output:" <<<"$targets" || problem "no build target $output"
done
for unwanted in root/Modules/Talvek.so root/Modules/TalvekStage.so root/Modules/libdravomessage.so \
  talvek-sim talvek_host talvek_sim_app host_tests module_tests cli_tests full_stack_bench; do
  ! grep -q "^$unwanted[:.]\|/$unwanted[:.]" <<<"$targets" || problem "$unwanted is built against the port's SDK"
done

if ! cmake --build "$build" >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  echo "sdk-build-check-port: the modules do not build against $sdk"
  exit 1
fi

# The vessel modules link the SDK's library, the version script, and nothing that would make the
# host's functions resolve anywhere but in the executable that loads them.
for module in libTalvek.so libTalvekStage.so; do
  link="$(ninja -C "$build" -t commands "root/Modules/$module" | tail -n 1)"
  grep -qF -- "$sdk/lib/libOrbitersdk.a" <<<"$link" || problem "$module does not link libOrbitersdk.a: $link"
  grep -qF -- "version-script" <<<"$link" || problem "$module's link has no version script: $link"
  for unwanted in --no-undefined talvek_host; do
    ! grep -qF -- "$unwanted" <<<"$link" || problem "$module's link has $unwanted: $link"
  done
done

# What each module exports, and what it leaves to the host: the entry points only; every
# unversioned undefined symbol (versioned ones are the C and C++ run-time libraries') is one of the
# host's, declared by the SDK: its oapi functions and its VESSEL classes.
entry_points="ovcConsumeBufferedKey ovcExit ovcInit ovcLoadStateEx ovcSaveState ovcSetClassCaps ovcTimestep ovcVisualCreated "
for module in libTalvek.so libTalvekStage.so dravomessage.so; do
  file="$build/root/Modules/$module"
  [ -f "$file" ] || { problem "$file was not built"; continue; }
  exports="$(nm -D --defined-only "$file" | awk '$2 ~ /^[TWVDBiu]$/ {print $3}' | sort | tr '\n' ' ')"
  wanted="$entry_points"
  [ "$module" != dravomessage.so ] || wanted="CheckCMessage ForgetCMessages SendCMessage "
  [ "$exports" = "$wanted" ] || problem "$module exports [$exports], wanted [$wanted]"
  foreign="$(nm -D --undefined-only "$file" | awk '{print $2}' | grep -v '@' | c++filt |
    grep -Ev '^(oapi[A-Za-z_]+(\(.*\))?|(typeinfo for |vtable for )?VESSEL2?(::.*)?)$' | grep -v '^_' || true)"
  [ -z "$foreign" ] || problem "$module leaves to the host what the SDK does not declare: $(tr '\n' ' ' <<<"$foreign")"
  needed="$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
  ! grep -q "talvek\|Orbiter" <<<"$needed" || problem "$module needs $needed"
done
host_calls="$(nm -D --undefined-only "$build/root/Modules/libTalvek.so" | awk '{print $2}' | c++filt | grep -c '^oapi' || true)"
[ "$host_calls" -gt 0 ] || problem "libTalvek.so calls none of the host's oapi functions: the check sees nothing"

# The install lays out what the port's tree needs: the modules in Modules/, the add-on's classes,
# meshes and scenarios in theirs.
prefix="$work/Orbiter"
if cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  for module in libTalvek.so libTalvekStage.so dravomessage.so; do
    [ -f "$prefix/Modules/$module" ] || problem "no Modules/$module after the install"
  done
  for folder in Config/Vessels Meshes Scenarios; do
    diff -rq "$project/addon/$folder" "$prefix/$folder" >/dev/null || problem "the install's $folder differs from addon/$folder"
  done
  installed_modules="$(cd "$prefix/Modules" && ls | sort | tr '\n' ' ')"
  [ "$installed_modules" = "dravomessage.so libTalvek.so libTalvekStage.so " ] ||
    problem "the install puts [$installed_modules] into Modules/"
else
  cat "$work/install.log"
  problem "cmake --install failed"
fi

# tools/install-addon.sh with this build: refused into a simulator folder for Windows, taken by
# a folder of the port.
windows_folder="$work/WindowsSimulator"
mkdir -p "$windows_folder"
: >"$windows_folder/Orbiter.exe"
if "$project/tools/install-addon.sh" "$windows_folder" "$build" >"$work/install-windows.log" 2>&1; then
  problem "install-addon.sh lays the port's modules into a simulator folder for Windows"
elif ! grep -q "builds Linux libraries (dravomessage.so libTalvek.so libTalvekStage.so)" "$work/install-windows.log" ||
  [ -e "$windows_folder/Modules" ]; then
  problem "install-addon.sh into a simulator folder for Windows: $(cat "$work/install-windows.log")"
fi
port_folder="$work/PortSimulator"
mkdir -p "$port_folder"
printf '#!/bin/sh\n' >"$port_folder/Orbiter"
chmod +x "$port_folder/Orbiter"
if ! "$project/tools/install-addon.sh" "$port_folder" "$build" >"$work/install-port.log" 2>&1 ||
  [ ! -f "$port_folder/Modules/libTalvek.so" ]; then
  problem "install-addon.sh into a folder of the port: $(cat "$work/install-port.log")"
fi

# The simulator's SDK on Windows needs windows.h: a Linux build refuses it, naming both ways out.
if [ -f "$windows_include/OrbiterAPI.h" ]; then
  windows_sdk="$work/WindowsOrbitersdk"
  mkdir -p "$windows_sdk/include" "$windows_sdk/lib"
  for entry in "$windows_include"/*; do ln -s "$entry" "$windows_sdk/include/"; done
  if cmake -S "$project" -B "$work/windows-build" -G Ninja -DORBITER_SDK_DIR="$windows_sdk" \
    >"$work/windows-configure.log" 2>&1; then
    problem "a Linux build configures against the simulator's SDK on Windows"
  else
    for text in "holds the SDK of the simulator on Windows" "cmake/mingw-w64.cmake" "Linux port"; do
      tr '\n' ' ' <"$work/windows-configure.log" | tr -s ' ' | grep -qF "$text" ||
        problem "refusing the Windows SDK, the message lacks \"$text\": $(cat "$work/windows-configure.log")"
    done
  fi
else
  echo "sdk-build-check-port: no OrbiterAPI.h in $windows_include: the refusal of the Windows SDK is left out"
fi

if [ "$problems" -gt 0 ]; then
  echo "sdk-build-check-port: $problems problems (build tree: $build)"
  exit 1
fi
echo "sdk-build-check-port: the build against $sdk builds libTalvek.so, libTalvekStage.so and dravomessage.so as the port loads them"
