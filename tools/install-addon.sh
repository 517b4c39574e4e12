#!/usr/bin/env bash
# Installs the add-on into a host's folder: class files into Config/Vessels, meshes into
# Meshes, scenarios into Scenarios, and the build's modules into Modules (whatever the build's
# install rules lay out). Which host the folder then serves depends on the build (below).
#   tools/install-addon.sh DIR [BUILD_DIR]      BUILD_DIR defaults to build/default
# The build folder must have been configured (and built); this script only installs, so it
# builds nothing behind the back of a test run that uses the same folder.
#
# A build makes modules for one host: DLLs for the simulator on Windows, lib<Module>.so for its
# Linux port, <Module>.so for talvek-sim. Into a folder that is plainly another host's (a
# simulator's for Windows, with its .exe or Modules/*.dll; the port's, with its Orbiter
# executable) the script installs nothing and says which build that folder needs.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 DIR [BUILD_DIR]  (BUILD_DIR defaults to build/default)" >&2
  exit 2
fi
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"
build="${2:-$source_dir/build/default}"

if [ ! -f "$build/cmake_install.cmake" ]; then
  echo "$0: $build is not a configured build folder; build first: cmake --preset default && cmake --build --preset default" >&2
  exit 2
fi

# The modules this build installs, by the file names of its install rules: its install script and
# those it includes (not every script under the folder: other builds may be nested in it).
install_scripts() { # SCRIPT
  echo "$1"
  sed -n 's/^ *include("\(.*cmake_install\.cmake\)")$/\1/p' "$1" | while IFS= read -r script; do
    [ ! -f "$script" ] || install_scripts "$script"
  done
}
modules="$(install_scripts "$build/cmake_install.cmake" | while IFS= read -r script; do
  grep -hoE 'TYPE (MODULE|SHARED_LIBRARY) FILES "[^"]+"' "$script" || true
done | sed -E 's|.*FILES "(.*)"|\1|; s|.*/||' | sort -u | tr '\n' ' ')"
built=""
case " $modules" in
  *.dll\ * | *.DLL\ *) built=windows ;;
  *" lib"*.so\ *) built=linux-port ;;
  *.so\ *) built=talvek-sim ;;
esac
# What the folder already is: the simulator for Windows or its Linux port, or neither.
layout=""
marker=""
if [ -d "$dir" ]; then
  shopt -s nullglob nocaseglob
  exes=("$dir"/*.exe)
  dlls=("$dir"/Modules/*.dll)
  shopt -u nullglob nocaseglob
  if [ ${#exes[@]} -gt 0 ]; then
    layout=windows marker="${exes[0]#"$dir"/}"
  elif [ ${#dlls[@]} -gt 0 ]; then
    layout=windows marker="${dlls[0]#"$dir"/}"
  elif [ -f "$dir/Orbiter" ] && [ -x "$dir/Orbiter" ]; then
    layout=linux-port marker="the executable Orbiter"
  fi
fi
refuse() {
  echo "$0: $dir is $1 (it holds $marker), and $build builds $2 (${modules% }), which it cannot load; $3" >&2
  echo "Nothing was installed." >&2
  exit 2
}
case "$layout:$built" in
  windows:linux-port | windows:talvek-sim)
    refuse "a simulator folder for Windows" "Linux libraries" \
      "build the DLLs on Windows against the simulator's SDK (docs/building-for-the-simulator.md)." ;;
  linux-port:windows)
    refuse "a folder of the simulator's Linux port" "Windows DLLs" \
      "configure a build on Linux with -DORBITER_SDK_DIR=$dir/Orbitersdk (docs/building-for-the-simulator.md)." ;;
  linux-port:talvek-sim)
    refuse "a folder of the simulator's Linux port" "talvek-sim's modules" \
      "the port loads Modules/lib<Module>.so: configure a build with -DORBITER_SDK_DIR=$dir/Orbitersdk (docs/building-for-the-simulator.md)." ;;
esac

mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"

# What was installed is read from cmake's own report rather than from the build folder's
# install manifest, which another install from the same build may be rewriting.
report="$(cmake --install "$build" --prefix "$dir")"
new=0
current=0
files=()
while IFS= read -r line; do
  case "$line" in
    "-- Installing: "*) file="${line#-- Installing: }"; state=new ;;
    "-- Up-to-date: "*) file="${line#-- Up-to-date: }"; state=current ;;
    *) continue ;;
  esac
  [ -f "$file" ] || continue
  if [ "$state" = new ]; then new=$((new + 1)); else current=$((current + 1)); fi
  files+=("${file#"$dir"/}")
done <<<"$report"

case "$built" in
  windows) serves="the simulator on Windows" ;;
  linux-port) serves="the simulator's Linux port" ;;
  talvek-sim) serves="talvek-sim (talvek-sim run SCENARIO --root $dir); the simulator cannot load these modules: build them against its SDK (docs/building-for-the-simulator.md)" ;;
  *) serves="" ;;
esac
echo "installed from $build into $dir:"
printf '  %s\n' "${files[@]}" | sort
echo "$((new + current)) files: $new copied, $current already up to date"
[ -z "$serves" ] || echo "the folder's modules are for $serves"
