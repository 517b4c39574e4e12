// Class files, meshes and modules are found by name without regard to case, as the simulator on
// Windows finds them; files whose names differ only in case (which Linux can hold) give the same
// choice every time and one warning; and the search never leaves the root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>

#include "host/orbiter.h"
#include "messages/file_case.h"
#include "sim/folder_names.h"
#include "tests/host/host_fixture.h"
#include "tests/support/test_platform.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

enum class Lookup { Class, Mesh, Module };

// A mesh whose group count tells which file was read.
std::string MeshOfGroups(int groups) {
    std::string text = "MSHX1\nGROUPS " + std::to_string(groups) + "\n";
    for (int i = 0; i < groups; ++i) text += "GEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n";
    return text;
}

class NameCaseTest : public HostTest {
protected:
    // Puts the file of a kind at `relative` under the root (a module's without its suffix); `mark`
    // tells it from another file.
    void Put(Lookup lookup, const std::string& relative, int mark) {
        switch (lookup) {
        case Lookup::Class:
            root.Write(relative, std::string(PROBE_CLASS) + "Size = " + std::to_string(mark) + "\n");
            break;
        case Lookup::Mesh:
            root.Write(relative, MeshOfGroups(mark));
            break;
        case Lookup::Module:
            fs::create_directories((root.Path() / relative).parent_path());
            talvek_test::LinkOrCopy(talvek_test::FixtureModules() / (std::string("partial_module") + talvek_test::LIBRARY_SUFFIX),
                                    root.Path() / (relative + talvek_test::LIBRARY_SUFFIX));
            break;
        }
    }

    // Looks the name up through the host's own call for the kind; which file it read, told by
    // its mark (a module by its path), or "" when none.
    std::string Read(Lookup lookup, const std::string& written) {
        const std::string vessel = "V" + std::to_string(++vessels_);
        switch (lookup) {
        case Lookup::Class: {
            sim::VesselRecord* v = world->AddVessel(vessel, written);
            return "size " + std::to_string(static_cast<int>(v->def.size));
        }
        case Lookup::Mesh: {
            const auto* tpl = world->FindMeshTemplate(oapiLoadMesh(written.c_str()));
            return tpl && tpl->data ? "groups " + std::to_string(tpl->data->groups.size()) : "";
        }
        case Lookup::Module: {
            root.Write("Config/Vessels/" + vessel + ".cfg", "Module = " + written + "\n");
            sim::VesselRecord* v = world->AddVessel(vessel, vessel);
            return v->module ? v->module->path.lexically_relative(root.Path()).generic_string() : "";
        }
        }
        return "";
    }

    static std::string Marked(Lookup lookup, const std::string& relative, int mark) {
        switch (lookup) {
        case Lookup::Class: return "size " + std::to_string(mark);
        case Lookup::Mesh: return "groups " + std::to_string(mark);
        case Lookup::Module: return relative + talvek_test::LIBRARY_SUFFIX;
        }
        return "";
    }

    int vessels_ = 0;
};

struct FoundCase {
    const char* name;
    Lookup lookup;
    const char* file;     // as it is on disk, under the root
    const char* written;  // the name as a scenario, class file or module gives it
};

const FoundCase FOUND[] = {
    {"ClassInOtherCase", Lookup::Class, "Config/Vessels/Cased.cfg", "cased"},
    {"ClassFileWithItsExtensionInCapitals", Lookup::Class, "Config/Vessels/CASED.CFG", "Cased"},
    {"ClassDirectlyInConfig", Lookup::Class, "Config/Cased.cfg", "CASED"},
    {"ClassInASubFolderWithBackslashes", Lookup::Class, "Config/Vessels/AddOn/Cased.cfg", "addon\\CASED"},
    {"ClassInFoldersOfOtherCase", Lookup::Class, "config/vessels/Cased.cfg", "Cased"},
    {"MeshInOtherCase", Lookup::Mesh, "Meshes/Cased.msh", "cased"},
    {"MeshInSubFoldersWithBackslashes", Lookup::Mesh, "Meshes/AddOn/Parts/Cased.MSH", "ADDON\\parts\\cased"},
    // Names outside ASCII reach their files on every system; only A-Z and a-z are folded, other
    // letters match as written.
    {"ClassNamedOutsideAscii", Lookup::Class, "Config/Vessels/F\xC3\xA4" "hre.cfg", "F\xC3\xA4HRE"},
    {"MeshNamedOutsideAscii", Lookup::Mesh, "Meshes/\xC3\x9C" "bung/Kapsel.msh", "\xC3\x9C" "BUNG\\kapsel"},
    {"ModuleInOtherCase", Lookup::Module, "Modules/CasedModule", "casedmodule"},
    {"ModuleInASubFolderWithBackslashes", Lookup::Module, "Modules/AddOn/CasedModule", "addon\\CASEDMODULE"},
};

