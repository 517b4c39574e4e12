#include "spacecraft/talvek_vessel.h"

namespace {
// The order in which the templates are loaded, as the host sees it.
constexpr Mesh MESH_LOAD_ORDER[SPACECRAFT_MESH_COUNT] = {Mesh::Stack, Mesh::Descent, Mesh::MainChute, Mesh::Drogue};
}  // namespace

TalvekVessel::TalvekVessel(OBJHANDLE hVessel, ConfigurationTable configurations)
    : PayloadCarrier(hVessel), meshTemplates(LoadMeshTemplates()), arrays(*this), sequencer(configurations), burn(*this) {}

std::array<MESHHANDLE, SPACECRAFT_MESH_COUNT> TalvekVessel::LoadMeshTemplates() {
    std::array<MESHHANDLE, SPACECRAFT_MESH_COUNT> templates{};
    for (Mesh m : MESH_LOAD_ORDER) templates[static_cast<size_t>(m)] = oapiLoadMesh(MESH_FILES[static_cast<size_t>(m)]);
    return templates;
}
void TalvekVessel::SetClassCaps(FILEHANDLE) {}

void TalvekVessel::VisualCreated() {
    // The visual is only the vessel's picture: a vessel that is defined keeps its definition (a
    // full-stack interlude would cut a burn, drop a canopy and shift the capsule for two frames
    // every time the vessel comes back into view).
    if (!sequencer.defined) DefineBaseline();
}

void TalvekVessel::DefineBaseline() {
    if (const ConfigurationDef* stack = sequencer.Row(CONFIG_FULL_STACK)) DefineConfiguration(*stack);
    sequencer.DefinedAsBaseline();
}
