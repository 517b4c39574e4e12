// A flight whose names are written in another case than the files they name (a class, its class
// file, a module, the message module, a stage's class and mesh, a payload's class) flies as on
// Windows, where the simulator finds them whatever the case; two class files whose names differ
// only in case are flown with one warning that names both.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::HasSubstr;
using testing::Not;

namespace {

struct CaseRun {
    const char* name;
    const char* from;  // a file of the root renamed to `to` ("" for none; a module's ".so" is the system's suffix)
    const char* to;
    const char* copyTo;  // a copy of Config/Vessels/Talvek.cfg there ("" for none)
    const char* editFile;  // under the root: `editFrom` replaced by `editTo` ("" for none)
    const char* editFrom;
    const char* editTo;
    const char* ship;     // the carrier's vessel line
    const char* carries;  // its further lines
    const char* saved;    // a text the save holds
    const char* dumped;   // the vessel whose first mesh must have been read ("" for none)
    const char* mesh;     // that mesh's name as the module gave it
};

constexpr const char* STAGE_LINES =
    "  STAGE S1 tlvstage tlvstage 0 0 4 800 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  ENDSTAGE\n";

// The payload as the stage saves it, in its own frame: handed over to it by message.
constexpr const char* STAGE_HOLDS_A = "  PAYLOAD A tlvsat tlvsat 1.00 0.00 1.00 150.00 0.00 1.00";

const CaseRun RUNS[] = {
    {"ClassWrittenInOtherCase", "", "", "", "", "", "", "X:talvek", "", "\nX:talvek\n  STATUS", "X", "talvek"},
    {"ClassFileAndExtensionInCapitals", "Config/Vessels/Talvek.cfg", "Config/Vessels/TALVEK.CFG", "", "", "", "",
     "X:Talvek", "", "\nX:Talvek\n  STATUS", "X", "talvek"},
    // The root's own folders too: the host finds ROOT/Config in any case, and takes it for a root.
    {"ConfigFolderInCapitals", "Config", "CONFIG", "", "", "", "", "X:Talvek", "", "  CONFIGURATION 0", "X",
     "talvek"},
    {"MeshesFolderInSmallLetters", "Meshes", "meshes", "", "", "", "", "X:Talvek", "", "  CONFIGURATION 0", "X",
     "talvek"},
    {"ModuleInOtherCase", "Modules/Talvek.so", "Modules/TALVEK.so", "", "", "", "", "X:Talvek", "",
     "  CONFIGURATION 0", "X", "talvek"},
    // The host and the carrier both find the message module: the stage receives what it holds.
    {"MessageModuleInOtherCase", "Modules/dravomessage.so", "Modules/DravoMessage.so", "", "", "", "", "X:Talvek",
     STAGE_LINES, STAGE_HOLDS_A, "S1", "tlvstage"},
    // The stage's module draws the mesh its class file names, found whatever its case; a class that
    // names none, the mesh named as the class, found as the class file is.
    {"StageClassAndMeshInOtherCase", "", "", "", "Config/Vessels/tlvstage.cfg", "MeshName = tlvstage",
     "MeshName = TLVSTAGE", "X:Talvek",
     "  STAGE S1 TlvStage TlvStage 0 0 4 800 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  ENDSTAGE\n",
     STAGE_HOLDS_A, "S1", "TLVSTAGE"},
    {"StageClassInOtherCaseNamingNoMesh", "", "", "", "Config/Vessels/tlvstage.cfg", "MeshName = tlvstage\n", "",
     "X:Talvek",
     "  STAGE S1 TlvStage TlvStage 0 0 4 800 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  ENDSTAGE\n",
     STAGE_HOLDS_A, "S1", "TlvStage"},
    {"PayloadClassAndMeshInOtherCase", "", "", "", "", "", "", "X:Talvek", "  PAYLOAD A TLVSAT TlvSat 1 0 5 150 0 1\n",
     "\nA:TlvSat\n", "A", "tlvsat"},
    {"TwoClassFilesDifferingOnlyInCase", "", "", "Config/Vessels/talvek.cfg", "", "", "", "X:TALVEK", "",
     "\nX:TALVEK\n", "X", "talvek"},
};

void PrintTo(const CaseRun& c, std::ostream* os) { *os << c.name; }

// The file's name on this system: a module's ".so" becomes the system's library suffix.
std::string OnThisSystem(const std::string& file) {
    const std::string so = ".so";
    if (file.size() > so.size() && file.compare(file.size() - so.size(), so.size(), so) == 0)
        return file.substr(0, file.size() - so.size()) + talvek_test::LIBRARY_SUFFIX;
    return file;
}

class NamesInOtherCase : public testing::TestWithParam<CaseRun> {};

TEST_P(NamesInOtherCase, FlyAsOnWindows) {
    const CaseRun& c = GetParam();
    if (*c.copyTo && !talvek_test::HAS_CASE_KEEPING_FOLDERS) GTEST_SKIP() << talvek_test::NO_CASE_KEEPING_FOLDERS;
    talvek_test::TempRoot root;
    if (*c.from) fs::rename(root.Path() / OnThisSystem(c.from), root.Path() / OnThisSystem(c.to));
    if (*c.copyTo) fs::copy_file(root.Path() / "Config/Vessels/Talvek.cfg", root.Path() / c.copyTo);
    if (*c.editFile) {
        std::string text = talvek_test::ReadFile(root.Path() / c.editFile);
        const size_t at = text.find(c.editFrom);
        ASSERT_NE(at, std::string::npos) << c.editFrom;
        root.Write(c.editFile, text.replace(at, std::string(c.editFrom).size(), c.editTo));
    }
    const fs::path scn = root.Write(
        "Scenarios/cased.scn", std::string("BEGIN_FOCUS\n  Ship X\nEND_FOCUS\nBEGIN_SHIPS\n") + c.ship +
                                   "\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
                                   "  CONFIGURATION 0\n" + c.carries + "END\nEND_SHIPS\n");
    root.Write("Scenarios/j.txt", "at 1 X key J\n");
    const fs::path save = root.Path() / "out.scn", dump = root.Path() / "out.json";
    const auto r = talvek_test::RunSim({"run", scn.string(), "--root", root.Path().string(), "--script",
                                        (root.Path() / "Scenarios/j.txt").string(), "--until", "3", "--save",
                                        save.string(), "--dump", dump.string()},
                                       root.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* missing : {"not found", "unknown vessel class", "no mesh file", "no class file", "no module"})
        EXPECT_THAT(r.err, Not(HasSubstr(missing)));
    EXPECT_THAT(talvek_test::ReadFile(save), HasSubstr(c.saved));
    const Json vessels = Json::parse(talvek_test::ReadFile(dump))["vessels"];
    const auto vessel = std::find_if(vessels.begin(), vessels.end(), [&](const Json& v) { return v["name"] == c.dumped; });
    ASSERT_NE(vessel, vessels.end()) << c.dumped;
    ASSERT_FALSE((*vessel)["meshes"].empty());
    EXPECT_EQ((*vessel)["meshes"][0]["file"], c.mesh) << "the mesh was read";
    const size_t ambiguity = r.err.find("differ only in case");
    if (*c.copyTo) {
        ASSERT_NE(ambiguity, std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("differ only in case", ambiguity + 1), std::string::npos) << "said once:\n" << r.err;
        EXPECT_THAT(r.err, HasSubstr((root.Path() / "Config/Vessels/Talvek.cfg").string() + " and " +
                                     (root.Path() / c.copyTo).string()));
    } else {
        EXPECT_EQ(ambiguity, std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, NamesInOtherCase, testing::ValuesIn(RUNS),
                         [](const testing::TestParamInfo<CaseRun>& info) { return std::string(info.param.name); });

// The check before the flight reads the class file that the host will read for a named class,
// whatever the case it is named in: a mistake in it stops the run at once, as for a class named
// in its own case.
TEST(NamesInOtherCaseCheck, ANamedClassInOtherCaseIsCheckedBeforeTheFlight) {
    talvek_test::TempRoot root;
    std::string text = talvek_test::ReadFile(root.Path() / "Config/Vessels/tlvsat.cfg");
    text.replace(text.find("Mass = 200"), 10, "Mas = 200");
    fs::remove(root.Path() / "Config/Vessels/tlvsat.cfg");
    root.Write("Config/Vessels/TlvSat.CFG", text);
    const fs::path scn = root.Write("Scenarios/cased.scn",
                                    "BEGIN_SHIPS\nX:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                                    "  RVEL 0 0 7672.593\n  PAYLOAD A tlvsat TLVSAT 1 0 5 150 0 1\nEND\nEND_SHIPS\n");
    const auto r = talvek_test::RunSim({"run", scn.string(), "--root", root.Path().string(), "--frames", "1"}, root.Path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, HasSubstr("TlvSat.CFG:5: 'mas' is not a class key; did you mean 'Mass'?"));
    EXPECT_THAT(r.err, Not(HasSubstr("a class this scenario does not name")));
}

}  // namespace
