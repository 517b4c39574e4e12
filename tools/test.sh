#!/usr/bin/env bash
# Builds everything and runs every test: once with g++, once with clang under the address
# and undefined-behaviour sanitizers, and once for Windows (cross-compiled with MinGW-w64, the
# tests run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh --windows
for preset in default sanitize windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
