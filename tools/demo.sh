#!/usr/bin/env bash
# Builds everything and runs the main job: the shipped orbit scenario in talvek-sim, with the
# event timeline, the saved scenario and the JSON dump written to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

out=build/demo
mkdir -p "$out"
build/default/bin/talvek-sim run Talvek-orbit.scn --until 10 --events \
  --save "$out/orbit-end.scn" --dump "$out/orbit-end.json"
echo "saved scenario: $out/orbit-end.scn"
echo "vessel records: $out/orbit-end.json"
