#!/usr/bin/env bash
# Tests tools/sdk-check.sh itself on small trees made here: that it compiles against the SDK and
# not the tree's own host/ headers, covers every module folder, passes correct files, names each
# failing file with the compiler's errors, and tells a missing SDK (skip) from a missing compiler;
# and, given the Linux port's SDK, that the check against it holds a module to the port's
# declarations (its int key) through the same shim names.
#
#   tools/sdk-check-selftest.sh [--sdk DIR] [--port-sdk DIR] --work DIR
#
# Exit status: 0 every case behaves; 1 a case does not; 77 the simulator's SDK headers are not
# there. Without the port's headers its cases are left out, and the output says so.
set -euo pipefail

project="$(cd "$(dirname "$0")/.." && pwd)"
check="$project/tools/sdk-check.sh"
sdk="$project/../shared/orbitersdk/include"
port_sdk="$project/../shared/orbitersdk-port/include"
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sdk) sdk="${2:?--sdk needs a folder}" ;;
    --port-sdk) port_sdk="${2:?--port-sdk needs a folder}" ;;
    --work) work="${2:?--work needs a folder}" ;;
    *) echo "usage: $0 [--sdk DIR] [--port-sdk DIR] --work DIR" >&2; exit 2 ;;
  esac
  shift 2
done
[ -n "$work" ] || { echo "usage: $0 [--sdk DIR] [--port-sdk DIR] --work DIR" >&2; exit 2; }
if [ ! -f "$sdk/OrbiterAPI.h" ]; then
  echo "sdk-check-selftest skipped: no OrbiterAPI.h in $sdk (the CMake cache variable TALVEK_SDK_INCLUDE)."
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
problems=0
output=""
status=0

# Runs the check; its output and exit status land in $output and $status.
run_check() {
  status=0
  output="$("$check" "$@" 2>&1)" || status=$?
}
problem() {
  echo "PROBLEM: $1"
  echo "  the check's output was:"
  printf '%s\n' "$output" | sed 's/^/    /'
  problems=$((problems + 1))
}
expect_status() { [ "$status" = "$1" ] || problem "$2: exit status $status, expected $1"; }
expect_text() { printf '%s\n' "$output" | grep -qF -- "$1" || problem "$2: no \"$1\" in the output"; }
refuse_text() { ! printf '%s\n' "$output" | grep -qF -- "$1" || problem "$2: \"$1\" in the output"; }

# A tree whose own host/ headers stop the compiler: a file that passes must have reached the SDK.
good="$work/good"
mkdir -p "$good/host" "$good/module" "$good/messagebus"
for h in orbiter vessel; do
  printf '#pragma once\n#error "the tree'"'"'s own host/%s.h was compiled instead of the SDK shim"\n' "$h" \
    >"$good/host/$h.h"
done
cat >"$good/module/probe.cpp" <<'EOF'
#include "host/orbiter.h"
#include "host/vessel.h"

class Probe : public VESSEL2 {
public:
    explicit Probe(OBJHANDLE hvessel) : VESSEL2(hvessel, 1) {}
    void clbkSetClassCaps(FILEHANDLE) override { SetSize(2.0 * PI); }
};

DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int) { return new Probe(hvessel); }
DLLCLBK void ovcExit(VESSEL* vessel) { delete static_cast<Probe*>(vessel); }
EOF
cat >"$good/messagebus/plain.cpp" <<'EOF'
extern "C" int Plain() { return 0; }
EOF

run_check --root "$good" --sdk "$sdk" --work "$work/good-work"
expect_status 0 "correct files"
expect_text "ok    module/probe.cpp" "correct files"
expect_text "ok    messagebus/plain.cpp" "correct files"
refuse_text "FAIL" "correct files"

# The same tree with one fault in each module folder, each one the SDK rejects.
bad="$work/bad"
cp -r "$good" "$bad"
mkdir -p "$bad/spacecraft" "$bad/carrier" "$bad/messages"
cat >"$bad/module/virtual_destructor.cpp" <<'EOF'
#include "host/orbiter.h"
class Craft : public VESSEL2 {
public:
    explicit Craft(OBJHANDLE hvessel) : VESSEL2(hvessel, 1) {}
    ~Craft() override {}
};
EOF
cat >"$bad/spacecraft/const_stream.cpp" <<'EOF'
#include "host/vessel.h"
void Exhaust(VESSEL* vessel, THRUSTER_HANDLE thruster, const PARTICLESTREAMSPEC* stream) {
    vessel->AddExhaustStream(thruster, stream);
}
EOF
cat >"$bad/carrier/const_string.cpp" <<'EOF'
#include "host/orbiter.h"
void Save(FILEHANDLE scn, const char* key, const char* value) { oapiWriteScenario_string(scn, key, value); }
EOF
cat >"$bad/messages/own_loader.cpp" <<'EOF'
#include "host/orbiter.h"
using HMODULE = void*;
EOF
cat >"$bad/messagebus/undeclared.cpp" <<'EOF'
int Broken() { return undeclared_name; }
EOF

