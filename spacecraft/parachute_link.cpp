#include "spacecraft/parachute_link.h"

#include <algorithm>
#include <cctype>

#include "carrier/payload_slot.h"
#include "spacecraft/scenario_keys.h"

namespace {

std::string TextOrEmpty(const char* text) { return text ? text : ""; }

// The name after the key: leading and trailing blanks dropped, cut to the module's name size.
std::string ReadName(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    std::string name(text);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    if (name.size() > PAYLOAD_NAME_SIZE - 1) name.resize(PAYLOAD_NAME_SIZE - 1);
    return name;
}

// Class names, as file names on the simulator's file system, are read without regard to case.
bool SameClass(const std::string& a, const char* b) {
    const std::string other = b;
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

void ParachuteLink::Keep(VESSEL* chute) {
    Forget();
    if (!chute) return;
    chuteVessel = chute;
    // The handle lets a later step ask the host whether the vessel still exists before using it;
    // the name (a free one, which need not be the name asked for) and class tell it from a later vessel.
    chuteHandle = chute->GetHandle();
    chuteName = TextOrEmpty(chute->GetName());
    chuteClass = TextOrEmpty(chute->GetClassName());
}

void ParachuteLink::Forget() {
    chuteVessel = nullptr;
    chuteHandle = nullptr;
    chuteName.clear();
    chuteClass.clear();
}

VESSEL* ParachuteLink::Released() {
    if (!chuteVessel) return nullptr;
    // The host may give a new vessel the handle of a deleted one, so a live handle does not prove
    // that the parachute is still there: the vessel on it must also bear the parachute's name and
    // class. Its interface is asked for anew, since the one kept went with a deleted parachute.
    VESSEL* onHandle = oapiIsVessel(chuteHandle) ? oapiGetVesselInterface(chuteHandle) : nullptr;
    if (onHandle && chuteName == TextOrEmpty(onHandle->GetName()) &&
        chuteClass == TextOrEmpty(onHandle->GetClassName())) {
        chuteVessel = onHandle;
        return onHandle;
    }
    Forget();
    return nullptr;
}

std::string ParachuteLink::FindSaved(OBJHANDLE self) {
    if (savedChuteName.empty()) return "";
    const std::string name = savedChuteName;
    const OBJHANDLE handle = oapiGetVesselByName(savedChuteName.data());
    savedChuteName.clear();
    const std::string ignored = "CHUTE_VESSEL " + name + " ignored: ";
    VESSEL* vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
    if (!vessel) return ignored + "no vessel has that name";
    if (handle == self) return ignored + "it names this vessel, not its released parachute";
    const std::string cls = TextOrEmpty(vessel->GetClassName());
    if (!SameClass(cls, CHUTE_CLASS))
        return ignored + "its class is " + cls + ", not the parachute's " + CHUTE_CLASS;
    Keep(vessel);
    return "";
}

void ParachuteLink::Delete() {
    oapiDeleteVessel(chuteHandle);
    Forget();
}

bool ParachuteLink::ParseLine(const char* line) {
    if (!StartsWithKey(line, KEY_CHUTE_VESSEL, KEY_CHUTE_VESSEL_LENGTH)) return false;
    savedChuteName = ReadName(line + KEY_CHUTE_VESSEL_LENGTH);
    return true;
}

void ParachuteLink::Save(FILEHANDLE scn) {
    // The host's writers take char* but do not change the key.
    if (Released())
        oapiWriteScenario_string(scn, const_cast<char*>(KEY_CHUTE_VESSEL), chuteName.data());
    else if (!savedChuteName.empty())  // loaded, not looked for yet
        oapiWriteScenario_string(scn, const_cast<char*>(KEY_CHUTE_VESSEL), savedChuteName.data());
}
