// The carrier's internal state, for tests and benchmarks that set it up or check it directly.
// The module itself never includes this header.
#pragma once

#include <cstdint>
#include <vector>

#include "carrier/payload_carrier.h"

struct PayloadCarrierTestAccess {
    static PayloadSlot& Slot(PayloadCarrier& c, int i) { return c.slots[i]; }
    static std::int16_t OpenStage(const PayloadCarrier& c) { return c.currentStage; }
    static std::vector<PayloadMeshEntry>& MeshList(PayloadCarrier& c) { return c.meshList; }
    static LibraryHandle MessageModule(const PayloadCarrier& c) { return c.messageModule; }
    static const VECTOR3& ReleaseVelocityOverride(const PayloadCarrier& c) { return c.releaseVelocityOverride; }
    static bool OverridePending(const PayloadCarrier& c) { return c.overridePending; }
    static void SendVesselMessage(PayloadCarrier& c, VESSEL* target, const char* name, const char* text) {
        c.SendVesselMessage(target, name, text);
    }
    // Every slot detached and no stage open, as before the first line.
    static void DetachAll(PayloadCarrier& c) {
        for (PayloadSlot& slot : c.slots) slot.attached = false;
        c.currentStage = -1;
        c.refusedStageLevels = 0;
    }
};
