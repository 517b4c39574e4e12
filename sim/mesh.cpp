#include "sim/mesh.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>
#include <vector>
#include <sstream>

#include "sim/errors.h"
#include "sim/text.h"

namespace sim {

namespace {

class LineReader {
public:
    // text must outlive the reader.
    LineReader(const std::string& text, std::string file) : text_(text), file_(std::move(file)) {}

    // The next line that is not blank; false at the end. Every line, blank or not, must fit
    // the simulator's line buffer.
    bool Next(std::string& line) {
        while (GetLine(line)) {
            ++number_;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > MESH_MAX_LINE_LENGTH)
                Fail("the line has " + std::to_string(line.size()) + " characters; the simulator reads at most " +
                     std::to_string(MESH_MAX_LINE_LENGTH));
            // Trimmed in place as Trim does, without a new string for each of a mesh's thousands of lines.
            constexpr const char* BLANKS = " \t\r\n";
            const size_t last = line.find_last_not_of(BLANKS);
            if (last == std::string::npos) continue;
            line.erase(last + 1);
            line.erase(0, line.find_first_not_of(BLANKS));
            return true;
        }
        return false;
    }
    std::string Require(const std::string& what) {
        std::string line;
        if (!Next(line)) Fail("the file ends where " + what + " was expected");
        return line;
    }
    // The words of the next line that is not blank; Next skips lines of blanks only, but a
    // line of other white space (vertical tab, form feed) must not yield an empty list either.
    std::vector<std::string> RequireWords(const std::string& what) {
        std::vector<std::string> words = SplitWords(Require(what));
        if (words.empty()) Fail("expected " + what);
        return words;
    }
    // As RequireWords, for the lines a mesh has thousands of: the first max words as views into
    // the line (valid until the next read), and the number of all its words.
    size_t RequireViews(const char* what, std::string_view* views, size_t max) {
        // Read into the same buffer every time: a mesh's lines need no string each.
        if (!Next(line_)) Fail(std::string("the file ends where ") + what + " was expected");
        size_t count = 0, i = 0;
        // White space as isspace has it in the C locale, which the host never changes.
        auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
        while (i < line_.size()) {
            while (i < line_.size() && space(line_[i])) ++i;
            const size_t start = i;
            while (i < line_.size() && !space(line_[i])) ++i;
            if (i > start) {
                if (count < max) views[count] = std::string_view(line_).substr(start, i - start);
                ++count;
            }
        }
        if (count == 0) Fail(std::string("expected ") + what);
        return count;
    }
    int Number() const { return number_; }
    [[noreturn]] void Fail(const std::string& message) const { FailAt(number_, message); }
    [[noreturn]] void FailAt(int line, const std::string& message) const {
        throw InputError(Where(file_, line, message));
    }

private:
    // The next line up to '\n' as std::getline gives it, without a stream: false at the end.
    bool GetLine(std::string& line) {
        if (next_ >= text_.size()) return false;
        size_t end = text_.find('\n', next_);
        if (end == std::string_view::npos) end = text_.size();
        line.assign(text_.substr(next_, end - next_));
        next_ = end + 1;
        return true;
    }

