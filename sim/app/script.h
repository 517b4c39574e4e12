// Flight scripts: one action per line, due at a simulation time or below an altitude.
//   at <seconds> <vessel> <action>
//   below <metres> <vessel> <action>
// Actions: key <combo>, timeacc <factor>, navmode <prograde|retrograde|killrot|off>,
// thrust <main|retro|hover> <level>, focus <vessel>, save <file>.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sim/nav_mode.h"

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

}  // namespace sim
