#include "spacecraft/talvek_vessel.h"

namespace {
constexpr const char* MESH_STACK = "talvek";
constexpr const char* MESH_DESCENT = "talvek-descent";
constexpr const char* MESH_MAIN_CHUTE = "tlvchute";
constexpr const char* MESH_DROGUE = "tlvdrogue";
}  // namespace

TalvekVessel::TalvekVessel(OBJHANDLE hVessel)
    : PayloadCarrier(hVessel),
      meshStack(oapiLoadMesh(MESH_STACK)),
      meshDescent(oapiLoadMesh(MESH_DESCENT)),
      meshMainChute(oapiLoadMesh(MESH_MAIN_CHUTE)),
      meshDrogue(oapiLoadMesh(MESH_DROGUE)),
      arrays(*this) {
    mainTank = nullptr;
    descentAttTank = nullptr;
    landingTank = nullptr;
    mainThruster = nullptr;
    for (auto& row : attThrusters)
        for (auto& th : row) th = nullptr;
    landingThruster = nullptr;
    dockPort = nullptr;

    cogShift = VECTOR3{0, 0, 0};

}

void TalvekVessel::SetClassCaps(FILEHANDLE) {}

void TalvekVessel::VisualCreated() {
    // The visual is only the vessel's picture: a vessel that is defined keeps its definition (a
    // full-stack interlude would cut a burn, drop a canopy and shift the capsule for two frames
    // every time the vessel comes back into view).
    if (!sequencer.defined) DefineBaseline();
}

void TalvekVessel::DefineBaseline() {
    SetupFullStack();
    sequencer.DefinedAsBaseline();
}
