// Names that files give for other files (a class, a module, a mesh) name a file inside the host's
// folder for that kind: Config/Vessels, Modules or Meshes. They may reach into sub-folders of it,
// written with '\' or '/' (add-ons keep their meshes in sub-folders), but never out of it. Names
// are found without regard to case, as on Windows.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "messages/file_case.h"

namespace sim {

// What makes a name reach outside its folder or name nothing in it ("" when nothing does): an
// empty name, a control character, an absolute form (a leading '/' or '\', which covers
// "\\server", or a drive "X:"), or a ".." component (or one of dots and blanks only that holds
// "..", which Windows may read as one). Each problem is said as the end of a sentence: "is empty".
std::string FolderNameProblem(std::string_view name);

// The refusal that the host gives for such a name: "the <what> '<name>' <problem>; <the rule>".
// The name is shown with its control characters escaped.
std::string FolderNameRefusal(const std::string& what, std::string_view name, const std::string& problem);

// The files of the host's root, found by name without regard to case as the simulator on Windows
// finds them (messages/file_case.h), on every platform. Where several files answer one name (names
// that differ only in case, which Linux can hold), the one spelled exactly as the name is taken,
// else the first in sorted order, and onAmbiguous hears of it once for those files.
class RootFiles {
public:
    explicit RootFiles(std::filesystem::path root) : root_(std::move(root)) {}
    const std::filesystem::path& Root() const { return root_; }
    // ROOT/<relative>, components separated by '/' or '\'; none when no file answers. The caller
    // has refused a name that leads out of its folder (FolderNameProblem).
    std::optional<std::filesystem::path> Find(std::string_view relative,
                                              file_case::Kind kind = file_case::Kind::File);
    // Every file that answers, in the order of choice; nothing is said of several.
    std::vector<std::filesystem::path> FindAll(std::string_view relative,
                                               file_case::Kind kind = file_case::Kind::File) const;
    // Given the warning's text; unset, nothing is said.
    std::function<void(std::string)> onAmbiguous;

private:
    std::filesystem::path root_;
    std::set<std::vector<std::filesystem::path>> told_;  // each set of files told of, sorted
};

}  // namespace sim
