// Class, module and mesh names in a scenario, a class file or a payload line name files inside
// their folders of the root (sub-folders included): one that leads out of them is refused with its
// file and line before anything is read or loaded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {

// OUT stands for the folder beside the root that holds the files a name must not reach: it is
// "../../../OUT" from Config/Vessels and "../../OUT" from Meshes and Modules.
struct NameCase {
    const char* name;
    const char* classFile;  // written to Config/Vessels/Bad.cfg when not empty
    const char* header;     // the vessel line
    const char* line;       // one more line of its block, line 6 of the file
    int status;
    const char* message;  // on standard error; SCN and CFG stand for the scenario's and Bad.cfg's paths
};

const NameCase CASES[] = {
    {"vessel_class", "", "E:../../../OUT/evil", "", 2,
     "SCN:2: the class name '../../../OUT/evil' holds '..', which leads out of its folder"},
    {"vessel_class_absolute", "", "E:/OUT/evil", "", 2, "SCN:2: the class name '/OUT/evil' starts with '/'"},
    {"vessel_class_drive", "", "E:C:\\evil", "", 2, "SCN:2: the class name 'C:\\evil' starts with a drive ('C:')"},
    {"vessel_class_control", "", "E:ev\x01il", "", 2, "SCN:2: the class name 'ev\\x01il' holds a control character"},
    {"class_module", "ClassName = Bad\nModule = ../../OUT/evil\n", "B:Bad", "", 2,
     "CFG:2: 'Module' '../../OUT/evil' holds '..'"},
    {"class_mesh", "ClassName = Bad\nMeshName = ../../OUT/evil\n", "B:Bad", "", 2,
     "CFG:2: 'MeshName' '../../OUT/evil' holds '..'"},
    {"unnamed_class_module_warns", "ClassName = Bad\nModule = ../../OUT/evil\n", "P:tlvsat", "", 0,
     "CFG:2: 'Module' '../../OUT/evil' holds '..', which leads out of its folder; a name is relative to its folder "
     "(sub-folders written with '/' or '\\' are fine), without '..', a leading '/' or '\\', a drive or control "
     "characters (a class this scenario does not name"},
    {"payload_mesh", "", "Talvek:Talvek", "  PAYLOAD Sat ../../OUT/evil tlvsat 0 0 1 2 0 1", 2,
     "SCN:6: the payload line's mesh '../../OUT/evil' holds '..'"},
    {"payload_class", "", "Talvek:Talvek", "  PAYLOAD Sat tlvsat ../../../OUT/evil 0 0 1 2 0 1", 2,
     "SCN:6: the payload line's class '../../../OUT/evil' holds '..'"},
    {"stage_class_backslashes", "", "Talvek:Talvek", "  STAGE S tlvsat ..\\..\\..\\OUT\\evil 0 0 1 2 0 1", 2,
     "SCN:6: the payload line's class '..\\..\\..\\OUT\\evil' holds '..'"},
    // Add-ons keep their files in sub-folders.
    {"sub_folders", "ClassName = Bad\nMeshName = Sub\\tlvsat\n", "B:Sub/Bad",
     "  PAYLOAD Sat Sub\\tlvsat Sub/Bad 0 0 1 2 0 1", 0, ""},
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class NamesLeavingTheirFolder : public testing::TestWithParam<NameCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(root.Path().parent_path(), outside.Path().parent_path());
        // What a name outside would reach: a class file, a mesh and a library that each say so
        // when read or loaded.
        outside.Write("evil.cfg", "ClassName = evil\nthis class file was read\n");
        outside.Write("evil.msh", "this mesh was read\n");
        talvek_test::LinkOrCopy(talvek_test::FixtureModules() / (std::string("not_a_module") + talvek_test::LIBRARY_SUFFIX),
                                outside.Path() / (std::string("evil") + talvek_test::LIBRARY_SUFFIX));
    }
    std::string Out(const std::string& text) const { return Replaced(text, "OUT", outside.Path().filename().string()); }

    talvek_test::TempRoot root;
    talvek_test::ScratchDir outside{"outside-root"};
};

TEST_P(NamesLeavingTheirFolder, AreRefusedBeforeAnythingIsReadOrLoaded) {
    const NameCase& c = GetParam();
    const fs::path classFile = root.Path() / "Config" / "Vessels" / (std::string(c.name) == "sub_folders" ? "Sub" : "") / "Bad.cfg";
    if (*c.classFile) {
        fs::create_directories(classFile.parent_path());
        std::ofstream(classFile) << Out(c.classFile);
    }
    fs::create_directories(root.Path() / "Meshes" / "Sub");
    fs::copy_file(root.Path() / "Meshes" / "tlvsat.msh", root.Path() / "Meshes" / "Sub" / "tlvsat.msh");
    const std::string scenario = "BEGIN_SHIPS\n" + Out(c.header) +
                                 "\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n" + Out(c.line) +
                                 "\nEND\nEND_SHIPS\n";
    const fs::path scn = root.Write("Scenarios/names.scn", scenario);
    const auto r = talvek_test::RunSim({"run", scn.string(), "--root", root.Path().string(), "--frames", "2"}, root.Path());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_THAT(r.err, HasSubstr(Replaced(Replaced(Out(c.message), "SCN", scn.string()), "CFG", classFile.string())));
    for (const char* reached : {"was read", "ovcInit", "evil.so", "evil.dll", "evil.msh", "evil.cfg", "not found"})
        EXPECT_THAT(r.err, Not(HasSubstr(reached)));
}

INSTANTIATE_TEST_SUITE_P(Names, NamesLeavingTheirFolder, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

}  // namespace
