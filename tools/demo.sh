#!/usr/bin/env bash
# Builds what the flight needs and runs the main job: the whole flight from a 400 km orbit to touchdown in
# talvek-sim. Prints the event timeline (with the touchdown speeds) and writes the telemetry,
# its plot, the saved scenario and the JSON record of every vessel to build/demo/.
#
#   tools/demo.sh             with the Linux build (default preset)
#   tools/demo.sh --windows   with the Windows build (windows preset), run under Wine; to build/demo-windows/
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  "") preset=default out=build/demo ;;
  --windows) preset=windows out=build/demo-windows ;;
  *) echo "usage: $0 [--windows]" >&2; exit 2 ;;
esac

if [ "$preset" = default ]; then tools/install-deps.sh; else tools/install-deps.sh --windows; fi
cmake --preset "$preset" >/dev/null
# Only what the flight needs: the host program and the root with its modules (tests and
# benchmarks are built by tools/test.sh).
targets=(talvek-sim talvek_root)
mkdir -p "$out"
sim=(build/$preset/bin/talvek-sim)
root=build/$preset/root
if [ "$preset" = windows ]; then
  # Wine in the build's own Wine folder; gnuplot through the tests' stand-in (tests/wine/), as
  # Debian has no gnuplot for Windows.
  targets+=(wine_gnuplot)
  wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
  export WINEPREFIX="$PWD/build/windows/wine" WINELOADER="$wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPATH="Z:$PWD/build/windows/wine-path"
  sim=("$wine" build/windows/bin/talvek-sim.exe)
fi
cmake --build --preset "$preset" --target "${targets[@]}"

"${sim[@]}" run Talvek-deorbit.scn --script "$root/Scenarios/Talvek-deorbit.txt" --events \
  --telemetry "$out/flight.csv" --plot "$out/flight.png" --save "$out/flight-end.scn" --dump "$out/flight-end.json"
echo "telemetry: $out/flight.csv"
echo "plot:      $out/flight.png"
echo "saved:     $out/flight-end.scn"
echo "records:   $out/flight-end.json"
