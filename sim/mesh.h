// Mesh files: text, "MSHX1", "GROUPS n", per group optional LABEL / MATERIAL / TEXTURE lines and
// "GEOM nv nt" with nv vertex lines and nt triangle lines, then MATERIALS and TEXTURES.
// The reader holds a file to the limits of the simulator's own reader, so that a mesh that
// talvek-sim accepts is drawn by the simulator as well.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/hosttypes.h"
#include "sim/folder_names.h"

namespace sim {

// The simulator reads each line into 256 characters, its terminating zero included.
constexpr std::size_t MESH_MAX_LINE_LENGTH = 255;
// It holds vertex indices in 16 bits.
constexpr long MESH_MAX_GROUP_VERTICES = 65535;

struct MeshGroup {
    std::string label;
    int material = 0;  // number in MeshData::materials counted from 1; 0: none
    int texture = 0;   // number in MeshData::textures counted from 1; 0: none
    std::vector<VECTOR3> vertices;
    std::vector<std::array<int, 3>> triangles;
};

// A material's diffuse colour, as the file gives it (0 to 1 for the usual range).
struct MaterialColour {
    double r = 0, g = 0, b = 0;
};

struct MeshData {
    std::vector<MeshGroup> groups;        // groups without geometry are not counted
    std::vector<std::string> materials;   // names, in the order MATERIAL numbers them
    std::vector<MaterialColour> diffuse;  // one per material, in the same order
    std::vector<std::string> textures;    // file names, in the order TEXTURE numbers them
};

// Throws InputError naming the file and line of the first malformed line; a MATERIAL or
// TEXTURE number is held against the lists at the end of the file once they are read.
std::shared_ptr<const MeshData> ReadMeshFile(const std::filesystem::path& path);
std::shared_ptr<const MeshData> ParseMesh(const std::string& text, const std::string& fileName);

// A mesh's file as its name is written ('\' read as '/'): ROOT/Meshes/<name>.msh.
std::filesystem::path MeshPath(const std::filesystem::path& root, const std::string& meshName);
// The mesh's file as the host reads it, found without regard to case; none when there is none.
std::optional<std::filesystem::path> FindMeshFile(RootFiles& files, const std::string& meshName);

// Mesh files read once per run: the check of the class files and the world's mesh templates
// share what each file gave, its data or its reader's error, by path.
class MeshFileCache {
public:
    // As ReadMeshFile, but each path is read and parsed at most once.
    std::shared_ptr<const MeshData> Read(const std::filesystem::path& path);

private:
    struct Entry {
        std::shared_ptr<const MeshData> data;
        std::string error;  // the reader's message when the file did not read
    };
    std::map<std::string, Entry> entries_;
};

}  // namespace sim
