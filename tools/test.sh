#!/usr/bin/env bash
# Builds everything and runs every test: once with g++, once with clang under the address
# and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
for preset in default sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
