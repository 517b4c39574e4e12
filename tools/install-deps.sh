#!/usr/bin/env bash
# Installs the Debian packages that the build needs beyond what a fresh machine has.
# Asks nothing; does nothing when everything is already there.
#
#   tools/install-deps.sh              what the Linux build needs
#   tools/install-deps.sh --windows    and what the Windows build and its tests need (Wine)
set -euo pipefail

# libcli11-dev, nlohmann-json3-dev: header-only, talvek-sim's command line and JSON dump.
# libstb-dev: header-only, talvek-sim render writes its pictures as PNG with stb_image_write.h.
# gnuplot-nox: draws --plot.
# g++-mingw-w64-x86-64: the cross compiler of the check against the simulator's SDK headers and
# of the windows preset.
# libglfw3-dev: the SDK of the simulator's Linux port includes GLFW's header (its SDK checks).
packages=(libcli11-dev nlohmann-json3-dev libstb-dev gnuplot-nox g++-mingw-w64-x86-64 libglfw3-dev)
case "${1:-}" in
  "") ;;
  # wine64: runs the Windows build's programs and tests. googletest: GoogleTest's sources, built
  # with the cross compiler (Debian has no GoogleTest for MinGW).
  --windows) packages+=(wine64 googletest) ;;
  *) echo "usage: $0 [--windows]" >&2; exit 2 ;;
esac
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
