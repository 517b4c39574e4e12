#!/usr/bin/env bash
# Builds the community Linux port of the simulator (TheGondos/orbiter, branch linux) from fetched
# mirrors, without its third-party add-ons, for tools/simulator-check.sh:
#
#   tools/simulator-check/build-port.sh MIRROR DEST
#
# MIRROR holds the bare mirrors TheGondos+orbiter, TheGondos+imgui, TheGondos+imgui-node-editor,
# altschuler+imgui-knobs, TheGondos+imgui-notify, TheGondos+imgui_md, TheGondos+libnsbmp,
# mity+md4c, gabomdq+SDL_GameControllerDB, TheGondos+SOIL2 and TheGondos+nanovg (each
# MIRROR/<owner>+<name>/repo). DEST gets src/ (the sources, patched by port.patch), build/,
# install/Orbiter and port-revision. Installs the port's packages with apt-get (needs root).
# About 5 minutes on two cores.
set -euo pipefail
mirror=${1:?usage: build-port.sh MIRROR DEST}
dest=${2:?usage: build-port.sh MIRROR DEST}
here="$(cd "$(dirname "$0")" && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"
rm -rf "$dest/src" "$dest/build" "$dest/install" "$dest/port-revision"

echo "build-port: packages"
apt-get update -qq >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cmake ninja-build g++ libglfw3-dev libfreetype-dev \
  libopenal-dev libfontconfig1-dev libsndfile1-dev libglm-dev zlib1g-dev xvfb libgl1-mesa-dri xauth >/dev/null

# A commit of a bare mirror into a folder. Files the mirror does not hold (its largest: big
# textures, documents, sounds) are left out; the headless core needs none of them.
checkout() { # GITDIR COMMIT DEST
  local index
  index=$(mktemp)
  mkdir -p "$3"
  GIT_INDEX_FILE=$index git --git-dir="$1" read-tree "$2"
  GIT_INDEX_FILE=$index git --git-dir="$1" --work-tree="$3" checkout-index -a -f 2>&1 | grep -c "unable to read" |
    sed "s|^|build-port:   $(basename "$(dirname "$1")"): files missing from the mirror: |" || true
  rm -f "$index"
}
repo() { # OWNER+NAME
  local m="$mirror/$1/repo"
  [ -d "$m/.git" ] && m="$m/.git"
  [ -d "$m" ] || { echo "build-port: $mirror/$1 is missing; fetch github:${1/+//} first." >&2; exit 1; }
  echo "$m"
}

echo "build-port: sources"
port=$(repo TheGondos+orbiter)
revision=$(git --git-dir="$port" rev-parse linux)
checkout "$port" "$revision" "$dest/src"
while read -r path name; do
  m=$(repo "$name")
  pin=$(git --git-dir="$port" ls-tree "$revision" "$path" | awk '{print $3}')
  if ! git --git-dir="$m" cat-file -e "$pin^{commit}" 2>/dev/null; then
    echo "build-port:   $path: the pinned $pin is not in the mirror; its HEAD instead"
    pin=HEAD
  fi
  checkout "$m" "$pin" "$dest/src/$path"
done <<'LIST'
Extern/imgui TheGondos+imgui
Extern/imgui-node-editor TheGondos+imgui-node-editor
Extern/imgui-knobs altschuler+imgui-knobs
Extern/imgui-notify TheGondos+imgui-notify
Extern/imgui_md TheGondos+imgui_md
Extern/libnsbmp TheGondos+libnsbmp
Extern/md4c mity+md4c
Extern/SDL_GameControllerDB gabomdq+SDL_GameControllerDB
OVP/OGLClient/SOIL2 TheGondos+SOIL2
OVP/OGLClient/nanovg TheGondos+nanovg
LIST

# port.patch: the command line read again (the port left it out), the add-ons not built, and no
# texture needed for planets (the mirror has none). The log goes to the working folder.
# oapiGetObjectType answers a null handle as the simulator does (the port crashed on it).
echo "build-port: patch"
(cd "$dest/src" && patch -p1 -s) <"$here/port.patch"
sed -i 's|INITLOG("[^"]*"|INITLOG("Orbiter.log"|' "$dest/src/Src/Orbiter/Orbiter.cpp"

echo "build-port: build (logs in $dest)"
cmake -S "$dest/src" -B "$dest/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBITER_MAKE_TESTS=OFF \
  >"$dest/configure.log" 2>&1
ninja -C "$dest/build" -j"$jobs" >"$dest/build.log" 2>&1 || { tail -30 "$dest/build.log" >&2; exit 1; }
cmake --install "$dest/build" --prefix "$dest/install" >"$dest/install.log" 2>&1
echo "TheGondos/orbiter linux ${revision:0:7}" >"$dest/port-revision"
echo "build-port: done, $(cat "$dest/port-revision")"
