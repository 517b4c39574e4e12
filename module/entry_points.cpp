// The eight entry points through which older hosts drive every Talvek vessel.
#include "carrier/vessel_entry_points.h"
#include "host/orbiter.h"
#include "spacecraft/talvek_vessel.h"

namespace {
using Talvek = VesselEntryPoints<TalvekVessel>;
}  // namespace

// The flight model number is not passed on: the carrier always uses flight model 1.
DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int /*flightmodel*/) { return Talvek::Init(hvessel); }
DLLCLBK void ovcExit(VESSEL* vessel) { Talvek::Exit(vessel); }
DLLCLBK void ovcSetClassCaps(VESSEL* vessel, FILEHANDLE cfg) { Talvek::SetClassCaps(vessel, cfg); }
// The simulation time is not read: the step length comes from the host.
DLLCLBK void ovcTimestep(VESSEL* vessel, double /*simt*/) { Talvek::Timestep(vessel); }
DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE /*vis*/, int /*refcount*/) { Talvek::VisualCreated(vessel); }
DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) { Talvek::LoadStateEx(vessel, scn, status); }
DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) { Talvek::SaveState(vessel, scn); }
DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
    return Talvek::ConsumeBufferedKey(vessel, key, down, kstate);
}
