#!/usr/bin/env bash
# Draws the Talvek in each of its flight configurations (0 full stack, 1 descent module, 2 drogue,
# 3 main parachute, 4 landing) with talvek-sim render, into docs/images/configuration-N.png, and
# the full stack as the shipped flight starts it (arrays stowed, the satellite in its payload
# slot) into docs/images/configuration-0-payload.png. Builds talvek-sim and the root first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target talvek-sim talvek_root

sim=build/default/bin/talvek-sim
root=build/default/root
out=docs/images
size=1200x900
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for n in 0 1 2 3 4; do
  # The shipped orbit scenario with this configuration, arrays out (only the full stack has them).
  scenario="$work/configuration-$n.scn"
  sed -e "s/^  CONFIGURATION 0\$/  CONFIGURATION $n/" -e 's/^  PANELS 0\.0$/  PANELS 1.0/' \
    "$root/Scenarios/Talvek-orbit.scn" >"$scenario"
  if ! grep -q "^  CONFIGURATION $n\$" "$scenario" || ! grep -q '^  PANELS 1\.0$' "$scenario"; then
    echo "render-configurations: Talvek-orbit.scn no longer has the lines '  CONFIGURATION 0' and '  PANELS 0.0'" >&2
    exit 1
  fi
  "$sim" render "$scenario" --vessel Talvek --size "$size" --out "$out/configuration-$n.png"
done
"$sim" render Talvek-deorbit.scn --vessel Talvek --size "$size" --out "$out/configuration-0-payload.png"
