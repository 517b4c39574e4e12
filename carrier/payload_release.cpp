// Releasing the last payload, or the stage that holds it, as a vessel of its own.
#include <cmath>
#include <cstdio>

#include "carrier/degrees.h"
#include "carrier/internal/child_vessel.h"
#include "carrier/internal/payload_table.h"
#include "carrier/payload_carrier.h"

VECTOR3 PayloadCarrier::ReleaseOrientation(double rotation) const {
    const double a = DegreesToRadians(rotation);
    // The new vessel's axes in the carrier's frame: the carrier's turned by a about its x axis.
    VECTOR3 gx, gy, gz;
    GlobalRot(VECTOR3{1, 0, 0}, gx);
    GlobalRot(VECTOR3{0, std::cos(a), std::sin(a)}, gy);
    GlobalRot(VECTOR3{0, -std::sin(a), std::cos(a)}, gz);
    const double lengthZ = std::sqrt(gz.x * gz.x + gz.y * gz.y + gz.z * gz.z);
    return VECTOR3{std::atan2(gz.y, gz.z), std::asin(-gz.x / lengthZ), std::atan2(gy.x, gx.x)};
}

VESSEL* PayloadCarrier::ReleaseSlot(int k, bool withRotation) {
    PayloadSlot& slot = slots[k];
    const VECTOR3 velocity = overridePending ? releaseVelocityOverride : slot.releaseVelocity;
    VESSELSTATUS status = ChildVesselStatus(*this, slot.releasePosition, velocity);
    overridePending = false;
    status.fuel = slot.fuelLevel;
    if (withRotation) status.arot = ReleaseOrientation(slot.rotation);
    const std::string name = NewVesselName(slot.vesselName);
    const OBJHANDLE handle = oapiCreateVessel(name.c_str(), slot.className, status);
    // A vessel the host refuses leaves the slot where it was: nothing vanishes from the carrier.
    if (!handle) {
        LogEvent("the host refused to create " + name + " of class " + slot.className + "; it stays on board");
        return nullptr;
    }
    slot.attached = false;
    VESSEL* released = oapiGetVesselInterface(handle);
    if (released) {
        released->SetFuelMass(released->GetMaxFuelMass() * slot.fuelLevel);
        char mass[32];
        std::snprintf(mass, sizeof mass, "%.0f", released->GetMass());
        LogEvent("released " + name + " (" + slot.className + ", " + mass + " kg)");
    }
    return released;
}

VESSEL* PayloadCarrier::HandOverContents(int s, int last, VESSEL* target) {
    // Closings count up to and including the released stage itself, whose vessel now holds them.
    const int outermost = slots[s].parentStage;
    for (int j = s + 1; j <= last; ++j) {
        PayloadSlot& slot = slots[j];
        if (!slot.attached) break;
        slot.attached = false;
        // From the design frame, where both numbers are as written: the release frame's offset
        // would add its own rounding.
        const VECTOR3& from = slots[s].mesh.position;
        const VECTOR3 rel{DifferenceAsWritten(slot.mesh.position.x, from.x),
                          DifferenceAsWritten(slot.mesh.position.y, from.y),
                          DifferenceAsWritten(slot.mesh.position.z, from.z)};
        try {
            const PayloadLine line = FormatPayloadLine(slot, rel);
            SendVesselMessage(target, line.keyword, line.text.c_str());
            for (int n = StageClosingsAfter(slots, j, outermost); n > 0; --n)
                SendVesselMessage(target, KEY_ENDSTAGE, KEY_ENDSTAGE);
        } catch (...) {
            return nullptr;
        }
    }
    return target;
}

VESSEL* PayloadCarrier::ReleaseLastPayload() {
    int i = PAYLOAD_SLOT_COUNT - 1;
    while (i >= 0 && !slots[i].attached) --i;
    if (i < 0) return nullptr;
    if (slots[i].parentStage == -1) return ReleaseSlot(i, true);

    // Climb only through stages that are the first slot of the stage around them.
    int s = slots[i].parentStage;
    while (slots[s].parentStage != -1 && slots[s].parentStage == s - 1) s = slots[s].parentStage;
    if (!slots[s].attached) return nullptr;
    VESSEL* released = ReleaseSlot(s, false);
    if (!released || slots[s].kind != PAYLOAD_KIND_STAGE) return released;
    return HandOverContents(s, i, released);
}
