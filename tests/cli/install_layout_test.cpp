// tools/install-addon.sh and the build's install rules: the add-on laid out in a simulator's
// folder as the simulator looks for it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "regex_matchers.h"
#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

// The build root lies in the build folder; the test data in the source tree's tests/.
fs::path BuildDir() { return talvek_test::BuildRoot().parent_path(); }
fs::path SourceDir() { return talvek_test::TestData().parent_path().parent_path(); }

talvek_test::ProcessResult RunInstall(const std::vector<std::string>& args, const fs::path& scratch) {
    const fs::path out = scratch / "install.out", err = scratch / "install.err";
    talvek_test::ProcessResult r;
    r.status = talvek_test::RunProgram(SourceDir() / "tools" / "install-addon.sh", args, scratch, out, err).status;
    r.out = talvek_test::ReadFile(out);
    r.err = talvek_test::ReadFile(err);
    return r;
}

// Paths of the regular files under a folder, relative to it.
std::set<std::string> FilesUnder(const fs::path& folder) {
    std::set<std::string> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.insert(fs::relative(e.path(), folder).generic_string());
    return files;
}

// The value of a key of a class file ("key = value", keys without regard to case, ';' a comment).
std::string ClassValue(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find(';'));
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t\r"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        std::string k = trim(line.substr(0, eq));
        std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return std::tolower(c); });
        if (k == key) return trim(line.substr(eq + 1));
    }
    return "";
}

class Install : public testing::Test {
protected:
    void SetUp() override {
        if (!talvek_test::HAS_POSIX_SHELL) GTEST_SKIP() << "tools/install-addon.sh is a shell script, run on POSIX systems";
    }
    talvek_test::ScratchDir scratch{"talvek-install"};
    const fs::path sim = scratch.Path() / "Simulator";
};

}  // namespace

TEST_F(Install, LaysOutClassesMeshesAndScenariosWhereTheSimulatorLooks) {
    const auto r = RunInstall({sim.string(), BuildDir().string()}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" into " + sim.string() + ":\n"));
    EXPECT_THAT(r.out, HasSubstr("\n  Config/Vessels/Talvek.cfg\n")) << "it says what it installed";
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("\n[0-9]+ files: [0-9]+ copied, 0 already up to date\n"));
    // This build's modules are talvek-sim's: the output says so, and not that a simulator can fly them.
    EXPECT_THAT(r.out, HasSubstr("\nthe folder's modules are for talvek-sim (talvek-sim run SCENARIO --root " +
                                 sim.string() + "); the simulator cannot load these modules"));
    const auto again = RunInstall({sim.string(), BuildDir().string()}, scratch.Path());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_THAT(again.out, talvek_test::ContainsRegex("\n[0-9]+ files: 0 copied, [0-9]+ already up to date\n"));

    const fs::path addon = SourceDir() / "addon";
    const std::set<std::string> classes = FilesUnder(sim / "Config" / "Vessels");
    EXPECT_EQ(classes, FilesUnder(addon / "Config" / "Vessels"));
    for (const char* cls : {"Talvek", "tlvchute", "tlvorbit", "tlvsat", "tlvservice"})
        EXPECT_EQ(classes.count(std::string(cls) + ".cfg"), 1u) << cls;
    for (const auto& e : fs::directory_iterator(sim / "Config"))
        EXPECT_FALSE(e.is_regular_file()) << e.path() << ": class files belong in Config/Vessels";

    EXPECT_EQ(FilesUnder(sim / "Meshes"), FilesUnder(addon / "Meshes"));
    for (const std::string& cls : classes) {
        std::string mesh = ClassValue(sim / "Config" / "Vessels" / cls, "meshname");
        if (mesh.empty()) continue;
        std::replace(mesh.begin(), mesh.end(), '\\', '/');
        EXPECT_TRUE(fs::is_regular_file(sim / "Meshes" / (mesh + ".msh"))) << cls << " names mesh " << mesh;
    }

    const std::set<std::string> scenarios = FilesUnder(addon / "Scenarios");
    ASSERT_FALSE(scenarios.empty());
    EXPECT_EQ(FilesUnder(sim / "Scenarios"), scenarios);
    for (const std::string& s : scenarios)
        EXPECT_EQ(talvek_test::ReadFile(sim / "Scenarios" / s), talvek_test::ReadFile(addon / "Scenarios" / s)) << s;
}

