// The spacecraft's scenario state: "CONFIGURATION" and "PANELS", then the payload lines.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "talvek_vessel.h"

namespace {

constexpr const char* KEY_CONFIGURATION = "CONFIGURATION";
constexpr size_t KEY_CONFIGURATION_LENGTH = 13;
constexpr const char* KEY_PANELS = "PANELS";
constexpr size_t KEY_PANELS_LENGTH = 6;
// Saved only while they matter, so that a save of a still vessel reads as before: the arrays'
// motion (1 deploying, 2 retracting) and the released main parachute that waits to be deleted.
constexpr const char* KEY_PANEL_MOTION = "PANEL_MOTION";
constexpr size_t KEY_PANEL_MOTION_LENGTH = 12;
constexpr const char* KEY_CHUTE_VESSEL = "CHUTE_VESSEL";
constexpr size_t KEY_CHUTE_VESSEL_LENGTH = 12;
// A rebuild pending at the save: "<counter> <configuration defined then>".
constexpr const char* KEY_REBUILD = "REBUILD";
constexpr size_t KEY_REBUILD_LENGTH = 7;

constexpr const char* const TALVEK_KEYS[] = {KEY_CONFIGURATION, KEY_PANELS, KEY_PANEL_MOTION, KEY_CHUTE_VESSEL,
                                             KEY_REBUILD};

bool StartsWithKey(const char* line, const char* key, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (line[i] == '\0') return false;
        if (std::toupper(static_cast<unsigned char>(line[i])) != key[i]) return false;
    }
    return true;
}

// Leading blanks, an optional sign, then decimal digits up to the first other character;
// 0 when there are none. The value is cut to its low 16 bits, whatever its length.
std::int16_t ReadInt16(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    std::uint16_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
        value = static_cast<std::uint16_t>(value * 10u + static_cast<unsigned>(*text - '0'));
    if (negative) value = static_cast<std::uint16_t>(0u - value);
    return static_cast<std::int16_t>(value);
}

// The decimal number after the key; 0 when there is none. A value that is not finite
// ("nan", "inf") counts as none, so the animation never receives one.
float ReadPanelState(const char* text) {
    const double value = std::strtod(text, nullptr);
    return std::isfinite(value) ? static_cast<float>(value) : 0.0f;
}

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
    oapiWriteScenario_float(scn, const_cast<char*>(KEY_PANELS), panelState);
    if (panelMotion != 0) oapiWriteScenario_int(scn, const_cast<char*>(KEY_PANEL_MOTION), panelMotion);
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
        } else if (StartsWithKey(line, KEY_PANELS, KEY_PANELS_LENGTH)) {
            panelState = ReadPanelState(line + KEY_PANELS_LENGTH);
        } else if (StartsWithKey(line, KEY_PANEL_MOTION, KEY_PANEL_MOTION_LENGTH)) {
            const std::int16_t motion = ReadInt16(line + KEY_PANEL_MOTION_LENGTH);
            panelMotion = motion == 1 || motion == 2 ? motion : 0;
        } else if (StartsWithKey(line, KEY_CHUTE_VESSEL, KEY_CHUTE_VESSEL_LENGTH)) {
            savedChuteName = ReadName(line + KEY_CHUTE_VESSEL_LENGTH);
        } else if (StartsWithKey(line, KEY_REBUILD, KEY_REBUILD_LENGTH)) {
            char* rest = line + KEY_REBUILD_LENGTH;
            savedRebuildCounter = static_cast<std::int32_t>(std::strtol(rest, &rest, 10));
            savedDefinedConfiguration = static_cast<std::int16_t>(std::strtol(rest, nullptr, 10));
        } else {
            ReportMistypedKey(line, TALVEK_KEYS, 5);
        }
        HandleScenarioLine(line);
        ParseScenarioLineEx(line, status);
    }
    FinishPayloadLines();
    DefineLoadedConfiguration();
}
