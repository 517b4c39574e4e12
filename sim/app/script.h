// Flight scripts: one action per line, due at a simulation time or below an altitude.
//   at <seconds> <vessel> <action>
//   below <metres> <vessel> <action>
// Actions: key <combo>, timeacc <factor>, navmode <prograde|retrograde|killrot|off>,
// thrust <main|retro|hover> <level>, focus <vessel>, save <file>.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/nav_mode.h"
#include "sim/scenario.h"

namespace sim {

struct KeyCombo {
    int key = 0;               // scan code of the letter
    std::vector<int> modifiers;  // scan codes held with it
    std::string text;          // as written
};

struct ScriptAction {
    enum class Trigger { AT, BELOW } trigger = Trigger::AT;
    double threshold = 0.0;  // seconds or metres
    std::string vessel;
    enum class Kind { KEY, TIMEACC, NAVMODE, THRUST, FOCUS, SAVE } kind = Kind::KEY;
    KeyCombo combo;
    double value = 0.0;      // time acceleration or thrust level
    std::string word;        // navigation mode, thruster group or the vessel to focus, as written
    NavMode navMode = NavMode::Off;
    std::filesystem::path file;  // save target, made absolute when the script is read
    int line = 0;
    bool done = false;
};

struct FlightScript {
    std::string file;
    std::vector<ScriptAction> actions;
    bool Done() const;
};

// Parses a script; relative save paths are taken against baseDir. Throws InputError naming
// file and line.
FlightScript ParseScript(const std::string& text, const std::string& fileName, const std::filesystem::path& baseDir);
FlightScript ReadScriptFile(const std::filesystem::path& path, const std::filesystem::path& baseDir);
// Reads a key combination such as "J", "Ctrl+J", "RShift+K" or "Ctrl+Shift+J"; false if it is none.
bool ParseKeyCombo(const std::string& text, KeyCombo& combo);

// The names of the vessels that a flight can hold, for the check of a script before the first frame.
struct FlightVesselNames {
    // The scenario's vessels, then those that its PAYLOAD and STAGE lines release (as the carrier
    // names them), then those that the modules of the flight create, each once, in that order.
    std::vector<std::string> names;
    // False when a module of the flight may create vessels whose names are not known here (a module
    // other than the Talvek's and the stage's): no name is refused before the flight then.
    bool complete = true;
    // One of the names, or one of them with the "-2", "-3", … that a module appends to the name of a
    // vessel it creates when the name is taken (the name cut to make room for it).
    bool Holds(const std::string& name) const;
};

// A class's Module value; none for a class without a module, and for one without a class file.
using ModuleOfClassFn = std::function<std::optional<std::string>(const std::string& className)>;
// The vessels of the scenario, those its payload lines release and those the modules of its
// classes create, following the classes of the vessels they create in turn.
FlightVesselNames NamesOfFlight(const Scenario& scenario, const ModuleOfClassFn& moduleOfClass);

// Throws InputError "SCRIPT:LINE: ..." for the first action that names a vessel (its own, or the one
// that a focus action moves to) that the flight can never hold, listing the names it can. Nothing
// when the names are not complete.
void CheckScriptVessels(const FlightScript& script, const FlightVesselNames& names, const std::string& scenarioFile);

// Vessel names for a message, "A, B, C": at most MAX_LISTED_NAMES of them, and how many more.
std::string NameList(const std::vector<std::string>& names);
constexpr size_t MAX_LISTED_NAMES = 30;  // more would not fit a line that anyone reads

}  // namespace sim
