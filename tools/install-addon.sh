#!/usr/bin/env bash
# Installs the add-on into a simulator's folder: class files into Config/Vessels, meshes into
# Meshes, scenarios into Scenarios (and whatever else the build's install rules lay out).
#   tools/install-addon.sh DIR [BUILD_DIR]      BUILD_DIR defaults to build/default
# The build folder must have been configured (and built); this script only installs, so it
# builds nothing behind the back of a test run that uses the same folder.
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

echo "installed from $build into $dir:"
printf '  %s\n' "${files[@]}" | sort
echo "$((new + current)) files: $new copied, $current already up to date"