void PrintTo(const FoundCase& c, std::ostream* os) { *os << c.name; }

class FoundWhateverTheCase : public NameCaseTest, public testing::WithParamInterface<FoundCase> {};

TEST_P(FoundWhateverTheCase, AsTheSimulatorOnWindowsFindsIt) {
    const FoundCase& c = GetParam();
    Put(c.lookup, c.file, 3);
    EXPECT_EQ(Read(c.lookup, c.written), Marked(c.lookup, c.file, 3));
    EXPECT_THAT(world->warnings, testing::IsEmpty());
    EXPECT_FALSE(world->PendingError());
}

INSTANTIATE_TEST_SUITE_P(Names, FoundWhateverTheCase, testing::ValuesIn(FOUND),
                         [](const testing::TestParamInfo<FoundCase>& info) { return std::string(info.param.name); });

// Two files whose names differ only in case: the one spelled as written, else the first in sorted
// order (capitals sort first); the same choice every time, and one warning that names both.
struct TwinCase {
    const char* name;
    Lookup lookup;
    const char* first;   // sorts first
    const char* second;  // spelled exactly as `written` in the exact-spelling cases
    const char* written;
    bool secondChosen;
};

const TwinCase TWINS[] = {
    {"ClassSpelledExactly", Lookup::Class, "Config/Vessels/Twin.cfg", "Config/Vessels/twin.cfg", "twin", true},
    {"ClassSpelledOtherwise", Lookup::Class, "Config/Vessels/Twin.cfg", "Config/Vessels/twin.cfg", "TWIN", false},
    {"ClassFileExtensions", Lookup::Class, "Config/Vessels/Twin.CFG", "Config/Vessels/Twin.cfg", "Twin", true},
    {"MeshSpelledExactly", Lookup::Mesh, "Meshes/Twin.msh", "Meshes/twin.msh", "twin", true},
    {"MeshSpelledOtherwise", Lookup::Mesh, "Meshes/Twin.msh", "Meshes/twin.msh", "tWIN", false},
    {"MeshFolders", Lookup::Mesh, "Meshes/Parts/Twin.msh", "Meshes/parts/Twin.msh", "PARTS\\Twin", false},
    {"ModuleSpelledExactly", Lookup::Module, "Modules/Twin", "Modules/twin", "twin", true},
    {"ModuleSpelledOtherwise", Lookup::Module, "Modules/Twin", "Modules/twin", "TWIN", false},
};

void PrintTo(const TwinCase& c, std::ostream* os) { *os << c.name; }

class FilesDifferingOnlyInCase : public NameCaseTest, public testing::WithParamInterface<TwinCase> {};

TEST_P(FilesDifferingOnlyInCase, GiveAFixedChoiceAndOneWarning) {
    if (!talvek_test::HAS_CASE_KEEPING_FOLDERS) GTEST_SKIP() << talvek_test::NO_CASE_KEEPING_FOLDERS;
    const TwinCase& c = GetParam();
    Put(c.lookup, c.first, 1);
    Put(c.lookup, c.second, 2);
    const std::string chosen = c.secondChosen ? Marked(c.lookup, c.second, 2) : Marked(c.lookup, c.first, 1);
    for (int round = 0; round < 3; ++round) EXPECT_EQ(Read(c.lookup, c.written), chosen) << "round " << round;
    // Another spelling is looked up anew, and finds the same pair.
    std::string toggled = c.written;
    for (char& ch : toggled) ch = std::isupper(static_cast<unsigned char>(ch)) ? static_cast<char>(std::tolower(ch))
                                                                              : static_cast<char>(std::toupper(ch));
    EXPECT_NE(Read(c.lookup, toggled), "");
    ASSERT_EQ(world->warnings.size(), 1u) << "once for the pair, however often and however it is looked up";
    EXPECT_THAT(world->warnings[0], HasSubstr("differ only in case"));
    EXPECT_THAT(world->warnings[0], HasSubstr((root.Path() / c.first).string()));
    EXPECT_THAT(world->warnings[0], HasSubstr((root.Path() / c.second).string()));
    EXPECT_THAT(world->warnings[0], HasSubstr(c.secondChosen ? "spelled exactly so" : "the first in sorted order"));
}

