// Vessel lines that the simulator's default parser reads and talvek-sim does not model: read from
// a scenario, kept with the vessel, and written back where the simulator's SaveDefaultState writes
// them, so that a scenario saved by the simulator keeps them through a flight here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct KeptVesselLines {
    // BASE <base>[:<pad>]: where the vessel stands landed. Written back while it stands landed where
    // it was read (baseLon, baseLat [deg], its POS then); the simulator drops it once it has left.
    std::optional<std::string> base;
    double baseLon = 0.0, baseLat = 0.0;
    std::optional<std::string> attached;  // ATTACHED <attachment>:<parent's attachment>,<parent>
    int rcsMode = 1;                      // RCSMODE: 0 off, 1 rotation, 2 translation; written unless 1
    int afcMode = 0;                      // AFCMODE: 1 pitch + 2 roll + 4 yaw; written unless 0
    std::optional<std::string> dockInfo;  // DOCKINFO <dock>:<mate's dock>,<mate> ...
    std::optional<std::string> ids;       // IDS <dock>:<channel> <range [km]> ...
    std::optional<std::string> navFreq;   // NAVFREQ <channel> ...: one per navigation receiver
    bool flightData = false;              // FLIGHTDATA: the flight is being recorded
};

// Channels of the navigation radios and the transponder: 108.00 MHz + 0.05 MHz per channel.
constexpr long NAV_CHANNELS = 640;

// Reads a line if it is one of the kept keys (the key as a whole word, any case; the last line of a
// key wins, as in the simulator). Returns std::nullopt when the line is none of them, "" when it
// was read, else what is wrong with it (kept is then unchanged).
std::optional<std::string> ReadKeptLine(std::string_view text, KeptVesselLines& kept);

// The kept lines in the simulator's format and order, in the three places of SaveDefaultState:
// BASE right after STATUS; ATTACHED, RCSMODE and AFCMODE after the position and attitude;
// DOCKINFO, IDS and NAVFREQ after PRPLEVEL and THLEVEL (XPDR, which the host models, follows
// them, and FLIGHTDATA ends the vessel's default lines).
std::string KeptBaseText(const KeptVesselLines& kept);
std::string KeptAfterStateText(const KeptVesselLines& kept);
std::string KeptAfterLevelsText(const KeptVesselLines& kept);
std::string KeptFlightDataText(const KeptVesselLines& kept);

}  // namespace sim
