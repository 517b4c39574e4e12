// The baseline of a module's per-frame step: an exported entry point with its signature that
// does nothing, called through the pointer that a host looks up.
#include "host/hosttypes.h"

class VESSEL;

DLLCLBK void ovcTimestep(VESSEL*, double) {}
