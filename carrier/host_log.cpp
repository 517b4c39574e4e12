// What the vessel tells the user, through the host's log.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "carrier/payload_carrier.h"
#include "messages/host_log.h"

namespace {

constexpr size_t KEY_WORD_MAX = 64;  // longer first words are no key's slip

std::string UpperWord(const char* line) {
    while (*line == ' ' || *line == '\t') ++line;
    std::string word;
    while (*line && *line != ' ' && *line != '\t' && word.size() <= KEY_WORD_MAX) word += *line++;
    return word;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) == b[j - 1];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

void PayloadCarrier::LogEvent(const std::string& what) const {
    // One log serves every vessel of the simulation: each line starts with the vessel's name.
    WriteHostLog(std::string(GetName()) + ": " + what);
}

bool PayloadCarrier::ReportMistypedKey(const char* line, const char* const* keys, int count) const {
    if (!line) return false;
    const std::string word = UpperWord(line);
    if (word.empty() || word.size() > KEY_WORD_MAX) return false;
    for (int k = 0; k < count; ++k) {
        const std::string key = keys[k];
        if (word == key) continue;
        const size_t distance = EditDistance(word, key);
        if (distance > 2) continue;
        std::string shown = line;
        shown.erase(0, shown.find_first_not_of(" \t"));
        LogEvent("scenario line ignored, '" + word + "' is not a key" +
                 (distance == 0 ? " (keys are written in capitals)" : "") + "; did you mean " + key + "?: " + shown);
        return true;
    }
    return false;
}
