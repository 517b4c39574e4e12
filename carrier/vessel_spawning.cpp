// Creating a vessel at a local position of this one, moving with it: the status a child starts
// from, the name it gets, and the spawning itself.
#include <string>

#include "carrier/internal/child_vessel.h"
#include "carrier/payload_carrier.h"

namespace {

// Free names tried before giving up and letting the host decide about the given one.
constexpr int MAX_NAME_SUFFIX = 10000;

constexpr char NAME_REPAIR = '_';
constexpr unsigned char FIRST_PRINTABLE = 0x20;
constexpr unsigned char DELETE_CHARACTER = 0x7f;

bool UnreadableInName(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == ':' || c == ';' || c == ' ' || u < FIRST_PRINTABLE || u == DELETE_CHARACTER;
}

// The name as the log can show it: control characters as \xNN, so that none reaches the log.
std::string Shown(const std::string& name) {
    static const char HEX[] = "0123456789abcdef";
    std::string shown;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < FIRST_PRINTABLE || u == DELETE_CHARACTER) {
            shown += "\\x";
            shown += HEX[u >> 4];
            shown += HEX[u & 0xf];
        } else {
            shown += c;
        }
    }
    return shown;
}

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
        // Appended rather than "-" + to_string(n): g++ 12 at -O3 warns falsely (-Wrestrict) on
        // that operator+, and warnings are errors.
        std::string suffix = "-";
        suffix += std::to_string(n);
        const size_t room = static_cast<size_t>(PAYLOAD_NAME_SIZE - 1) - suffix.size();
        const std::string candidate = given.substr(0, room) + suffix;
        if (!VesselNameTaken(candidate)) return candidate;
    }
    return given;
}

std::string PayloadCarrier::NewVesselName(const char* name) const {
    std::string readable(name);
    bool repaired = false;
    for (char& c : readable) {
        if (!UnreadableInName(c)) continue;
        c = NAME_REPAIR;
        repaired = true;
    }
    const std::string free = FreeVesselName(readable.c_str());
    if (repaired)
        LogEvent("vessel name '" + Shown(name) +
                 "' holds a colon, ';', blank or control character, which a scenario cannot read back; the vessel is named '" +
                 free + "'");
    return free;
}

VESSEL* PayloadCarrier::SpawnChildVessel(const char* name, const char* className, const VECTOR3& localPosition,
                                         const VECTOR3& localVelocityChange, const VECTOR3& rotationChange) {
    VESSELSTATUS status = ChildVesselStatus(*this, localPosition, localVelocityChange);
    status.vrot += rotationChange;
    const std::string freeName = name ? NewVesselName(name) : std::string();
    const OBJHANDLE handle = oapiCreateVessel(name ? freeName.c_str() : nullptr, className, status);
    if (!handle) {
        LogEvent("the host refused to create " + freeName + " of class " + (className ? className : ""));
        return nullptr;
    }
    return oapiGetVesselInterface(handle);
}
