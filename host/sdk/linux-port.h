// Stands in for each of the project's host/ headers when the modules are built against the SDK of
// the simulator's Linux port (ORBITER_SDK_DIR on Linux): the port's declarations instead of the
// headless host's.
#pragma once
#include "OrbiterAPI.h"
#include "VesselAPI.h"

#include <cstdint>

// The port declares with <cstdint> types where the simulator's SDK has the Windows names that the
// module is written with; these are the types the port puts in their place.
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
// Its VESSEL2::clbkConsumeBufferedKey takes an int key.
using BufferedKeyCode = int;
