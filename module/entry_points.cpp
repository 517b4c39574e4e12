// The eight entry points through which older hosts drive every Talvek vessel. Each converts the
// host's VESSEL pointer back to the spacecraft object and forwards. The current simulator looks
// up only ovcInit and ovcExit and reaches the object through its VESSEL2 callbacks instead.
#include <new>

#include "host/orbiter.h"
#include "spacecraft/talvek_vessel.h"

namespace {
TalvekVessel* Talvek(VESSEL* vessel) { return static_cast<TalvekVessel*>(vessel); }

// The object, when this event is the entry points' to deliver (not already the callbacks').
TalvekVessel* Routed(VESSEL* vessel, HostEvent event) {
    TalvekVessel* t = Talvek(vessel);
    return t->Accepts(event, HostRoute::EntryPoint) ? t : nullptr;
}
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
DLLCLBK void ovcTimestep(VESSEL* vessel, double /*simt*/) {
    if (TalvekVessel* t = Routed(vessel, HostEvent::TimeStep)) t->Timestep();
}

DLLCLBK void ovcVisualCreated(VESSEL* vessel, VISHANDLE /*vis*/, int /*refcount*/) {
    if (TalvekVessel* t = Routed(vessel, HostEvent::VisualCreated)) t->VisualCreated();
}

DLLCLBK void ovcLoadStateEx(VESSEL* vessel, FILEHANDLE scn, void* status) {
    if (TalvekVessel* t = Routed(vessel, HostEvent::LoadState)) t->LoadStateEx(scn, status);
}

DLLCLBK void ovcSaveState(VESSEL* vessel, FILEHANDLE scn) {
    if (TalvekVessel* t = Routed(vessel, HostEvent::SaveState)) t->SaveState(scn);
}

DLLCLBK int ovcConsumeBufferedKey(VESSEL* vessel, DWORD key, bool down, char* kstate) {
    TalvekVessel* t = Routed(vessel, HostEvent::Key);
    return t ? t->ConsumeBufferedKey(key, down, kstate) : 0;
}
