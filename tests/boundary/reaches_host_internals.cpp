// Compiled with the flags of the module's own libraries, this must fail: the module sees the
// host's declarations (host/) and its own folders, never the headless host's internals.
#include "carrier/payload_carrier.h"
#include "sim/world.h"
