// The three exhaust stream descriptions shared by the configurations' thrusters.
#pragma once

#include "host/hosttypes.h"

// Attitude thrusters.
extern const PARTICLESTREAMSPEC ATT_EXHAUST;
// The main engine (with the short one) and the landing thrusters.
extern const PARTICLESTREAMSPEC ENGINE_EXHAUST_LONG;
// The main engine's second stream.
extern const PARTICLESTREAMSPEC ENGINE_EXHAUST_SHORT;

// The host's AddExhaustStream takes a non-const pointer but only copies the description.
inline PARTICLESTREAMSPEC* ExhaustSpec(const PARTICLESTREAMSPEC& spec) { return const_cast<PARTICLESTREAMSPEC*>(&spec); }