    std::string_view text_;
    size_t next_ = 0;  // where the next line starts in text_
    std::string file_;
    int number_ = 0;
    std::string line_;  // the line RequireViews's views look into
};

// A group's MATERIAL or TEXTURE line, checked once the file's lists are known.
struct Reference {
    bool material;  // else texture
    long index;
    int line;
};

long CountAfter(LineReader& r, const std::vector<std::string>& words, const char* keyword) {
    long count = 0;
    if (words.size() != 2 || !ParseLong(words[1], count) || count < 0)
        r.Fail("expected '" + std::string(keyword) + " n' with n a whole number");
    return count;
}

// The lines before GEOM; returns the GEOM line's words.
std::vector<std::string> ReadGroupHeader(LineReader& r, MeshGroup& group, std::vector<Reference>& references) {
    for (;;) {
        std::vector<std::string> words = r.RequireWords("GEOM nv nt");
        if (EqualsNoCase(words[0], "LABEL")) {
            group.label = words.size() > 1 ? words[1] : std::string();
        } else if (EqualsNoCase(words[0], "MATERIAL") || EqualsNoCase(words[0], "TEXTURE")) {
            const bool material = EqualsNoCase(words[0], "MATERIAL");
            const char* keyword = material ? "MATERIAL" : "TEXTURE";
            long index = 0;
            if (words.size() != 2 || !ParseLong(words[1], index) || index < 0)
                r.Fail("expected '" + std::string(keyword) + " k' with k 0 for none or a " +
                       (material ? "material" : "texture") + "'s number counted from 1");
            references.push_back(Reference{material, index, r.Number()});
            // Beyond the lists, the file is refused before the number is used.
            (material ? group.material : group.texture) = static_cast<int>(index);
        } else if (!EqualsNoCase(words[0], "FLAG") && !EqualsNoCase(words[0], "NONORMAL")) {
            return words;
        }
    }
}

void ReadGroupGeometry(LineReader& r, const std::vector<std::string>& geom, long g, MeshGroup& group) {
    long nv = 0, nt = 0;
    if (geom.size() != 3 || !EqualsNoCase(geom[0], "GEOM") || !ParseLong(geom[1], nv) || !ParseLong(geom[2], nt) ||
        nv < 0 || nt < 0)
        r.Fail("expected 'GEOM nv nt' with the numbers of vertices and triangles of group " + std::to_string(g));
    if (nv > MESH_MAX_GROUP_VERTICES)
        r.Fail("group " + std::to_string(g) + " has " + std::to_string(nv) +
               " vertices; the simulator numbers them in 16 bits, so a group has at most " +
               std::to_string(MESH_MAX_GROUP_VERTICES) + " (split it into several groups)");
    group.vertices.reserve(static_cast<size_t>(nv));  // at most 65535
    for (long i = 0; i < nv; ++i) {
        std::string_view words[3];
        const size_t count = r.RequireViews("a vertex line", words, 3);
        double c[3];
        if (count < 3 || !ParseDouble(words[0], c[0]) || !ParseDouble(words[1], c[1]) || !ParseDouble(words[2], c[2]))
            r.Fail("expected a vertex line 'x y z [nx ny nz] [u v]'");
        group.vertices.push_back({c[0], c[1], c[2]});
    }
    for (long i = 0; i < nt; ++i) {
        std::string_view words[3];
        const size_t count = r.RequireViews("a triangle line", words, 3);
        long t[3];
        if (count != 3 || !ParseLong(words[0], t[0]) || !ParseLong(words[1], t[1]) || !ParseLong(words[2], t[2]))
            r.Fail("expected a triangle line 'i j k' of three vertex indices");
        for (long k : t)
            if (k < 0 || k >= nv) r.Fail("vertex index " + std::to_string(k) + " is outside 0.." + std::to_string(nv - 1));
        group.triangles.push_back({static_cast<int>(t[0]), static_cast<int>(t[1]), static_cast<int>(t[2])});
    }
}

// "MATERIALS m", m names, then per material "MATERIAL name" and its diffuse, ambient, specular
// and emissive colours "r g b a" (the specular one may add its power).
void ReadMaterials(LineReader& r, long count, std::vector<std::string>& names, std::vector<MaterialColour>& diffuse) {
    for (long i = 0; i < count; ++i) names.push_back(r.Require("the name of material " + std::to_string(i + 1)));
    static const char* const COLOURS[] = {"diffuse", "ambient", "specular", "emissive"};
    for (long i = 0; i < count; ++i) {
        const std::vector<std::string> words = r.RequireWords("'MATERIAL " + names[i] + "'");
        if (words.size() < 2 || !EqualsNoCase(words[0], "MATERIAL"))
            r.Fail("expected 'MATERIAL name' to start the colours of material " + std::to_string(i + 1) + " of " +
                   std::to_string(count));
        for (int c = 0; c < 4; ++c) {
            const std::string what = std::string("the ") + COLOURS[c] + " colour 'r g b a" + (c == 2 ? " [power]" : "") + "'";
            const std::vector<std::string> numbers = r.RequireWords(what);
            bool ok = numbers.size() == 4 || (c == 2 && numbers.size() == 5);
            double d[5] = {};
            for (size_t k = 0; k < numbers.size() && k < 5; ++k) ok = ok && ParseDouble(numbers[k], d[k]);
            if (!ok) r.Fail("expected " + what + " of material " + std::to_string(i + 1));
            // talvek-sim's pictures colour a group by its material's diffuse colour.
            if (c == 0) diffuse.push_back(MaterialColour{d[0], d[1], d[2]});
        }
    }
}

void CheckReferences(const LineReader& r, const std::vector<Reference>& references, const MeshData& mesh) {
    for (const Reference& ref : references) {
        const long count = static_cast<long>(ref.material ? mesh.materials.size() : mesh.textures.size());
        if (ref.index <= count) continue;
        const std::string kind = ref.material ? "material" : "texture";
        const std::string keyword = ref.material ? "MATERIAL" : "TEXTURE";
        const std::string accepted =
            count == 0 ? "the file lists no " + kind + "s, so only 0 (none) is accepted"
                       : "the file lists " + std::to_string(count) + " " + kind + (count == 1 ? "" : "s") +
                             ", so 0 (none) to " + std::to_string(count) + " is accepted; they count from 1";
        r.FailAt(ref.line, keyword + " " + std::to_string(ref.index) + " names no " + kind + ": " + accepted);
    }
}

}  // namespace