INSTANTIATE_TEST_SUITE_P(Names, FilesDifferingOnlyInCase, testing::ValuesIn(TWINS),
                         [](const testing::TestParamInfo<TwinCase>& info) { return std::string(info.param.name); });

// The search takes only what each folder lists: a name cannot climb out of the folder it starts
// in, whatever its case, and a name with a leading separator stays inside it too.
TEST(FindIgnoringCase, NeverLeavesItsFolder) {
    talvek_test::ScratchDir outer("name-case");
    const fs::path base = outer.Path() / "Root";
    fs::create_directories(base / "Meshes");
    outer.Write("Evil.msh", "outside\n");
    std::ofstream(base / "Meshes" / "Inside.msh") << "inside\n";
    const std::string rootName = base.filename().string();
    const struct {
        const char* relative;
        bool found;
    } cases[] = {
        {"meshes/inside.msh", true},
        {"/MESHES/Inside.msh", true},  // a leading separator: still below the folder
        {"./Meshes//./inside.MSH", true},
        {"../evil.msh", false},
        {"../EVIL.MSH", false},
        {"Meshes/../../Evil.msh", false},
        {"Meshes\\..\\..\\Evil.msh", false},
    };
    for (const auto& c : cases) {
        const auto found = file_case::FindIgnoringCase(base, c.relative);
        ASSERT_EQ(found.size(), c.found ? 1u : 0u) << c.relative;
        if (c.found) {
            EXPECT_EQ(found[0].path.lexically_relative(base).generic_string(), "Meshes/Inside.msh");
        }
    }
    // The climb is possible on the file system, where the search refuses it, even one that would
    // come back into its folder.
    EXPECT_TRUE(fs::exists(base / "../Evil.msh"));
    EXPECT_TRUE(file_case::FindIgnoringCase(outer.Path(), rootName + "/../evil.msh").empty());
}

// The host's lookups refuse a name that leads out of its folder before they search for it,
// whatever its case, as they did when they matched case exactly.
TEST_F(NameCaseTest, NamesLeadingOutOfTheirFoldersAreStillRefused) {
    talvek_test::ScratchDir outside("outside-root");
    ASSERT_EQ(root.Path().parent_path(), outside.Path().parent_path());
    const std::string out = outside.Path().filename().string();
    outside.Write("Evil.cfg", "ClassName = Evil\n");
    outside.Write("Evil.msh", MeshOfGroups(1));
    talvek_test::LinkOrCopy(talvek_test::FixtureModules() / (std::string("partial_module") + talvek_test::LIBRARY_SUFFIX),
                            outside.Path() / (std::string("Evil") + talvek_test::LIBRARY_SUFFIX));
    const std::string absolute = "/" + (outside.Path() / "EVIL").relative_path().string();
    // From Meshes and Modules the scratch folders are two levels up, from Config/Vessels three.
    for (const std::string& mesh : {"..\\..\\" + out + "\\EVIL", absolute}) {
        world->warnings.clear();
        EXPECT_EQ(oapiLoadMesh(mesh.c_str()), nullptr) << mesh;
        ASSERT_EQ(world->warnings.size(), 1u) << mesh;
        EXPECT_THAT(world->warnings[0], HasSubstr("mesh '" + mesh + "'"));
        EXPECT_THAT(world->warnings[0], HasSubstr("its template is null"));
    }
    for (const std::string& cls : {"..\\..\\..\\" + out + "\\evil", absolute}) {
        world->warnings.clear();
        VESSELSTATUS status{};
        status.rpos = {6.771e6, 0, 0};
        EXPECT_EQ(oapiCreateVessel("E", cls.c_str(), status), nullptr) << cls;
        ASSERT_EQ(world->warnings.size(), 1u) << cls;
        EXPECT_THAT(world->warnings[0], HasSubstr("vessel 'E' of class '" + cls + "' not created"));
    }
    for (const std::string& module : {"../../" + out + "/EVIL", absolute}) {
        root.Write("Config/Vessels/Reaching.cfg", "Module = " + module + "\n");
        try {
            world->AddVessel("M", "reaching");
            ADD_FAILURE() << "a module outside Modules was loaded: " << module;
        } catch (const sim::InputError& e) {
            EXPECT_THAT(e.what(), HasSubstr("'Module' '" + module + "'")) << module;
        }
    }
    EXPECT_FALSE(world->PendingError());
}

}  // namespace
