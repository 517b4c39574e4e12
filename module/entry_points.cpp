// The eight entry points through which the host drives every Talvek vessel. Each converts
// the host's VESSEL pointer back to the spacecraft object and forwards.
#include <new>

#include "host/orbiter.h"
#include "spacecraft/talvek_vessel.h"

namespace {
TalvekVessel* Talvek(VESSEL* vessel) { return static_cast<TalvekVessel*>(vessel); }
}  // namespace

// The flight model number is not passed on: the carrier always uses flight model 1.
DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int /*flightmodel*/) {
    try {
        return new TalvekVessel(hvessel);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

DLLCLBK void ovcExit(VESSEL* vessel) {
    if (vessel) delete Talvek(vessel);
}

DLLCLBK void ovcSetClassCaps(VESSEL* vessel, FILEHANDLE cfg) { Talvek(vessel)->SetClassCaps(cfg); }

// The simulation time is not read: the step length comes from the host.
DLLCLBK void ovcTimestep(VESSEL* vessel, double /*simt*/) { Talvek(vessel)->Timestep(); }

DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE /*vis*/, int /*refcount*/) { Talvek(vessel)->VisualCreated(); }

DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) { Talvek(vessel)->LoadStateEx(scn, status); }

DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) { Talvek(vessel)->SaveState(scn); }

DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
    return Talvek(vessel)->ConsumeBufferedKey(key, down, kstate);
}
