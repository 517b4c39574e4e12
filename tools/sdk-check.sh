#!/usr/bin/env bash
# Compiles every source of the vessel modules and of the message module against a simulator's SDK
# headers, syntax only: the simulator's own SDK with the MinGW cross compiler, or the SDK of its
# Linux port with g++. Each of the project's host/ headers is replaced by the shim for that SDK
# (host/sdk/<KIND>.h), which includes the SDK instead, so a file passes only if it declares,
# derives from and calls the host exactly as that SDK has it.
#
#   tools/sdk-check.sh [--kind KIND] [--sdk DIR] [--root DIR] [--work DIR] [--cxx COMPILER] [--jobs N]
#
#   --kind KIND  windows (the simulator's SDK, the default) or linux-port (its Linux port's)
#   --sdk DIR    folder holding OrbiterAPI.h and VesselAPI.h (default: ../shared/orbitersdk/include
#                beside the project for windows, ../shared/orbitersdk-port/include for linux-port)
#   --root DIR   the tree to check (default: this project)
#   --work DIR   where the shim and the compiler's logs go (default: ROOT/build/sdk-check)
#   --cxx NAME   the compiler (default: x86_64-w64-mingw32-g++ for windows, g++ for linux-port)
#   --jobs N     files compiled at once (default: the number of processors)
#
# Exit status: 0 every file passes; 1 a file fails, or the compiler, a header the SDK needs or the
# sources are missing; 2 bad arguments; 77 the SDK headers are not there (CTest then reports the
# check as skipped).
set -euo pipefail

project="$(cd "$(dirname "$0")/.." && pwd)"
root="$project"
kind=windows
sdk=""
work=""
cxx=""
jobs="$(nproc 2>/dev/null || echo 2)"
# The folders whose sources end up in the three modules (Talvek, TalvekStage, dravomessage).
folders=(module stage spacecraft carrier messages messagebus)

usage() {
  echo "usage: $0 [--kind windows|linux-port] [--sdk DIR] [--root DIR] [--work DIR] [--cxx COMPILER] [--jobs N]" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
    --kind) kind="$2" ;;
    --sdk) sdk="$2" ;;
    --root) root="$2" ;;
    --work) work="$2" ;;
    --cxx) cxx="$2" ;;
    --jobs) jobs="$2" ;;
    *) usage ;;
  esac
  shift 2
done
case "$jobs" in '' | *[!0-9]* | 0) usage ;; esac
case "$kind" in
  windows)
    [ -n "$sdk" ] || sdk="$project/../shared/orbitersdk/include"
    [ -n "$cxx" ] || cxx="x86_64-w64-mingw32-g++"
    # The SDK is written for Microsoft's compiler.
    kind_flags=(-fms-extensions)
    compiler_package="g++-mingw-w64-x86-64"
    sdk_name="simulator's SDK" cache_variable=TALVEK_SDK_INCLUDE installation="a simulator installation" ;;
  linux-port)
    [ -n "$sdk" ] || sdk="$project/../shared/orbitersdk-port/include"
    [ -n "$cxx" ] || cxx="g++"
    kind_flags=()
    compiler_package="g++"
    sdk_name="Linux port's SDK" cache_variable=TALVEK_PORT_SDK_INCLUDE installation="an installation of the port" ;;
  *) usage ;;
esac

if [ ! -f "$sdk/OrbiterAPI.h" ] || [ ! -f "$sdk/VesselAPI.h" ]; then
  echo "sdk-check skipped: the $sdk_name headers (OrbiterAPI.h, VesselAPI.h) are not in $sdk."
  echo "Set the CMake cache variable $cache_variable (or --sdk) to a folder that holds them,"
  echo "such as the Orbitersdk/include folder of $installation, to run this check."
  exit 77
fi
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "sdk-check: the compiler $cxx is missing; run tools/install-deps.sh" \
    "(it installs $compiler_package)." >&2
  exit 1
fi
# The port's OrbiterAPI.h includes GLFW's header.
if [ "$kind" = linux-port ] && grep -q '^#include <GLFW/glfw3.h>' "$sdk/OrbiterAPI.h" &&
  ! echo '#include <GLFW/glfw3.h>' | "$cxx" -fsyntax-only -x c++ - >/dev/null 2>&1; then
  echo "sdk-check: the SDK in $sdk includes <GLFW/glfw3.h>, which $cxx does not find; run" \
    "tools/install-deps.sh (it installs libglfw3-dev)." >&2
  exit 1
fi

root="$(cd "$root" && pwd)"
sdk="$(cd "$sdk" && pwd)"
[ -n "$work" ] || work="$root/build/sdk-check"
mkdir -p "$work"
work="$(cd "$work" && pwd)"

# Every header of host/ gets a shim, so that no declaration of the headless host's own can slip
# in beside the SDK's.
shopt -s nullglob
host_headers=("$root"/host/*.h)
shopt -u nullglob
if [ ${#host_headers[@]} -eq 0 ]; then
  echo "sdk-check: no host/*.h under $root: nothing to put the SDK in place of." >&2
  exit 1
fi
shim="$work/shim"
rm -rf "$shim"
mkdir -p "$shim/host"
for h in "${host_headers[@]}"; do
  cp "$project/host/sdk/$kind.h" "$shim/host/$(basename "$h")"
done

files=()
for folder in "${folders[@]}"; do
  [ -d "$root/$folder" ] || continue
  while IFS= read -r f; do files+=("${f#"$root"/}"); done \
    < <(find "$root/$folder" -name '*.cpp' -type f | LC_ALL=C sort)
done
if [ ${#files[@]} -eq 0 ]; then
  echo "sdk-check: no .cpp file under $root/{$(IFS=,; echo "${folders[*]}")}: nothing was checked." >&2
  exit 1
fi

# The shim comes before the project root, so "host/orbiter.h" resolves to the SDK.
flags=(-std=c++20 -fsyntax-only "${kind_flags[@]}" -I"$shim" -I"$sdk" -I"$root")
logs="$work/logs"
rm -rf "$logs"
mkdir -p "$logs"

compile() {
  local i="$1" file="$2" rc=0
  (cd "$root" && "$cxx" "${flags[@]}" "$file") >"$logs/$i.log" 2>&1 || rc=$?
  echo "$rc" >"$logs/$i.rc"
}

echo "sdk-check: ${#files[@]} files, each with: $cxx ${flags[*]} FILE"
running=0
for i in "${!files[@]}"; do
  compile "$i" "${files[$i]}" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=()
for i in "${!files[@]}"; do
  if [ "$(cat "$logs/$i.rc" 2>/dev/null || echo missing)" = 0 ]; then
    echo "ok    ${files[$i]}"
  else
    echo "FAIL  ${files[$i]}"
    sed 's/^/      /' "$logs/$i.log"
    failed+=("${files[$i]}")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo
  echo "sdk-check: ${#failed[@]} of ${#files[@]} files do not compile against the SDK headers in $sdk:"
  printf '  %s\n' "${failed[@]}"
  exit 1
fi
echo "sdk-check: all ${#files[@]} files compile against the SDK headers in $sdk."
