#include "sim/kept_lines.h"

#include <vector>

#include "sim/scenario.h"
#include "sim/text.h"

namespace sim {

namespace {

constexpr long MAX_INDEX = 9999;  // of a dock or an attachment point
constexpr int MAX_AFC_MODE = 7;   // pitch, roll and yaw surfaces together
constexpr int MAX_RCS_MODE = 2;   // translation

bool WholeNumber(std::string_view word, long lo, long hi) {
    long n;
    return ParseLong(word, n) && n >= lo && n <= hi;
}

// "<index>:<index>,<vessel>", as the simulator reads an attachment or a docked port ("%d:%d,%s").
bool IndexPairAndVessel(std::string_view word) {
    const size_t colon = word.find(':');
    const size_t comma = word.find(',');
    return colon != std::string_view::npos && comma != std::string_view::npos && colon < comma &&
           WholeNumber(word.substr(0, colon), 0, MAX_INDEX) &&
           WholeNumber(word.substr(colon + 1, comma - colon - 1), 0, MAX_INDEX) && comma + 1 < word.size();
}

// A word of IDS: "<dock>:<channel>", which the simulator writes followed by the range in km as a
// word of its own, or "<dock>:<channel>:<range>" as it also reads.
bool IdsWord(std::string_view word) {
    if (WholeNumber(word, 0, MAX_INDEX)) return true;  // a range [km]
    const size_t colon = word.find(':');
    if (colon == std::string_view::npos || !WholeNumber(word.substr(0, colon), 0, MAX_INDEX)) return false;
    const std::string_view rest = word.substr(colon + 1);
    const size_t second = rest.find_first_of(":,");
    if (second == std::string_view::npos) return WholeNumber(rest, 0, NAV_CHANNELS - 1);
    return WholeNumber(rest.substr(0, second), 0, NAV_CHANNELS - 1) && WholeNumber(rest.substr(second + 1), 0, MAX_INDEX);
}

std::string Joined(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

template <class Check>
bool EveryWord(const std::vector<std::string>& words, Check check) {
    if (words.empty()) return false;
    for (const auto& w : words)
        if (!check(w)) return false;
    return true;
}

}  // namespace

std::optional<std::string> ReadKeptLine(std::string_view text, KeptVesselLines& kept) {
    const std::vector<std::string> all = SplitWords(text);
    if (all.empty()) return std::nullopt;
    const std::string key = Lower(all[0]);
    const std::vector<std::string> words(all.begin() + 1, all.end());
    long n;
    if (key == "base") {
        // A base's name may hold blanks ("Cape Canaveral:1").
        if (words.empty() || words[0].front() == ':')
            return "BASE expects '<base>:<pad>', the surface base and the pad the vessel stands on";
        kept.base = Joined(words);
    } else if (key == "attached") {
        if (words.size() != 1 || !IndexPairAndVessel(words[0]))
            return "ATTACHED expects '<attachment>:<parent's attachment>,<parent vessel>'";
        kept.attached = words[0];
    } else if (key == "rcsmode") {
        if (words.size() != 1 || !ParseLong(words[0], n) || n < 0 || n > MAX_RCS_MODE)
            return "RCSMODE expects 0 (off), 1 (rotation) or 2 (translation)";
        kept.rcsMode = static_cast<int>(n);
    } else if (key == "afcmode") {
        if (words.size() != 1 || !ParseLong(words[0], n) || n < 0 || n > MAX_AFC_MODE)
            return "AFCMODE expects a number 0..7, the control surfaces in use (1 pitch, 2 roll, 4 yaw, added)";
        kept.afcMode = static_cast<int>(n);
    } else if (key == "dockinfo") {
        if (!EveryWord(words, IndexPairAndVessel))
            return "DOCKINFO expects '<dock>:<mate's dock>,<mate vessel>' for each docked port";
        kept.dockInfo = Joined(words);
    } else if (key == "ids") {
        if (!EveryWord(words, IdsWord))
            return "IDS expects '<dock>:<channel 0..639> <range in km>' for each docking port with a beacon";
        kept.ids = Joined(words);
    } else if (key == "navfreq") {
        if (!EveryWord(words, [](const std::string& w) { return WholeNumber(w, 0, NAV_CHANNELS - 1); }))
            return "NAVFREQ expects a channel 0..639 for each navigation receiver";
        kept.navFreq = Joined(words);
    } else if (key == "flightdata") {
        if (!words.empty()) return "FLIGHTDATA takes no value";
        kept.flightData = true;
    } else {
        return std::nullopt;
    }
    return "";
}

std::string KeptBaseText(const KeptVesselLines& kept) {
    return kept.base ? ScenarioLineText("BASE", *kept.base) : std::string();
}

std::string KeptAfterStateText(const KeptVesselLines& kept) {
    std::string out;
    if (kept.attached) out += ScenarioLineText("ATTACHED", *kept.attached);
    if (kept.rcsMode != 1) out += ScenarioLineText("RCSMODE", std::to_string(kept.rcsMode));
    if (kept.afcMode != 0) out += ScenarioLineText("AFCMODE", std::to_string(kept.afcMode));
    return out;
}

std::string KeptAfterLevelsText(const KeptVesselLines& kept) {
    std::string out;
    if (kept.dockInfo) out += ScenarioLineText("DOCKINFO", *kept.dockInfo);
    if (kept.ids) out += ScenarioLineText("IDS", *kept.ids);
    if (kept.navFreq) out += ScenarioLineText("NAVFREQ", *kept.navFreq);
    return out;
}

std::string KeptFlightDataText(const KeptVesselLines& kept) {
    // The simulator writes the bare key.
    return kept.flightData ? "  FLIGHTDATA\n" : std::string();
}

}  // namespace sim
