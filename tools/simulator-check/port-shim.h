#pragma once
// Stands in for each of the project's host/ headers when the modules are built against the Linux
// port of the simulator: the port's SDK instead of the headless host's declarations.
#include "OrbiterAPI.h"
#include "VesselAPI.h"

#include <cstdint>

// The port's headers use <cstdint> types where the simulator's SDK has the Windows names that
// the module is written with. Its VESSEL2::clbkConsumeBufferedKey takes an int key where the SDK
// has DWORD, so DWORD must be int for the module's override to match.
typedef int DWORD;
typedef uint16_t WORD;
typedef unsigned int UINT;
