// Scenario files in the host's format: reading them into a world, writing a world back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/hosttypes.h"
#include "sim/file_handles.h"

namespace sim {

class World;
struct VesselRecord;

struct ScenarioVesselBlock {
    std::string name;
    std::string className;
    int headerLine = 0;
    std::vector<ScenarioLine> lines;
};

struct ScenarioBlock {  // a block the host does not interpret, kept to be written back
    std::string header;
    std::vector<std::string> lines;
};

struct Scenario {
    std::string file;
    std::optional<std::vector<std::string>> description;
    std::string system = "Sol";
    std::optional<double> mjd;
    std::optional<double> groundElevation;  // [m] of the ground everywhere, over the mean radius
    std::optional<std::string> focus;
    std::vector<ScenarioBlock> otherBlocks;
    std::vector<ScenarioVesselBlock> vessels;
};

// Splits a scenario file into its blocks. Throws InputError naming file and line.
Scenario ParseScenario(const std::string& text, const std::string& fileName);
Scenario ReadScenarioFile(const std::filesystem::path& path);

// Creates the scenario's vessels in the world, in file order, each with its state. Throws
// InputError (file and line) for an unknown class, a missing module or a malformed host key.
void LoadScenario(World& world, const Scenario& scenario);

// The scenario text of the world as it stands, keeping the description, environment,
// focus and other blocks of the scenario it was loaded from.
std::string SaveScenario(World& world, const Scenario& loadedFrom);

// What the host accepts in a scenario; beyond these a state would grow too large to stay finite
// once the flight runs.
constexpr long MAX_LEVEL_INDEX = 9999;        // PRPLEVEL and THLEVEL index
constexpr double MAX_DISTANCE = 1e12;         // [m] |RPOS| from Earth's centre
constexpr double MAX_SPEED = 1e6;             // [m/s] |RVEL|
constexpr double MAX_ROTATION_RATE = 3600;    // [deg/s] |VROT|
constexpr double MIN_LANDED_ALT = -1000;      // [m] ALT of a landed vessel
constexpr double MAX_LANDED_ALT = 1e5;        // [m]
constexpr double MIN_MJD = 0;                 // Date MJD
constexpr double MAX_MJD = 1e6;
constexpr size_t MAX_NAME_LENGTH = 255;       // [bytes] of a vessel or class name

// The host's status record that ParseScenarioLineEx fills while a vessel block is read.
struct ParsedVesselState {
    int fileKind = 0x50535454;  // tag of this record
    const ScenarioBlockReader* reader = nullptr;
    bool landed = false;
    std::optional<VECTOR3> rpos, rvel, arot, vrot;  // arot [deg], vrot [deg/s]
    std::optional<double> lon, lat, heading, alt;   // [deg], [deg], [deg], [m]
    std::optional<std::vector<std::pair<int, double>>> prplevel;
    std::optional<double> fuel;
    std::vector<std::pair<int, double>> thlevel;
};

// Handles one of the host's own keys (STATUS, POS, HEADING, PRPLEVEL, FUEL, THLEVEL, RPOS,
// RVEL, AROT, VROT, ALT, XPDR); other lines are ignored. Returns an error message for a
// malformed value ("" when the line was fine).
std::string ParseHostKey(const char* line, ParsedVesselState& state);
// Places the vessel and sets its tanks and thrusters from what the block said.
void ApplyParsedState(World& world, VesselRecord& v, const ParsedVesselState& state);
// The host's own lines of a vessel, as the simulator writes them: in flight STATUS, RPOS, RVEL,
// AROT, VROT; landed STATUS, POS, HEADING, ALT, AROT (in the planet's axes); then PRPLEVEL,
// THLEVEL.
void WriteDefaultState(World& world, const VesselRecord& v, ScenarioWriter& out);

// Decimals of a landed vessel's POS [deg], HEADING [deg] and ALT [m]. A vessel that lands is
// put on this grid, so that what is saved reads back to the same lines.
constexpr int LANDED_POS_DECIMALS = 7;
constexpr int LANDED_HEADING_DECIMALS = 2;
constexpr int LANDED_ALT_DECIMALS = 3;
constexpr int AROT_DECIMALS = 3;  // [deg]

// oapiWriteScenario_* line formats.
std::string ScenarioLineText(const char* item, const std::string& value);
std::string ScenarioFloatText(double d);

}  // namespace sim
