#!/usr/bin/env bash
# Installs the Debian packages that the build needs beyond what a fresh machine has.
# Asks nothing; does nothing when everything is already there.
set -euo pipefail

# g++-mingw-w64-x86-64: the cross compiler of the check against the simulator's SDK headers.
# libpng-dev: talvek-sim render writes its pictures as PNG through libpng.
# libglfw3-dev: the SDK of the simulator's Linux port includes GLFW's header (its SDK checks).
packages=(libcli11-dev nlohmann-json3-dev gnuplot-nox g++-mingw-w64-x86-64 libpng-dev libglfw3-dev)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
