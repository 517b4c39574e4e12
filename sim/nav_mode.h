// The host's autopilot modes, as a flight script sets them, and their words in scripts and events.
#pragma once

#include <optional>
#include <string_view>

namespace sim {

enum class NavMode { Off, Prograde, Retrograde, KillRot };

// "off", "prograde", "retrograde", "killrot".
const char* NavModeText(NavMode mode);
// The mode whose word this is, spelled exactly as NavModeText writes it; none for any other text.
std::optional<NavMode> NavModeFromText(std::string_view text);

}  // namespace sim
