// The spacecraft's scenario state: "CONFIGURATION" and "PANELS", then the payload lines.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "spacecraft/scenario_keys.h"
#include "talvek_vessel.h"

namespace {

// The name after the key: leading and trailing blanks dropped, cut to the module's name size.
std::string ReadName(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    std::string name(text);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    if (name.size() > PAYLOAD_NAME_SIZE - 1) name.resize(PAYLOAD_NAME_SIZE - 1);
    return name;
}

}  // namespace

void TalvekVessel::SaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
    // The host's writers take char* but do not change the key.
    oapiWriteScenario_int(scn, const_cast<char*>(KEY_CONFIGURATION), configuration);
    arrays.Save(scn);
    if (ReleasedChute())
        oapiWriteScenario_string(scn, const_cast<char*>(KEY_CHUTE_VESSEL), chuteName.data());
    else if (!savedChuteName.empty())  // loaded, not looked for yet
        oapiWriteScenario_string(scn, const_cast<char*>(KEY_CHUTE_VESSEL), savedChuteName.data());
    if (rebuildCounter != 0) {
        char pending[32];
        std::snprintf(pending, sizeof pending, "%d %d", static_cast<int>(rebuildCounter),
                      static_cast<int>(definedConfiguration));
        oapiWriteScenario_string(scn, const_cast<char*>(KEY_REBUILD), pending);
    }
    SavePayloadLines(scn);
}

void TalvekVessel::LoadStateEx(FILEHANDLE scn, void* status) {
    char* line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        if (StartsWithKey(line, KEY_CONFIGURATION, KEY_CONFIGURATION_LENGTH)) {
            configuration = ReadInt16(line + KEY_CONFIGURATION_LENGTH);
        } else if (arrays.ParseLine(line)) {
        } else if (StartsWithKey(line, KEY_CHUTE_VESSEL, KEY_CHUTE_VESSEL_LENGTH)) {
            savedChuteName = ReadName(line + KEY_CHUTE_VESSEL_LENGTH);
        } else if (StartsWithKey(line, KEY_REBUILD, KEY_REBUILD_LENGTH)) {
            char* rest = line + KEY_REBUILD_LENGTH;
            savedRebuildCounter = static_cast<std::int32_t>(std::strtol(rest, &rest, 10));
            savedDefinedConfiguration = static_cast<std::int16_t>(std::strtol(rest, nullptr, 10));
        } else {
            ReportMistypedKey(line, TALVEK_KEYS, TALVEK_KEY_COUNT);
        }
        HandleScenarioLine(line);
        ParseScenarioLineEx(line, status);
    }
    FinishPayloadLines();
    DefineLoadedConfiguration();
}
