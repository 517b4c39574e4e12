// The mesh reader holds files to the limits of the simulator's own reader (line length, material
// and texture numbers, vertices per group), and the shipped meshes meet them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>

#include "sim/errors.h"
#include "sim/mesh.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

const std::string TRIANGLE = "GEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n";  // 5 lines
// Lines 1 and 2, then the group's header lines from line 3.
std::string OneGroup(const std::string& header, const std::string& tail = "") {
    return "MSHX1\nGROUPS 1\n" + header + TRIANGLE + tail;
}
std::string Materials(const std::string& specular = "1 1 1 1") {
    return "MATERIALS 1\nhull\nMATERIAL hull\n1 1 1 1\n1 1 1 1\n" + specular + "\n0 0 0 1\n";
}
std::string Label(size_t lineLength) { return "LABEL " + std::string(lineLength - 6, 'a'); }
std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}
std::string Vertices(long count) {
    std::string text = "MSHX1\nGROUPS 1\nGEOM " + std::to_string(count) + " 1\n";
    for (long i = 0; i < count; ++i) text += "0 0 " + std::to_string(i) + "\n";
    return text + "0 1 2\n";
}

struct LimitCase {
    std::string name;
    std::string text;
    std::optional<std::string> error;  // none: the file is read, its one group intact
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

std::vector<LimitCase> LimitCases() {
    return {
        {"LineOf256Characters", OneGroup(Label(256) + "\n"), "m.msh:3: the line has 256 characters; the simulator reads at most 255"},
        {"LineOf255Characters", OneGroup(Label(255) + "\n"), std::nullopt},
        {"CrLfLineOf255Characters", CrLf(OneGroup(Label(255) + "\n")), std::nullopt},
        {"BlankLineOf256Spaces", "MSHX1\n" + std::string(256, ' ') + "\nGROUPS 0\n", "m.msh:2: the line has 256 characters"},
        {"LongMaterialName", OneGroup("", "MATERIALS 1\n" + std::string(300, 'm') + "\n"), "m.msh:9: the line has 300 characters"},
        {"MaterialBeyondTheList", OneGroup("MATERIAL 2\n", Materials()),
         "m.msh:3: MATERIAL 2 names no material: the file lists 1 material, so 0 (none) to 1 is accepted; they count from 1"},
        {"LastMaterial", OneGroup("MATERIAL 1\nTEXTURE 0\n", Materials() + "TEXTURES 0\n"), std::nullopt},
        {"MaterialWithoutMaterials", OneGroup("LABEL hull\nMATERIAL 1\n"),
         "m.msh:4: MATERIAL 1 names no material: the file lists no materials, so only 0 (none) is accepted"},
        {"NoMaterialWithoutMaterials", OneGroup("MATERIAL 0\n"), std::nullopt},
        {"MaterialOfALaterGroup", "MSHX1\nGROUPS 2\n" + TRIANGLE + "MATERIAL 3\n" + TRIANGLE + Materials(),
         "m.msh:8: MATERIAL 3 names no material"},
        {"NegativeMaterial", OneGroup("MATERIAL -1\n"), "m.msh:3: expected 'MATERIAL k' with k 0 for none"},
        {"TextureBeyondTheList", OneGroup("TEXTURE 1\n", Materials() + "TEXTURES 0\n"),
         "m.msh:3: TEXTURE 1 names no texture: the file lists no textures"},
        {"LastTexture", OneGroup("TEXTURE 2\n", "TEXTURES 2\nhull.dds\npanel.dds\n"), std::nullopt},
        {"TooManyVertices", "MSHX1\nGROUPS 1\nGEOM 65536 1\n",
         "m.msh:3: group 0 has 65536 vertices; the simulator numbers them in 16 bits, so a group has at most 65535"},
        {"MostVertices", Vertices(65535), std::nullopt},
        {"GroupBeyondTheCount", "MSHX1\nGROUPS 1\n" + TRIANGLE + TRIANGLE,
         "m.msh:8: expected 'MATERIALS m', 'TEXTURES t' or the end of the file after the 1 groups that GROUPS announced"},
        {"MaterialsWithoutCount", OneGroup("", "MATERIALS\n"), "m.msh:8: expected 'MATERIALS n'"},
        {"ColoursCutShort", OneGroup("", "MATERIALS 1\nhull\nMATERIAL hull\n1 1 1 1\n"),
         "m.msh:11: the file ends where the ambient colour 'r g b a' was expected"},
        {"ColourOfThreeNumbers", OneGroup("", "MATERIALS 1\nhull\nMATERIAL hull\n1 1 1\n"),
         "m.msh:11: expected the diffuse colour 'r g b a' of material 1"},
        {"ColoursWithoutTheirMaterialLine", OneGroup("", "MATERIALS 1\nhull\n1 1 1 1\n"),
         "m.msh:10: expected 'MATERIAL name' to start the colours of material 1 of 1"},
        {"SpecularPower", OneGroup("MATERIAL 1\n", Materials("1 1 1 1 20")), std::nullopt},
        {"NoNormals", OneGroup("NONORMAL\n"), std::nullopt},
    };
}

class MeshLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(MeshLimits, RefuseWithTheLineOrReadTheGroup) {
    const LimitCase& c = GetParam();
    if (c.error) {
        try {
            sim::ParseMesh(c.text, "m.msh");
            ADD_FAILURE() << "read without an error";
        } catch (const sim::InputError& e) {
            EXPECT_THAT(e.what(), HasSubstr(*c.error));
        }
        return;
    }
    std::shared_ptr<const sim::MeshData> mesh;
    ASSERT_NO_THROW(mesh = sim::ParseMesh(c.text, "m.msh"));
    ASSERT_EQ(mesh->groups.size(), 1u);
    EXPECT_FALSE(mesh->groups[0].vertices.empty());
    EXPECT_EQ(mesh->groups[0].triangles.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, MeshLimits, testing::ValuesIn(LimitCases()),
                         [](const testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

// Every mesh of the add-on, as the build root holds it.
std::vector<fs::path> ShippedMeshes() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(talvek_test::BuildRoot() / "Meshes"))
        if (entry.path().extension() == ".msh") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::shared_ptr<const sim::MeshData> Shipped(const std::string& name) {
    return sim::ReadMeshFile(talvek_test::BuildRoot() / "Meshes" / (name + ".msh"));
}

const sim::MeshGroup* GroupLabelled(const sim::MeshData& mesh, const std::string& label) {
    for (const auto& g : mesh.groups)
        if (g.label == label) return &g;
    return nullptr;
}

}  // namespace

TEST(ShippedMeshes, ReadWithinTheLimitsEveryGroupWithGeometryAndMaterial) {
    const auto files = ShippedMeshes();
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::shared_ptr<const sim::MeshData> mesh;
        try {
            mesh = sim::ReadMeshFile(file);
        } catch (const sim::InputError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        // A group without geometry would not count here but would in the simulator, and
        // every group number after it would name another group.
        std::istringstream text(talvek_test::ReadFile(file));
        std::string header, groups;
        long announced = -1;
        text >> header >> groups >> announced;
        EXPECT_EQ(static_cast<long>(mesh->groups.size()), announced);
        for (const auto& g : mesh->groups) EXPECT_GE(g.material, 1) << g.label << " is drawn without a material";
    }
}

TEST(ShippedMeshes, GroupsNameTheirMaterialsCountingFromOne) {
    struct Expected {
        const char* mesh;
        const char* label;
        const char* material;
    };
    const Expected table[] = {
        {"talvek", "orbital_module", "hull"},        {"talvek", "left_wing_1", "panel"},
        {"talvek", "docking_probe_base", "metal"},   {"talvek-descent", "heat_shield", "shield"},
        {"tlvchute", "canopy", "canopy"},            {"tlvdrogue", "lines", "metal"},
        {"tlvsat", "panel_left", "panel"},           {"tlvorbit", "orbital_module", "hull"},
        {"tlvservice", "main_engine_nozzle", "metal"}, {"tlvservice", "right_wing_3", "panel"},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(std::string(e.mesh) + " " + e.label);
        const auto mesh = Shipped(e.mesh);
        const sim::MeshGroup* g = GroupLabelled(*mesh, e.label);
        ASSERT_NE(g, nullptr);
        ASSERT_GE(g->material, 1);
        ASSERT_LE(g->material, static_cast<int>(mesh->materials.size()));
        EXPECT_EQ(mesh->materials[g->material - 1], e.material);
    }
}

TEST(ShippedMeshes, FullStackKeepsTheGroupNumbersThatTheDeploymentAnimationMoves) {
    const std::pair<size_t, const char*> moved[] = {
        {0, "docking_probe_base"}, {4, "docking_probe_rod"},  {12, "rear_antenna"},       {14, "side_cover"},
        {15, "top_cover"},         {16, "left_wing_1"},       {17, "left_wing_2"},        {18, "left_wing_4_outer"},
        {19, "left_wing_4"},       {20, "left_wing_3"},       {21, "right_wing_1"},       {22, "right_wing_2"},
        {23, "right_wing_4"},      {24, "right_wing_4_outer"}, {25, "right_wing_3"},      {26, "antenna_2"},
        {27, "antenna_1"},
    };
    const auto mesh = Shipped("talvek");
    ASSERT_GE(mesh->groups.size(), 28u);
    for (const auto& [index, label] : moved) EXPECT_EQ(mesh->groups[index].label, label) << "group " << index;
}

TEST(ShippedMeshes, FullStackHullHasNoGapAlongItsAxis) {
    // The hull groups, end to end from the service module's rear to the orbital module's nose.
    const auto mesh = Shipped("talvek");
    const int hull = static_cast<int>(std::find(mesh->materials.begin(), mesh->materials.end(), "hull") -
                                      mesh->materials.begin()) + 1;
    std::vector<std::pair<double, double>> spans;
    for (const auto& g : mesh->groups) {
        if (g.material != hull || g.vertices.empty()) continue;
        auto [lo, hi] = std::minmax_element(g.vertices.begin(), g.vertices.end(),
                                            [](const VECTOR3& a, const VECTOR3& b) { return a.z < b.z; });
        spans.emplace_back(lo->z, hi->z);
    }
    ASSERT_FALSE(spans.empty());
    std::sort(spans.begin(), spans.end());
    double reach = spans.front().second;
    for (const auto& [start, end] : spans) {
        EXPECT_LE(start, reach + 1e-6) << "a gap from z = " << reach << " to " << start;
        reach = std::max(reach, end);
    }
}
