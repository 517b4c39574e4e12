// Scenario files in the host's format: reading them into a world, writing a world back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/hosttypes.h"
#include "sim/file_handles.h"
#include "sim/kept_lines.h"

namespace sim {

class World;
struct VesselRecord;

struct ScenarioVesselBlock {
    std::string name;
    std::string className;
    int headerLine = 0;
    std::vector<ScenarioLine> lines;
};

// A block the host does not interpret (the camera, HUD, MFDs, panel, a plugin's), kept as written
// to be written back in its place.
struct ScenarioBlock {
    std::string header;              // its BEGIN_ line ("BEGIN_MFD Left")
    std::vector<std::string> lines;  // every line between, as written
    std::string end;                 // its closing line: END_<name>, or END for a plugin's block
};

// The blocks of a scenario in their file order: the host's own by kind, the others by their
// index in Scenario::otherBlocks.
struct BlockPlace {
    enum Kind { Description, Environment, Focus, Ships, Other } kind;
    size_t other = 0;
};

struct Scenario {
    std::string file;
    std::optional<std::vector<std::string>> description;  // its lines as written
    std::string system = "Sol";
    std::optional<double> mjd;
    std::optional<double> groundElevation;  // [m] of the ground everywhere, over the mean radius
    // The simulator's environment lines that the host does not read (Context, SplashScreen, Script,
    // Help, Playback), one of each key, in the order the simulator writes them.
    std::vector<std::string> environmentKept;
    std::optional<std::string> focus;
    std::vector<ScenarioBlock> otherBlocks;
    std::vector<BlockPlace> layout;
    std::vector<ScenarioVesselBlock> vessels;
};

// Splits a scenario file into its blocks. A block ends at END_<name> (its header's first word
// after BEGIN_); a block that is none of the simulator's own (a plugin's) may end at END instead.
// Throws InputError naming file and line.
Scenario ParseScenario(const std::string& text, const std::string& fileName);
Scenario ReadScenarioFile(const std::filesystem::path& path);

// Creates the scenario's vessels in the world, in file order, each with its state. Throws
// InputError (file and line) for an unknown class, a missing module or a malformed host key.
void LoadScenario(World& world, const Scenario& scenario);

// The scenario text of the world as it stands, keeping the description, environment,
// focus and other blocks of the scenario it was loaded from, each in its place.
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
    // ENGINE_MAIN and ENGINE_HOVR since the last THLEVEL: a thruster group's type and its level.
    std::vector<std::pair<int, double>> engineLevels;
    std::optional<int> xpdr;  // the transponder's channel
    KeptVesselLines kept;
};

// Handles one of the keys of the simulator's default parser: the host's own (STATUS, POS,
// HEADING, PRPLEVEL, FUEL, THLEVEL, ENGINE_MAIN, ENGINE_HOVR, RPOS, RVEL, AROT, VROT, ALT, XPDR)
// and those it keeps without modelling them (kept_lines.h); other lines are ignored. Returns an
// error message for a malformed value or for ELEMENTS, which the host does not read ("" when the
// line was fine).
std::string ParseHostKey(const char* line, ParsedVesselState& state);
// Whether the simulator's default parser reads the line (a line it does not read is a module's,
// or nobody's).
bool IsDefaultParserLine(const std::string& line);
// Places the vessel and sets its tanks and thrusters from what the block said.
void ApplyParsedState(World& world, VesselRecord& v, const ParsedVesselState& state);
// The host's own lines of a vessel, as the simulator writes them: in flight STATUS, RPOS, RVEL,
// AROT, VROT; landed STATUS, BASE, POS, HEADING, ALT, AROT (in the planet's axes); then ATTACHED,
// RCSMODE, AFCMODE, PRPLEVEL, THLEVEL, DOCKINFO, IDS, NAVFREQ, XPDR (with a transponder),
// FLIGHTDATA.
void WriteDefaultState(World& world, const VesselRecord& v, ScenarioWriter& out);

// oapiWriteScenario_* line formats.
std::string ScenarioLineText(const char* item, const std::string& value);
std::string ScenarioFloatText(double d);

}  // namespace sim
