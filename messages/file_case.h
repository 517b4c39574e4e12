// Finding a file by name as the simulator on Windows does: without regard to the case of letters,
// on every platform. A file system that keeps case (Linux) may hold several files whose names
// differ only in case; all of them are found, in a fixed order, so that the caller takes the same
// one every time and can say that there were more. Header only and standard library only: the
// headless host finds class files, meshes and modules this way, and the module's library loader
// its message module.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace file_case {

enum class Kind { File, Folder };

inline char FoldLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Letters A-Z as a-z; any other byte (UTF-8 included) must match as it is.
inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return FoldLetter(x) == FoldLetter(y); });
}

struct Match {
    std::filesystem::path path;
    bool exact;  // spelled as the name was written
};

// Every file (or folder) below `base` that `relative` names when case is not regarded: its
// components are separated by '/' or '\', and empty and "." components are skipped. The one
// spelled exactly as `relative` comes first when there is one, then the others in sorted order;
// empty when none. Each component is matched only against the entries that its folder lists, so a
// ".." matches nothing and the search never climbs out of `base` (links inside it are followed, as
// any open of the file would). A folder that cannot be listed holds nothing.
inline std::vector<Match> FindIgnoringCase(const std::filesystem::path& base,
                                           std::string_view relative, Kind kind = Kind::File) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = relative.size();
        const std::string_view component = relative.substr(start, end - start);
        if (!component.empty() && component != ".") components.emplace_back(component);
        start = end + 1;
    }
    std::vector<Match> matches;
    if (components.empty()) return {};
    matches.push_back({base, true});
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::vector<Match> next;
        for (const Match& folder : matches) {
            std::error_code ec;
            for (std::filesystem::directory_iterator it(folder.path, ec), end; !ec && it != end; it.increment(ec)) {
                std::string name;
                try {
                    // Names are written in files as UTF-8; Windows lists them as UTF-16.
                    const auto utf8 = it->path().filename().u8string();
                    name.assign(utf8.begin(), utf8.end());
                } catch (const std::exception&) {
                    continue;  // a name that is no valid text is no name written in a file
                }
                if (!SameIgnoringCase(name, components[i])) continue;
                std::error_code typeError;
                const bool fits = last && kind == Kind::File ? it->is_regular_file(typeError)
                                                             : it->is_directory(typeError);
                if (fits) next.push_back({it->path(), folder.exact && name == components[i]});
            }
        }
        matches = std::move(next);
    }
    std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
        if (a.exact != b.exact) return a.exact;
        return a.path < b.path;
    });
    return matches;
}

}  // namespace file_case
