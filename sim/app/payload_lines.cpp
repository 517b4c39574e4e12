#include "sim/app/payload_lines.h"

#include "sim/text.h"

namespace sim {

namespace {

constexpr char NAME_REPAIR = '_';  // what a carrier puts for a character a scenario cannot read back in a name
constexpr unsigned char FIRST_PRINTABLE = 0x20;
constexpr unsigned char DELETE_CHARACTER = 0x7f;

// The keyword of a carrier's line with the blank that must follow it, as the carrier matches it.
bool StartsWithKey(const std::string& text, const char* keyWithBlank) {
    return text.rfind(keyWithBlank, 0) == 0;
}

std::string NameField(const std::vector<std::string>& words, size_t i) {
    return i < words.size() && words[i] != "-" ? words[i] : std::string();
}

}  // namespace

std::vector<ScenarioPayloadLine> ScenarioPayloadLines(const Scenario& scenario) {
    std::vector<ScenarioPayloadLine> lines;
    for (const auto& block : scenario.vessels) {
        std::vector<size_t> open;  // the stages open at this point of the block, outermost first
        for (const auto& line : block.lines) {
            const bool payload = StartsWithKey(line.text, "PAYLOAD ");
            const bool stage = StartsWithKey(line.text, "STAGE ");
            if (!payload && !stage) {
                const auto words = SplitWords(line.text);
                const bool closes = !words.empty() && (words[0] == "ENDSTAGE" || words[0] == "ENDDRV");
                if (closes && !open.empty()) open.pop_back();
                continue;
            }
            const auto words = SplitWords(line.text);
            ScenarioPayloadLine p;
            p.block = &block;
            p.line = line.number;
            p.stage = stage;
            p.vessel = NameField(words, 1);
            p.mesh = NameField(words, 2);
            p.className = NameField(words, 3);
            for (size_t i = 4; i < words.size() && i < 10; ++i) p.numbers.push_back(words[i]);
            for (size_t s : open) ++lines[s].nested;
            lines.push_back(std::move(p));
            if (stage) open.push_back(lines.size() - 1);
        }
    }
    return lines;
}

std::string ReleasedVesselName(const std::string& written) {
    std::string name = written.substr(0, CARRIER_NAME_LENGTH);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ':' || c == ';' || c == ' ' || u < FIRST_PRINTABLE || u == DELETE_CHARACTER) c = NAME_REPAIR;
    }
    return name;
}

}  // namespace sim
