// Creating a vessel at a local position of this one, moving with it: the status a child starts
// from, the name it gets, and the spawning itself.
#include <string>

#include "carrier/internal/child_vessel.h"
#include "carrier/payload_carrier.h"

namespace {

// Free names tried before giving up and letting the host decide about the given one.
constexpr int MAX_NAME_SUFFIX = 10000;

bool VesselNameTaken(const std::string& name) {
    std::string buffer = name;  // the host's lookup takes a writable string
    return oapiGetVesselByName(buffer.data()) != nullptr;
}

}  // namespace

VESSELSTATUS ChildVesselStatus(const VESSEL& parent, const VECTOR3& localPosition, const VECTOR3& localVelocityChange) {
    VESSELSTATUS status;
    parent.GetStatus(status);
    status.eng_main = 0;
    status.eng_hovr = 0;
    parent.Local2Rel(localPosition, status.rpos);
    VECTOR3 velocityChange;
    parent.GlobalRot(localVelocityChange, velocityChange);
    status.rvel += velocityChange;
    return status;
}

// Two spacecraft that separate in one scenario both spawn modules of the same names (and two
// carriers may hold payloads of one name), and a host that insists on unique names would refuse
// the second set.
std::string FreeVesselName(const char* name) {
    const std::string given(name);
    if (!VesselNameTaken(given)) return given;
    for (int n = 2; n <= MAX_NAME_SUFFIX; ++n) {
        const std::string suffix = "-" + std::to_string(n);
        const size_t room = static_cast<size_t>(PAYLOAD_NAME_SIZE - 1) - suffix.size();
        const std::string candidate = given.substr(0, room) + suffix;
        if (!VesselNameTaken(candidate)) return candidate;
    }
    return given;
}

VESSEL* PayloadCarrier::SpawnChildVessel(const char* name, const char* className, const VECTOR3& localPosition,
                                         const VECTOR3& localVelocityChange, const VECTOR3& rotationChange) {
    VESSELSTATUS status = ChildVesselStatus(*this, localPosition, localVelocityChange);
    status.vrot += rotationChange;
    const std::string freeName = name ? FreeVesselName(name) : std::string();
    const OBJHANDLE handle = oapiCreateVessel(name ? freeName.c_str() : nullptr, className, status);
    if (!handle) {
        LogEvent("the host refused to create " + freeName + " of class " + (className ? className : ""));
        return nullptr;
    }
    return oapiGetVesselInterface(handle);
}