std::shared_ptr<const MeshData> ParseMesh(const std::string& text, const std::string& fileName) {
    LineReader r(text, fileName);
    auto mesh = std::make_shared<MeshData>();
    if (r.Require("the header MSHX1") != "MSHX1") r.Fail("a mesh file starts with the line MSHX1");

    std::vector<std::string> words = r.RequireWords("GROUPS n");
    long groupCount = 0;
    if (words.size() != 2 || !EqualsNoCase(words[0], "GROUPS") || !ParseLong(words[1], groupCount) || groupCount < 0)
        r.Fail("expected 'GROUPS n' with n a whole number of groups");

    std::vector<Reference> references;
    for (long g = 0; g < groupCount; ++g) {
        MeshGroup group;
        const std::vector<std::string> geom = ReadGroupHeader(r, group, references);
        ReadGroupGeometry(r, geom, g, group);
        if (!group.vertices.empty() && !group.triangles.empty()) mesh->groups.push_back(std::move(group));
    }

    // The lists are read so that the groups' numbers can be held against them, and so that a
    // group beyond the GROUPS count does not go unnoticed; talvek-sim render uses the colours.
    std::string line;
    bool more = r.Next(line);
    auto startsWith = [&](const char* keyword) {
        const std::vector<std::string> words = SplitWords(line);
        return !words.empty() && EqualsNoCase(words[0], keyword);
    };
    if (more && startsWith("MATERIALS")) {
        ReadMaterials(r, CountAfter(r, SplitWords(line), "MATERIALS"), mesh->materials, mesh->diffuse);
        more = r.Next(line);
    }
    if (more && startsWith("TEXTURES")) {
        const long count = CountAfter(r, SplitWords(line), "TEXTURES");
        for (long i = 0; i < count; ++i)
            mesh->textures.push_back(r.Require("the file name of texture " + std::to_string(i + 1)));
        more = r.Next(line);
    }
    if (more)
        r.Fail("expected 'MATERIALS m', 'TEXTURES t' or the end of the file after the " + std::to_string(groupCount) +
               " groups that GROUPS announced");
    CheckReferences(r, references, *mesh);
    return mesh;
}

std::shared_ptr<const MeshData> ReadMeshFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Where(path.string(), 0, "cannot be read"));
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMesh(text.str(), path.string());
}

std::filesystem::path MeshPath(const std::filesystem::path& root, const std::string& meshName) {
    std::string relative = meshName;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return root / "Meshes" / (relative + ".msh");
}

std::optional<std::filesystem::path> FindMeshFile(RootFiles& files, const std::string& meshName) {
    return files.Find("Meshes/" + meshName + ".msh");
}

std::shared_ptr<const MeshData> MeshFileCache::Read(const std::filesystem::path& path) {
    auto [it, first] = entries_.try_emplace(path.string());
    if (first) {
        try {
            it->second.data = ReadMeshFile(path);
        } catch (const InputError& e) {
            it->second.error = e.what();
        }
    }
    if (!it->second.data) throw InputError(it->second.error);
    return it->second.data;
}

}  // namespace sim
