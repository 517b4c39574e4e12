#include "carrier/payload_carrier.h"

#include <algorithm>

#include "messages/message_channel.h"

namespace {
constexpr int MESH_VISIBLE_EXTERNAL = 1;
constexpr VECTOR3 DEFAULT_RELEASE_VELOCITY{0, 0, 1};  // [m/s]
}  // namespace

void MessageReceiver::OnMessage(const char*, const char*) {}

PayloadCarrier::PayloadCarrier(OBJHANDLE hVessel) : VESSEL2(hVessel, 1), slots(), meshList() {
    ClearVesselMeshes();
    for (PayloadSlot& slot : slots) slot = PayloadSlot{};
    currentStage = -1;
    refusedStageLevels = 0;
    meshVisibilityMode = MESH_VISIBLE_EXTERNAL;
    messageModule = LoadRuntimeLibrary(MESSAGE_MODULE_PATH);
    overridePending = false;
    releaseVelocityOverride = DEFAULT_RELEASE_VELOCITY;
}

PayloadCarrier::~PayloadCarrier() {
    FreeRuntimeLibrary(messageModule);
}

int PayloadCarrier::AttachedPayloadCount() const {
    const auto attached = [](const PayloadSlot& s) { return s.attached; };
    return static_cast<int>(std::count_if(std::begin(slots), std::end(slots), attached));
}

bool PayloadCarrier::Accepts(HostEvent event, HostRoute route) {
    HostRoute& owner = eventRoutes[static_cast<int>(event)];
    if (owner == HostRoute::None) owner = route;
    return owner == route;
}

void PayloadCarrier::ClearVesselMeshes() {
    try {
        ClearMeshes();
        meshList.clear();
    } catch (...) {
        // The host failed; the mesh list keeps its entries.
    }
}

void PayloadCarrier::SetReleaseVelocity(const VECTOR3& velocity) {
    releaseVelocityOverride = velocity;
    overridePending = true;
}
