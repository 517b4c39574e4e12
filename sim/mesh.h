// Mesh files: text, "MSHX1", "GROUPS n", per group optional LABEL / MATERIAL / TEXTURE lines and
// "GEOM nv nt" with nv vertex lines and nt triangle lines, then MATERIALS and TEXTURES.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../host/hosttypes.h"

namespace sim {

struct MeshGroup {
    std::string label;
    std::vector<VECTOR3> vertices;
    std::vector<std::array<int, 3>> triangles;
};

struct MeshData {
    std::vector<MeshGroup> groups;  // groups without geometry are not counted
};

// Throws InputError naming the file and line of the first malformed line.
std::shared_ptr<const MeshData> ReadMeshFile(const std::filesystem::path& path);
std::shared_ptr<const MeshData> ParseMesh(const std::string& text, const std::string& fileName);

}  // namespace sim
