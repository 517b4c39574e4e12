#include "spacecraft/parachute_link.h"

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

void ParachuteLink::FindSaved() {
    if (savedChuteName.empty()) return;
    const OBJHANDLE handle = oapiGetVesselByName(savedChuteName.data());
    savedChuteName.clear();
    if (handle) Keep(oapiGetVesselInterface(handle));
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
