#include "mesh.h"

#include <fstream>
#include <sstream>

#include "errors.h"
#include "text.h"

namespace sim {

namespace {

class LineReader {
public:
    LineReader(const std::string& text, std::string file) : in_(text), file_(std::move(file)) {}

    // The next line that is not blank; false at the end.
    bool Next(std::string& line) {
        while (std::getline(in_, line)) {
            ++number_;
            line = Trim(line);
            if (!line.empty()) return true;
        }
        return false;
    }
    std::string Require(const char* what) {
        std::string line;
        if (!Next(line)) Fail("the file ends where " + std::string(what) + " was expected");
        return line;
    }
    [[noreturn]] void Fail(const std::string& message) const { throw InputError(Where(file_, number_, message)); }

private:
    std::istringstream in_;
    std::string file_;
    int number_ = 0;
};

}  // namespace

std::shared_ptr<const MeshData> ParseMesh(const std::string& text, const std::string& fileName) {
    LineReader r(text, fileName);
    auto mesh = std::make_shared<MeshData>();
    if (r.Require("the header MSHX1") != "MSHX1") r.Fail("a mesh file starts with the line MSHX1");

    std::vector<std::string> words = SplitWords(r.Require("GROUPS n"));
    long groupCount = 0;
    if (words.size() != 2 || !EqualsNoCase(words[0], "GROUPS") || !ParseLong(words[1], groupCount) || groupCount < 0)
        r.Fail("expected 'GROUPS n' with n a whole number of groups");

    for (long g = 0; g < groupCount; ++g) {
        MeshGroup group;
        for (;;) {
            words = SplitWords(r.Require("GEOM nv nt"));
            if (EqualsNoCase(words[0], "LABEL")) {
                group.label = words.size() > 1 ? words[1] : std::string();
                continue;
            }
            if (EqualsNoCase(words[0], "MATERIAL") || EqualsNoCase(words[0], "TEXTURE") ||
                EqualsNoCase(words[0], "FLAG") || EqualsNoCase(words[0], "NONORMAL"))
                continue;
            break;
        }
        long nv = 0, nt = 0;
        if (words.size() != 3 || !EqualsNoCase(words[0], "GEOM") || !ParseLong(words[1], nv) || !ParseLong(words[2], nt) ||
            nv < 0 || nt < 0)
            r.Fail("expected 'GEOM nv nt' with the numbers of vertices and triangles of group " + std::to_string(g));
        for (long i = 0; i < nv; ++i) {
            words = SplitWords(r.Require("a vertex line"));
            double c[3];
            if (words.size() < 3 || !ParseDouble(words[0], c[0]) || !ParseDouble(words[1], c[1]) ||
                !ParseDouble(words[2], c[2]))
                r.Fail("expected a vertex line 'x y z [nx ny nz] [u v]'");
            group.vertices.push_back({c[0], c[1], c[2]});
        }
        for (long i = 0; i < nt; ++i) {
            words = SplitWords(r.Require("a triangle line"));
            long t[3];
            if (words.size() != 3 || !ParseLong(words[0], t[0]) || !ParseLong(words[1], t[1]) || !ParseLong(words[2], t[2]))
                r.Fail("expected a triangle line 'i j k' of three vertex indices");
            for (long k : t)
                if (k < 0 || k >= nv) r.Fail("vertex index " + std::to_string(k) + " is outside 0.." + std::to_string(nv - 1));
            group.triangles.push_back({static_cast<int>(t[0]), static_cast<int>(t[1]), static_cast<int>(t[2])});
        }
        if (!group.vertices.empty() && !group.triangles.empty()) mesh->groups.push_back(std::move(group));
    }
    // MATERIALS and TEXTURES follow; the headless host draws nothing, so they are not read.
    return mesh;
}

std::shared_ptr<const MeshData> ReadMeshFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Where(path.string(), 0, "cannot be read"));
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMesh(text.str(), path.string());
}

}  // namespace sim
