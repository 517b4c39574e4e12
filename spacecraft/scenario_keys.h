// The spacecraft's own scenario keys and the readers of their values. Keys are matched without
// regard to case, by prefix.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>

constexpr const char* KEY_CONFIGURATION = "CONFIGURATION";
constexpr std::size_t KEY_CONFIGURATION_LENGTH = 13;
constexpr const char* KEY_PANELS = "PANELS";
constexpr std::size_t KEY_PANELS_LENGTH = 6;
// Saved only while they matter, so that a save of a still vessel reads as before: the arrays'
// motion (1 deploying, 2 retracting) and the released main parachute that waits to be deleted.
constexpr const char* KEY_PANEL_MOTION = "PANEL_MOTION";
constexpr std::size_t KEY_PANEL_MOTION_LENGTH = 12;
constexpr const char* KEY_CHUTE_VESSEL = "CHUTE_VESSEL";
constexpr std::size_t KEY_CHUTE_VESSEL_LENGTH = 12;
// A rebuild pending at the save: "<counter> <configuration defined then>".
constexpr const char* KEY_REBUILD = "REBUILD";
constexpr std::size_t KEY_REBUILD_LENGTH = 7;

constexpr const char* const TALVEK_KEYS[] = {KEY_CONFIGURATION, KEY_PANELS, KEY_PANEL_MOTION, KEY_CHUTE_VESSEL,
                                             KEY_REBUILD};
constexpr int TALVEK_KEY_COUNT = sizeof TALVEK_KEYS / sizeof TALVEK_KEYS[0];

inline bool StartsWithKey(const char* line, const char* key, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (line[i] == '\0') return false;
        if (std::toupper(static_cast<unsigned char>(line[i])) != key[i]) return false;
    }
    return true;
}

// Leading blanks, an optional sign, then decimal digits up to the first other character;
// 0 when there are none. The value is cut to its low 16 bits, whatever its length.
inline std::int16_t ReadInt16(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    std::uint16_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
        value = static_cast<std::uint16_t>(value * 10u + static_cast<unsigned>(*text - '0'));
    if (negative) value = static_cast<std::uint16_t>(0u - value);
    return static_cast<std::int16_t>(value);
}
