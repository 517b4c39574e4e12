#include "sim/app/script.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "host/hosttypes.h"
#include "sim/errors.h"
#include "sim/platform.h"
#include "sim/text.h"

namespace sim {

namespace {

// Scan codes of the letter keys, A to Z.
constexpr int LETTER_SCAN_CODES[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                       0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

}  // namespace

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
