// Stands in for each of the project's host/ headers when the modules are built against the
// simulator's SDK on Windows (ORBITER_SDK_DIR): the SDK's own declarations instead of the
// headless host's. Only the names that host/ adds for the module are given here.
#pragma once
#include "OrbiterAPI.h"
#include "VesselAPI.h"

using BufferedKeyCode = DWORD;
