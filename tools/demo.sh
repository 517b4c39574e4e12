#!/usr/bin/env bash
# Builds what the flight needs and runs the main job: the whole flight from a 400 km orbit to touchdown in
# talvek-sim. Prints the event timeline (with the touchdown speeds) and writes the telemetry,
# its plot, the saved scenario and the JSON record of every vessel to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default >/dev/null
# Only what the flight needs: the host program and the root with its modules (tests and
# benchmarks are built by tools/test.sh).
cmake --build --preset default --target talvek-sim talvek_root

out=build/demo
mkdir -p "$out"
root=build/default/root
build/default/bin/talvek-sim run Talvek-deorbit.scn --script "$root/Scenarios/Talvek-deorbit.txt" --events \
  --telemetry "$out/flight.csv" --plot "$out/flight.png" --save "$out/flight-end.scn" --dump "$out/flight-end.json"
echo "telemetry: $out/flight.csv"
echo "plot:      $out/flight.png"
echo "saved:     $out/flight-end.scn"
echo "records:   $out/flight-end.json"
