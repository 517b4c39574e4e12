// Before the first frame: the class files under the root's Config folder, and the meshes they
// name, read and checked, so that a mistake in a class that a module creates late in the
// flight is found at once instead of when the vessel appears.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sim/folder_names.h"
#include "sim/mesh.h"
#include "sim/scenario.h"

namespace sim {

struct ClassCheckReport {
    // Each "FILE:LINE: what is wrong; what is accepted".
    std::vector<std::string> errors;    // in a class the scenario or its payload lines name: the run does not start
    std::vector<std::string> warnings;  // the run goes on
    // A warning concerns a class the scenario or its payload lines name (--strict ends the run on it).
    bool warnedAboutNamedClass = false;
    // A warning concerns a PAYLOAD or STAGE line of the scenario: a fuel level beyond 0..1, a mesh that
    // is not there (--strict ends the run on it).
    bool warnedAboutPayloadLine = false;
};

// Reads every class file in ROOT/Config/Vessels (with its subfolders), and the files directly in
// ROOT/Config that the scenario names or that hold a ClassName key, with the module file of each
// that has a Module. The classes named are the scenario's vessels' classes and the classes of its
// PAYLOAD and STAGE lines; their files, and the meshes and modules that classes name, are found as
// the host finds them (without regard to case). The PAYLOAD and STAGE lines of the vessels that have
// a module are checked against the root too: a stage that holds lines must be of a class whose
// module can take them, a fuel level lie within 0..1, a mesh be in Meshes. Meshes are
// read through the given cache, and files found through the given lookup, when there are ones, so
// that the world that flies them reads none again and warns once of files that differ only in case
// (without a lookup, those warnings are the report's).
ClassCheckReport CheckClassFiles(const std::filesystem::path& root, const Scenario& scenario,
                                 MeshFileCache* meshFiles = nullptr, RootFiles* files = nullptr);

}  // namespace sim
