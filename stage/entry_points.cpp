// The eight entry points through which older hosts drive every stage.
#include "carrier/vessel_entry_points.h"
#include "host/orbiter.h"
#include "stage/stage_carrier.h"

namespace {
using Stage = VesselEntryPoints<StageCarrier>;
}  // namespace

// The flight model number is not passed on: the carrier always uses flight model 1.
DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int /*flightmodel*/) { return Stage::Init(hvessel); }
DLLCLBK void ovcExit(VESSEL* vessel) { Stage::Exit(vessel); }
DLLCLBK void ovcSetClassCaps(VESSEL* vessel, FILEHANDLE cfg) { Stage::SetClassCaps(vessel, cfg); }
// The simulation time is not read: the step length comes from the host.
DLLCLBK void ovcTimestep(VESSEL* vessel, double /*simt*/) { Stage::Timestep(vessel); }
DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE /*vis*/, int /*refcount*/) { Stage::VisualCreated(vessel); }
DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) { Stage::LoadStateEx(vessel, scn, status); }
DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) { Stage::SaveState(vessel, scn); }
DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
    return Stage::ConsumeBufferedKey(vessel, key, down, kstate);
}