TEST_F(Install, InstalledFolderServesThePassiveClassesWithTheirMeshes) {
    ASSERT_EQ(RunInstall({sim.string(), BuildDir().string()}, scratch.Path()).status, 0);
    // Every class without a module, in orbit, each read from the installed folder alone.
    std::string ships;
    std::map<std::string, std::string> meshOf;
    double x = 6771010;
    for (const auto& e : fs::directory_iterator(sim / "Config" / "Vessels")) {
        if (!ClassValue(e.path(), "module").empty()) continue;
        const std::string cls = e.path().stem().string();
        meshOf[cls] = ClassValue(e.path(), "meshname");
        ships += cls + ":" + cls + "\n  STATUS Orbiting Earth\n  RPOS " + std::to_string(x) +
                 " 0 0\n  RVEL 0 0 7672.6\nEND\n";
        x += 1000;
    }
    ASSERT_FALSE(meshOf.empty());
    scratch.Write("passive.scn", "BEGIN_SHIPS\n" + ships + "END_SHIPS\n");
    const auto r = talvek_test::RunSim({"run", "passive.scn", "--root", sim.string(), "--frames", "1", "--dump", "d.json"},
                                       scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no mesh is missing";
    const auto dump = nlohmann::json::parse(scratch.Read("d.json"));
    for (const auto& v : dump["vessels"]) {
        const std::string cls = v["class"];
        SCOPED_TRACE(cls);
        if (meshOf[cls].empty()) {
            EXPECT_TRUE(v["meshes"].empty());
            continue;
        }
        ASSERT_EQ(v["meshes"].size(), 1u);
        EXPECT_EQ(v["meshes"][0]["file"], meshOf[cls]) << "a null template would be null";
    }
}

TEST_F(Install, RefusesWithoutAFolderOrAConfiguredBuild) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "usage: "},
        {{"a", "b", "c"}, "usage: "},
        {{(scratch.Path() / "out").string(), (scratch.Path() / "no-build").string()},
         "is not a configured build folder; build first"},
    };
    for (const Case& c : cases) {
        const auto r = RunInstall(c.args, scratch.Path());
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_THAT(r.err, HasSubstr(c.message));
    }
    EXPECT_FALSE(fs::exists(scratch.Path() / "out")) << "nothing is made before the build folder is checked";
}

// This build's modules are talvek-sim's Linux libraries (Modules/Talvek.so): a simulator's folder
// for Windows cannot load them, and the Linux port loads lib<Module>.so. Into either the script
// installs nothing and names the build that folder needs.
TEST_F(Install, RefusesAFolderOfAnotherHost) {
    struct Case {
        const char* marker;  // a file that makes the folder another host's
        bool executable;
        const char* folderIs;
        const char* fix;
    };
    const Case cases[] = {
        {"Orbiter.exe", false, "is a simulator folder for Windows (it holds Orbiter.exe)", "build the DLLs on Windows"},
        {"orbiter_ng.EXE", false, "is a simulator folder for Windows (it holds orbiter_ng.EXE)", "build the DLLs on Windows"},
        {"Modules/ShuttleA.dll", false, "is a simulator folder for Windows (it holds Modules/ShuttleA.dll)",
         "build the DLLs on Windows"},
        {"Orbiter", true, "is a folder of the simulator's Linux port (it holds the executable Orbiter)",
         "the port loads Modules/lib<Module>.so: configure a build with -DORBITER_SDK_DIR="},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marker);
        const fs::path folder = scratch.Path() / ("host" + std::to_string(n++));
        fs::create_directories((folder / c.marker).parent_path());
        std::ofstream(folder / c.marker) << "x";
        if (c.executable) fs::permissions(folder / c.marker, fs::perms::owner_exec, fs::perm_options::add);
        const auto r = RunInstall({folder.string(), BuildDir().string()}, scratch.Path());
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(folder.string() + " " + c.folderIs));
        EXPECT_THAT(r.err, HasSubstr("builds "));
        EXPECT_THAT(r.err, HasSubstr("Talvek.so"));
        EXPECT_THAT(r.err, HasSubstr(c.fix));
        EXPECT_THAT(r.err, HasSubstr("Nothing was installed."));
        EXPECT_FALSE(fs::exists(folder / "Config")) << "nothing is installed";
        EXPECT_FALSE(fs::exists(folder / "Modules" / "Talvek.so")) << "nothing is installed";
    }
    // A folder that is neither, such as a plain one with a file of its own, takes the install.
    const fs::path plain = scratch.Path() / "plain";
    fs::create_directories(plain);
    std::ofstream(plain / "Orbiter.txt") << "notes";
    const auto r = RunInstall({plain.string(), BuildDir().string()}, scratch.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(plain / "Modules" / "Talvek.so"));
}
