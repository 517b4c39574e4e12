// The current simulator reaches the vessel through the VESSEL2 callbacks; older hosts through
// the exported entry points. Both run the same operations.
#include "spacecraft/talvek_vessel.h"

void TalvekVessel::clbkSetClassCaps(FILEHANDLE cfg) { SetClassCaps(cfg); }

void TalvekVessel::clbkLoadStateEx(FILEHANDLE scn, void* status) {
    if (Accepts(HostEvent::LoadState, HostRoute::Callback)) LoadStateEx(scn, status);
}

void TalvekVessel::clbkPostCreation() {
    // A vessel made by oapiCreateVessel gets no state load, and its visual may come late or never
    // (it only comes when the vessel is seen): without this it would fly with no mass and no engines.
    if (!sequencer.defined) DefineBaseline();
}

void TalvekVessel::clbkVisualCreated(VISHANDLE, int) {
    if (Accepts(HostEvent::VisualCreated, HostRoute::Callback)) VisualCreated();
}

void TalvekVessel::clbkPreStep(double, double, double) {
    if (Accepts(HostEvent::TimeStep, HostRoute::Callback)) PreStep();
}

void TalvekVessel::clbkPostStep(double, double simdt, double) {
    if (Accepts(HostEvent::TimeStep, HostRoute::Callback)) Step(simdt);
}

void TalvekVessel::clbkSaveState(FILEHANDLE scn) {
    if (Accepts(HostEvent::SaveState, HostRoute::Callback)) SaveState(scn);
}

int TalvekVessel::clbkConsumeBufferedKey(BufferedKeyCode key, bool down, char* kstate) {
    return Accepts(HostEvent::Key, HostRoute::Callback) ? ConsumeBufferedKey(key, down, kstate) : 0;
}
