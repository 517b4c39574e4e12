#include "stage/stage_carrier.h"

namespace {
constexpr double J_DELAY = 1.0;  // [s]
constexpr int KEY_USED = 1;
constexpr int KEY_NOT_USED = 0;
// Payload meshes show in external and cockpit views, as on the Talvek.
constexpr int PAYLOAD_VISIBILITY = 3;
// Room for any value of a class file's item: the host reads lines of at most 511 characters.
constexpr int CLASS_ITEM_BUFFER = 512;
}  // namespace

StageCarrier::StageCarrier(OBJHANDLE hVessel) : PayloadCarrier(hVessel) { meshVisibilityMode = PAYLOAD_VISIBILITY; }

void StageCarrier::clbkSetClassCaps(FILEHANDLE cfg) { SetClassCaps(cfg); }

void StageCarrier::clbkLoadStateEx(FILEHANDLE scn, void* status) {
    if (Accepts(HostEvent::LoadState, HostRoute::Callback)) LoadStateEx(scn, status);
}

void StageCarrier::clbkPostCreation() {
    // A stage made by oapiCreateVessel (a released one) loads no state.
    if (!defined) DefineStage();
}

void StageCarrier::clbkVisualCreated(VISHANDLE, int) {
    if (Accepts(HostEvent::VisualCreated, HostRoute::Callback)) VisualCreated();
}

void StageCarrier::clbkPostStep(double, double, double) {
    if (Accepts(HostEvent::TimeStep, HostRoute::Callback)) Timestep();
}

void StageCarrier::clbkSaveState(FILEHANDLE scn) {
    if (Accepts(HostEvent::SaveState, HostRoute::Callback)) SaveState(scn);
}

int StageCarrier::clbkConsumeBufferedKey(BufferedKeyCode key, bool down, char* kstate) {
    return Accepts(HostEvent::Key, HostRoute::Callback) ? ConsumeBufferedKey(key, down, kstate) : 0;
}

// The class file defines everything else; the host applies it after this call.
void StageCarrier::SetClassCaps(FILEHANDLE cfg) {
    // Not const: the simulator declares the item char*.
    char item[] = "MeshName";
    char value[CLASS_ITEM_BUFFER];
    meshName = cfg && oapiReadItem_string(cfg, item, value) ? value : "";
}

void StageCarrier::LoadStateEx(FILEHANDLE scn, void* status) {
    char* line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        HandleScenarioLine(line);
        ParseScenarioLineEx(line, status);
    }
    FinishPayloadLines();
    DefineStage();
}

// An already defined stage coming back into view keeps its definition.
void StageCarrier::VisualCreated() {
    if (!defined) DefineStage();
}

void StageCarrier::Timestep() {
    // Older hosts have no post-creation call: a released stage defines itself in its first step.
    const bool arrived = CollectMessages();
    if (arrived || !defined) DefineStage();
}

void StageCarrier::SaveState(FILEHANDLE scn) {
    // Saved in the frame of its release, before its first step, the stage takes the contents that
    // wait for it now, and flies on as it is saved: a reload gives the same stage.
    if (CollectMessages()) DefineStage();
    SaveDefaultState(scn);
    SavePayloadLines(scn);
}

int StageCarrier::ConsumeBufferedKey(BufferedKeyCode key, bool pressed, char* keyboardState) {
    // As on the Talvek: J acts when it goes down, whatever the keyboard state shows of J itself
    // (the host's poll after the step); the state gives the modifiers.
    if (!pressed || key != static_cast<BufferedKeyCode>(OAPI_KEY_J)) return KEY_NOT_USED;
    if (KEYDOWN(keyboardState, OAPI_KEY_LSHIFT) || KEYDOWN(keyboardState, OAPI_KEY_RSHIFT)) return KEY_NOT_USED;
    if (KEYDOWN(keyboardState, OAPI_KEY_LCONTROL) || KEYDOWN(keyboardState, OAPI_KEY_RCONTROL)) return KEY_NOT_USED;
    if (oapiAcceptDelayedKey(OAPI_KEY_J, J_DELAY)) {
        ReleaseLastPayload();
        DefineStage();
        return KEY_USED;
    }
    return KEY_NOT_USED;
}

void StageCarrier::DefineStage() {
    if (!defined) dryMass = GetEmptyMass();
    defined = true;
    ClearVesselMeshes();
    AddMesh(StageMeshName());
    PlacePayloadMeshes();
    SetEmptyMass(dryMass + GetPayloadMass());
}

const char* StageCarrier::StageMeshName() const { return meshName.empty() ? GetClassName() : meshName.c_str(); }
