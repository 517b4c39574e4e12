#include "sim/nav_mode.h"

namespace sim {

namespace {
struct NavModeWord {
    NavMode mode;
    const char* text;
};
constexpr NavModeWord NAV_MODE_WORDS[] = {{NavMode::Off, "off"},
                                          {NavMode::Prograde, "prograde"},
                                          {NavMode::Retrograde, "retrograde"},
                                          {NavMode::KillRot, "killrot"}};
}  // namespace

const char* NavModeText(NavMode mode) {
    for (const NavModeWord& w : NAV_MODE_WORDS)
        if (w.mode == mode) return w.text;
    return "off";  // not reached: every mode has its word
}

std::optional<NavMode> NavModeFromText(std::string_view text) {
    for (const NavModeWord& w : NAV_MODE_WORDS)
        if (text == w.text) return w.mode;
    return std::nullopt;
}

}  // namespace sim
