// Drawing and weighing the attached payloads.
#include "carrier/payload_carrier.h"

namespace {
constexpr double MASS_DIVISION_THRESHOLD = 0.0001;  // [kg] at or below it the centre stays undivided
}  // namespace

void PayloadCarrier::PlacePayloadMeshes(const VECTOR3& offset) {
    try {
        for (PayloadSlot& slot : slots) {
            if (!slot.attached) continue;
            slot.releasePosition = slot.mesh.position + offset;
            meshList.push_back(slot.mesh);
        }
        // The whole list is added, earlier entries too: a placement relies on the mesh clearing
        // before it.
        for (PayloadMeshEntry& entry : meshList) {
            const VECTOR3 position = entry.position + offset;
            const UINT index = AddMesh(entry.meshHandle, &position);
            entry.meshIndex = static_cast<int>(index);
            SetMeshVisibilityMode(index, static_cast<WORD>(meshVisibilityMode));
        }
    } catch (...) {
        // What was placed so far stays.
    }
}

void PayloadCarrier::PlacePayloadMeshes() { PlacePayloadMeshes(VECTOR3{0, 0, 0}); }

double PayloadCarrier::GetPayloadMass(VECTOR3& centre) {
    centre = VECTOR3{0, 0, 0};
    double total = 0.0;
    for (const PayloadSlot& slot : slots) {
        if (!slot.attached) continue;
        centre += slot.mesh.position * slot.mass;
        total += slot.mass;
    }
    if (total > MASS_DIVISION_THRESHOLD) centre = centre / total;
    return total;
}

double PayloadCarrier::GetPayloadMass() {
    VECTOR3 centre;
    return GetPayloadMass(centre);
}
