// Names that files give for other files (a class, a module, a mesh) name a file inside the host's
// folder for that kind: Config/Vessels, Modules or Meshes. They may reach into sub-folders of it,
// written with '\' or '/' (add-ons keep their meshes in sub-folders), but never out of it.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// What makes a name reach outside its folder or name nothing in it ("" when nothing does): an
// empty name, a control character, an absolute form (a leading '/' or '\', which covers
// "\\server", or a drive "X:"), or a ".." component (or one of dots and blanks only that holds
// "..", which Windows may read as one). Each problem is said as the end of a sentence: "is empty".
std::string FolderNameProblem(std::string_view name);

// The refusal that the host gives for such a name: "the <what> '<name>' <problem>; <the rule>".
// The name is shown with its control characters escaped.
std::string FolderNameRefusal(const std::string& what, std::string_view name, const std::string& problem);

}  // namespace sim
