// Names in files (classes, modules, meshes) name files inside their folder, sub-folders
// included, and never one outside it: the rule, and what the host's calls do with a name that
// breaks it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "host/orbiter.h"
#include "sim/folder_names.h"
#include "tests/host/host_fixture.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

struct NameCase {
    const char* name;
    bool accepted;
};

TEST(FolderNames, MayReachIntoSubFoldersButNeverOut) {
    const NameCase cases[] = {
        {"tlvsat", true},
        {"Talvek\\tlvsat", true},       // add-ons keep meshes in sub-folders
        {"addon/cargo/box", true},
        {"a..b", true},                   // dots inside a name
        {"...hidden", true},
        {"./tlvsat", true},               // stays in the folder
        {"-", true},
        {"", false},
        {"..", false},
        {"../x/evil", false},
        {"..\\x\\evil", false},
        {"sub/../../evil", false},
        {"sub\\..", false},
        {"sub/... /evil", false},         // Windows drops a component's trailing dots and blanks
        {"/etc/evil", false},
        {"\\x\\evil", false},
        {"\\\\server\\share\\evil", false},
        {"C:evil", false},
        {"c:/x/evil", false},
        {"tab\there", false},
        {"line\nbreak", false},
        {"del\x7f", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sim::FolderNameProblem(c.name).empty(), c.accepted) << '"' << c.name << '"';
}

// A file outside the host's root, where a name that climbs out of its folder would find it.
class OutsideTheRoot : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        fs::copy_file(root.Path() / "Meshes" / "tlvsat.msh", outside.Path() / "evil.msh");
        outside.Write("evil.cfg", "ClassName = evil\nMass = 10\n");
        // From Config/Vessels (classes) and from Meshes, the temporary folder is two or three levels up.
        climbToMesh = "../../" + outside.Path().filename().string() + "/evil";
        climbToClass = "../../../" + outside.Path().filename().string() + "/evil";
    }
    talvek_test::ScratchDir outside{"outside-root"};
    std::string climbToMesh, climbToClass;
};

TEST_F(OutsideTheRoot, MeshNamesLeadingOutOfMeshesLoadNothing) {
    ASSERT_EQ(root.Path().parent_path(), outside.Path().parent_path());
    sim::VesselRecord* v = Probe();
    for (const std::string& name : {climbToMesh, "/" + (outside.Path() / "evil").relative_path().string()}) {
        world->warnings.clear();
        EXPECT_EQ(oapiLoadMesh(name.c_str()), nullptr) << name;
        const UINT index = v->iface->AddMesh(name.c_str());
        ASSERT_LT(index, v->def.meshes.size());
        EXPECT_EQ(v->def.meshes[index].data, nullptr) << "an empty slot, as for a mesh not found: " << name;
        ASSERT_EQ(world->warnings.size(), 1u) << "one warning for the name";
        EXPECT_THAT(world->warnings[0], HasSubstr("mesh '" + name + "'"));
        EXPECT_THAT(world->warnings[0], HasSubstr("its template is null"));
    }
    EXPECT_FALSE(world->PendingError());
    EXPECT_NE(oapiLoadMesh("tlvsat"), nullptr) << "a name within Meshes still loads";
}

TEST_F(OutsideTheRoot, VesselOfAClassOutsideTheClassFolderIsNotCreated) {
    VESSELSTATUS status{};
    status.rpos = {6.771e6, 0, 0};
    status.rvel = {0, 0, 7670};
    EXPECT_EQ(oapiCreateVessel("Evil", climbToClass.c_str(), status), nullptr);
    EXPECT_EQ(world->FindByName("Evil"), nullptr);
    ASSERT_EQ(world->warnings.size(), 1u);
    EXPECT_THAT(world->warnings[0], HasSubstr("vessel 'Evil' of class '" + climbToClass + "' not created"));
    EXPECT_THAT(world->warnings[0], HasSubstr("holds '..'"));
    EXPECT_FALSE(world->PendingError()) << "a refused vessel, not a broken class file";
    EXPECT_NE(oapiCreateVessel("Fine", "Probe", status), nullptr);
}

}  // namespace