run_check --root "$bad" --sdk "$sdk" --work "$work/bad-work"
expect_status 1 "a fault in each folder"
for f in module/virtual_destructor.cpp spacecraft/const_stream.cpp carrier/const_string.cpp \
  messages/own_loader.cpp messagebus/undeclared.cpp; do
  expect_text "FAIL  $f" "a fault in each folder"
  expect_text "$f:" "the compiler's errors for $f"
done
expect_text "ok    module/probe.cpp" "a fault in each folder"
expect_text "5 of 7 files" "a fault in each folder"

run_check --root "$good" --sdk "$work/no-sdk-here" --work "$work/skip-work"
expect_status 77 "no SDK"
expect_text "$work/no-sdk-here" "no SDK"
expect_text "TALVEK_SDK_INCLUDE" "no SDK"

run_check --root "$good" --sdk "$sdk" --work "$work/cxx-work" --cxx "$work/no-such-compiler"
expect_status 1 "no compiler"
expect_text "tools/install-deps.sh" "no compiler"

empty="$work/empty"
mkdir -p "$empty/host" "$empty/module"
cp "$good/host/orbiter.h" "$empty/host/"
run_check --root "$empty" --sdk "$sdk" --work "$work/empty-work"
expect_status 1 "no sources"
expect_text "nothing was checked" "no sources"

# The port's SDK: the same correct tree passes; a key callback written with the simulator's DWORD
# passes against its SDK but not against the port's, whose key is an int; written with the shim's
# BufferedKeyCode it passes against both.
if [ -f "$port_sdk/OrbiterAPI.h" ]; then
  keys="$work/keys"
  cp -r "$good" "$keys"
  mkdir -p "$keys/stage"
  cat >"$keys/module/key_dword.cpp" <<'EOF'
#include "host/orbiter.h"
class Keys : public VESSEL2 {
public:
    explicit Keys(OBJHANDLE hvessel) : VESSEL2(hvessel, 1) {}
    int clbkConsumeBufferedKey(DWORD key, bool, char*) override { return key == OAPI_KEY_J; }
};
EOF
  sed 's/DWORD key/BufferedKeyCode key/' "$keys/module/key_dword.cpp" >"$keys/stage/key_either.cpp"

  run_check --kind linux-port --root "$good" --sdk "$port_sdk" --work "$work/port-good-work"
  expect_status 0 "correct files, the port's SDK"
  expect_text "ok    module/probe.cpp" "correct files, the port's SDK"

  run_check --kind linux-port --root "$keys" --sdk "$port_sdk" --work "$work/port-keys-work"
  expect_status 1 "a DWORD key, the port's SDK"
  expect_text "FAIL  module/key_dword.cpp" "a DWORD key, the port's SDK"
  expect_text "ok    stage/key_either.cpp" "a BufferedKeyCode key, the port's SDK"

  run_check --root "$keys" --sdk "$sdk" --work "$work/windows-keys-work"
  expect_status 0 "both keys, the simulator's SDK"
  expect_text "ok    module/key_dword.cpp" "a DWORD key, the simulator's SDK"
  expect_text "ok    stage/key_either.cpp" "a BufferedKeyCode key, the simulator's SDK"

  run_check --kind linux-port --root "$good" --sdk "$work/no-sdk-here" --work "$work/port-skip-work"
  expect_status 77 "no port SDK"
  expect_text "TALVEK_PORT_SDK_INCLUDE" "no port SDK"

  run_check --kind mac --root "$good" --sdk "$sdk" --work "$work/kind-work"
  expect_status 2 "an unknown kind"
else
  echo "sdk-check-selftest: no OrbiterAPI.h in $port_sdk (the CMake cache variable TALVEK_PORT_SDK_INCLUDE): the cases of the port's SDK are left out"
fi

if [ "$problems" -gt 0 ]; then
  echo "sdk-check-selftest: $problems problems"
  exit 1
fi
echo "sdk-check-selftest: the check behaves in every case"
