#include "sim/app/script.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "host/hosttypes.h"
#include "sim/app/payload_lines.h"
#include "sim/errors.h"
#include "sim/platform.h"
#include "sim/text.h"

namespace sim {

namespace {

// Scan codes of the letter keys, A to Z.
constexpr int LETTER_SCAN_CODES[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                       0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

// The vessels that the project's own modules create besides those of payload lines, by module, with
// their classes: the Talvek's orbital and service modules, which Control+J separates, and its main
// parachute, released on the ground. The stage module creates only what its lines name.
struct ModuleCreations {
    const char* module;
    std::vector<std::string> names;
    std::vector<std::string> classes;
};
const std::vector<ModuleCreations>& KnownModuleCreations() {
    static const std::vector<ModuleCreations> known{
        {"Talvek", {"TalvekOrbitMod", "TalvekServiceMod", "TalvekChute"}, {"tlvorbit", "tlvservice", "tlvchute"}},
        {"TalvekStage", {}, {}},
    };
    return known;
}

constexpr int FIRST_NAME_SUFFIX = 2;  // a taken name's first free form is NAME-2

// The number of a suffix "-N" as a module writes it (N from 2, no leading zero); 0 when it is none.
long NameSuffix(const std::string& digits) {
    if (digits.empty() || digits[0] == '0' || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stol(digits);
}

}  // namespace

bool FlightVesselNames::Holds(const std::string& name) const {
    if (std::find(names.begin(), names.end(), name) != names.end()) return true;
    const size_t dash = name.rfind('-');
    if (dash == std::string::npos || NameSuffix(name.substr(dash + 1)) < FIRST_NAME_SUFFIX) return false;
    // The carrier cuts the name so that it and the suffix fit its 127 characters.
    const std::string base = name.substr(0, dash);
    const size_t room = CARRIER_NAME_LENGTH - std::min(CARRIER_NAME_LENGTH, name.size() - dash);
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& known) { return known.substr(0, room) == base; });
}

FlightVesselNames NamesOfFlight(const Scenario& scenario, const ModuleOfClassFn& moduleOfClass) {
    FlightVesselNames flight;
    std::set<std::string> listed;
    auto add = [&](const std::string& name) {
        if (!name.empty() && listed.insert(name).second) flight.names.push_back(name);
    };
    std::deque<std::string> classes;
    for (const auto& block : scenario.vessels) {
        add(block.name);
        classes.push_back(block.className);
    }
    for (const ScenarioPayloadLine& line : ScenarioPayloadLines(scenario)) {
        add(ReleasedVesselName(line.vessel));
        if (!line.className.empty()) classes.push_back(line.className);
    }
    std::set<std::string> followed;
    while (!classes.empty()) {
        const std::string cls = classes.front();
        classes.pop_front();
        if (!followed.insert(Lower(cls)).second) continue;
        const std::optional<std::string> module = moduleOfClass(cls);
        if (!module) continue;
        const auto& known = KnownModuleCreations();
        const auto creations = std::find_if(known.begin(), known.end(),
                                            [&](const ModuleCreations& m) { return EqualsNoCase(m.module, *module); });
        if (creations == known.end()) {
            flight.complete = false;
            continue;
        }
        for (const std::string& name : creations->names) add(name);
        classes.insert(classes.end(), creations->classes.begin(), creations->classes.end());
    }
    return flight;
}

std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (size_t i = 0; i < names.size() && i < MAX_LISTED_NAMES; ++i) list += (i ? ", " : "") + names[i];
    if (names.size() > MAX_LISTED_NAMES) list += " and " + std::to_string(names.size() - MAX_LISTED_NAMES) + " more";
    return list;
}

void CheckScriptVessels(const FlightScript& script, const FlightVesselNames& names, const std::string& scenarioFile) {
    if (!names.complete) return;
    for (const ScriptAction& a : script.actions) {
        for (const std::string* vessel : {&a.vessel, a.kind == ScriptAction::Kind::FOCUS ? &a.word : nullptr}) {
            if (!vessel || names.Holds(*vessel)) continue;
            const std::string what = "no vessel '" + Printable(*vessel) + "' is in " + scenarioFile +
                                     " or can be created in its flight";
            if (names.names.empty())
                throw InputError(Where(script.file, a.line, what + "; it holds no vessel and creates none"));
            throw InputError(Where(script.file, a.line,
                                   what + "; the vessels it holds and can create: " + NameList(names.names) +
                                       " (a created vessel whose name is taken is NAME-2, NAME-3, …); write one of "
                                       "these names"));
        }
    }
}

bool FlightScript::Done() const {
    for (const auto& a : actions)
        if (!a.done) return false;
    return true;
}

