// The eight entry points through which older hosts drive every stage. Each converts the
// host's VESSEL pointer back to the stage object and forwards. The current simulator looks
// up only ovcInit and ovcExit and reaches the object through its VESSEL2 callbacks instead.
#include <new>

#include "host/orbiter.h"
#include "stage/stage_carrier.h"

namespace {
StageCarrier* Stage(VESSEL* vessel) { return static_cast<StageCarrier*>(vessel); }

// The object, when this event is the entry points' to deliver (not already the callbacks').
StageCarrier* Routed(VESSEL* vessel, HostEvent event) {
    StageCarrier* s = Stage(vessel);
    return s->Accepts(event, HostRoute::EntryPoint) ? s : nullptr;
}
}  // namespace

// The flight model number is not passed on: the carrier always uses flight model 1.
DLLCLBK VESSEL* ovcInit(OBJHANDLE hvessel, int /*flightmodel*/) {
    try {
        return new StageCarrier(hvessel);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

DLLCLBK void ovcExit(VESSEL* vessel) {
    if (vessel) delete Stage(vessel);
}

DLLCLBK void ovcSetClassCaps(VESSEL* vessel, FILEHANDLE cfg) { Stage(vessel)->SetClassCaps(cfg); }

// The simulation time is not read: the step length comes from the host.
DLLCLBK void ovcTimestep(VESSEL* vessel, double /*simt*/) {
    if (StageCarrier* s = Routed(vessel, HostEvent::TimeStep)) s->Timestep();
}

DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE /*vis*/, int /*refcount*/) {
    if (StageCarrier* s = Routed(vessel, HostEvent::VisualCreated)) s->VisualCreated();
}

DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) {
    if (StageCarrier* s = Routed(vessel, HostEvent::LoadState)) s->LoadStateEx(scn, status);
}

DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) {
    if (StageCarrier* s = Routed(vessel, HostEvent::SaveState)) s->SaveState(scn);
}

DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
    StageCarrier* s = Routed(vessel, HostEvent::Key);
    return s ? s->ConsumeBufferedKey(key, down, kstate) : 0;
}
