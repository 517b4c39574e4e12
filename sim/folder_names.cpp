#include "sim/folder_names.h"

#include <algorithm>

#include "sim/platform.h"
#include "sim/text.h"

namespace sim {

namespace {

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Windows drops the dots and blanks that end a component, so it may read "..." or ".. " as "..".
bool ClimbsUp(std::string_view component) {
    if (component.find("..") == std::string_view::npos) return false;
    return component.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::string FolderNameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    for (char c : name)
        if (IsControl(c)) return "holds a control character";
    if (IsSeparator(name.front())) return "starts with '" + std::string(1, name.front()) + "', an absolute path";
    if (name.size() >= 2 && IsLetter(name[0]) && name[1] == ':')
        return "starts with a drive ('" + std::string(name.substr(0, 2)) + "')";
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (ClimbsUp(name.substr(start, end - start))) return "holds '..', which leads out of its folder";
        start = end + 1;
    }
    return "";
}

std::string FolderNameRefusal(const std::string& what, std::string_view name, const std::string& problem) {
    return what + " '" + Printable(name) + "' " + problem +
           "; a name is relative to its folder (sub-folders written with '/' or '\\' are fine), without '..', a "
           "leading '/' or '\\', a drive or control characters";
}

std::vector<std::filesystem::path> RootFiles::FindAll(std::string_view relative, file_case::Kind kind) const {
    std::vector<std::filesystem::path> paths;
    for (auto& match : file_case::FindIgnoringCase(root_, relative, kind)) paths.push_back(std::move(match.path));
    return paths;
}

std::optional<std::filesystem::path> RootFiles::Find(std::string_view relative, file_case::Kind kind) {
    const std::vector<file_case::Match> found = file_case::FindIgnoringCase(root_, relative, kind);
    if (found.empty()) return std::nullopt;
    if (found.size() > 1) {
        std::vector<std::filesystem::path> sorted;
        for (const auto& match : found) sorted.push_back(match.path);
        std::sort(sorted.begin(), sorted.end());
        if (told_.insert(sorted).second && onAmbiguous) {
            std::string files;
            for (size_t i = 0; i < sorted.size(); ++i)
                files += (i == 0 ? "" : i + 1 == sorted.size() ? " and " : ", ") + Printable(platform::Utf8(sorted[i]));
            const char* why = found.front().exact ? ", spelled exactly so" : ", the first in sorted order";
            onAmbiguous("files that differ only in case answer '" + Printable(relative) + "': " + files + "; read " +
                        Printable(platform::Utf8(found.front().path)) + why +
                        " (a name spelled exactly as one of them reads that one, any other spelling the first in "
                        "sorted order); rename the others, as the simulator on Windows sees only one of them");
        }
    }
    return found.front().path;
}

}  // namespace sim