bool ParseKeyCombo(const std::string& text, KeyCombo& combo) {
    combo = KeyCombo{};
    combo.text = text;
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, '+')) parts.push_back(part);
    if (parts.empty() || text.back() == '+') return false;
    const std::string& letter = parts.back();
    if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0]))) return false;
    combo.key = LETTER_SCAN_CODES[std::toupper(static_cast<unsigned char>(letter[0])) - 'A'];
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string& m = parts[i];
        if (EqualsNoCase(m, "Ctrl")) combo.modifiers.push_back(OAPI_KEY_LCONTROL);
        else if (EqualsNoCase(m, "RCtrl")) combo.modifiers.push_back(OAPI_KEY_RCONTROL);
        else if (EqualsNoCase(m, "Shift")) combo.modifiers.push_back(OAPI_KEY_LSHIFT);
        else if (EqualsNoCase(m, "RShift")) combo.modifiers.push_back(OAPI_KEY_RSHIFT);
        else return false;
    }
    return true;
}

FlightScript ParseScript(const std::string& text, const std::string& fileName, const std::filesystem::path& baseDir) {
    FlightScript script;
    script.file = fileName;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const size_t hash = raw.find('#');
        const auto words = SplitWords(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (words.empty()) continue;
        auto fail = [&](const std::string& message) { throw InputError(Where(fileName, number, message)); };

        ScriptAction a;
        a.line = number;
        if (words[0] == "at") a.trigger = ScriptAction::Trigger::AT;
        else if (words[0] == "below") a.trigger = ScriptAction::Trigger::BELOW;
        else fail("a script line starts with 'at <seconds>' or 'below <metres>', not '" + words[0] + "'");
        if (words.size() < 4) fail("expected '" + words[0] + " <number> <vessel> <action> ...'");
        if (!ParseDouble(words[1], a.threshold) || (a.trigger == ScriptAction::Trigger::AT && a.threshold < 0))
            fail("'" + words[1] + "' is not a " + (a.trigger == ScriptAction::Trigger::AT ? "time in seconds (0 or more)"
                                                                                          : "altitude in metres"));
        a.vessel = words[2];
        const std::string& action = words[3];
        const size_t argc = words.size() - 4;
        auto needArgs = [&](size_t n, const char* usage) {
            if (argc != n) fail("'" + action + "' expects: " + usage);
        };
        if (action == "key") {
            a.kind = ScriptAction::Kind::KEY;
            needArgs(1, "key <combo>, for example J, Ctrl+J, RShift+K");
            if (!ParseKeyCombo(words[4], a.combo))
                fail("'" + words[4] + "' is not a key combination; write a letter, optionally after Ctrl+, RCtrl+, "
                                      "Shift+ or RShift+");
        } else if (action == "timeacc") {
            a.kind = ScriptAction::Kind::TIMEACC;
            needArgs(1, "timeacc <factor from 0.1 to 100000>");
            if (!ParseDouble(words[4], a.value) || a.value < 0.1 || a.value > 100000)
                fail("time acceleration '" + words[4] + "' is not a factor from 0.1 to 100000");
        } else if (action == "navmode") {
            a.kind = ScriptAction::Kind::NAVMODE;
            needArgs(1, "navmode <prograde|retrograde|killrot|off>");
            a.word = words[4];
            const std::optional<NavMode> mode = NavModeFromText(a.word);
            if (!mode) fail("navigation mode '" + a.word + "' is none of prograde, retrograde, killrot, off");
            a.navMode = mode.value_or(NavMode::Off);
        } else if (action == "thrust") {
            a.kind = ScriptAction::Kind::THRUST;
            needArgs(2, "thrust <main|retro|hover> <level 0..1>");
            a.word = words[4];
            if (a.word != "main" && a.word != "retro" && a.word != "hover")
                fail("thruster group '" + a.word + "' is none of main, retro, hover");
            if (!ParseDouble(words[5], a.value) || a.value < 0 || a.value > 1)
                fail("thrust level '" + words[5] + "' is not a number from 0 to 1");
        } else if (action == "focus") {
            a.kind = ScriptAction::Kind::FOCUS;
            needArgs(1, "focus <vessel>, the vessel that takes the focus");
            a.word = words[4];
        } else if (action == "save") {
            a.kind = ScriptAction::Kind::SAVE;
            needArgs(1, "save <file>");
            if (const std::string problem = PathLengthProblem(words[4]); !problem.empty()) fail("save: " + problem);
            const std::filesystem::path file = platform::PathFromUtf8(words[4]);
            a.file = file.is_absolute() ? file : baseDir / file;
        } else {
            fail("unknown action '" + action + "'; expected key, timeacc, navmode, thrust, focus or save");
        }
        script.actions.push_back(std::move(a));
    }
    return script;
}

FlightScript ReadScriptFile(const std::filesystem::path& path, const std::filesystem::path& baseDir) {
    // A folder opens as a stream that reads nothing, which would pass for an empty script.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw InputError(Where(path.string(), 0, "is a folder; give a flight script file"));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Where(path.string(), 0, "cannot be read; give an existing flight script"));
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScript(text.str(), path.string(), baseDir);
}

}  // namespace sim
