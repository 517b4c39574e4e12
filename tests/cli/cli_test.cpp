// talvek-sim as a program: a scenario run with its outputs, and the errors of its inputs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::ReadFile;
using talvek_test::RunSim;
using testing::HasSubstr;

namespace {

class Cli : public testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) const { scratch.Write(name, text); }

    talvek_test::ScratchDir scratch{"talvek-cli"};
    const fs::path& dir = scratch.Path();
};

constexpr const char* ORBIT = "Talvek-orbit.scn";

}  // namespace

TEST_F(Cli, ShippedScenarioRunsSavesAndReadsBackToTheSameFile) {
    const auto r = RunSim({"run", ORBIT, "--frames", "10", "--save", "out.scn", "--dump", "out.json"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string saved = ReadFile(dir / "out.scn");
    EXPECT_THAT(saved, HasSubstr("BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS "));
    EXPECT_THAT(saved, HasSubstr("  CONFIGURATION 0\n  PANELS 0.0\nEND\nEND_SHIPS\n"));

    const auto again = RunSim({"run", "out.scn", "--frames", "0", "--save", "again.scn"}, dir);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(dir / "again.scn"), saved);
}

TEST_F(Cli, DumpFollowsTheSchema) {
    const auto r = RunSim({"run", ORBIT, "--frames", "3", "--dump", "out.json"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(ReadFile(dir / "out.json"));
    EXPECT_NEAR(j["time"].get<double>(), 3.0 / 60, 1e-12);
    ASSERT_EQ(j["vessels"].size(), 1u);
    const auto& v = j["vessels"][0];
    EXPECT_EQ(v["name"], "Talvek");
    EXPECT_EQ(v["class"], "Talvek");
    EXPECT_EQ(v["module"], "Talvek");
    EXPECT_EQ(v["status"], "flying");
    for (const char* key : {"altitude", "airspeed", "size", "emptyMass", "mass", "pitchMomentScale", "bankMomentScale"})
        EXPECT_TRUE(v[key].is_number()) << key;
    for (const char* key : {"groundContact", "liftCoeffFunc", "transponder"}) EXPECT_TRUE(v[key].is_boolean()) << key;
    for (const char* key : {"position", "velocity", "angularVelocity", "orientation", "pmi", "crossSections", "rotDrag",
                            "cameraOffset"}) {
        ASSERT_TRUE(v[key].is_array()) << key;
        EXPECT_EQ(v[key].size(), 3u) << key;
    }
    EXPECT_EQ(v["cw"].size(), 4u);
    EXPECT_EQ(v["surfaceFriction"].size(), 2u);
    EXPECT_EQ(v["touchdownPoints"].size(), 3u);
    for (const char* key : {"meshes", "propellant", "thrusters", "thrusterGroups", "exhaust", "docks", "animations"})
        EXPECT_TRUE(v[key].is_array()) << key;
    EXPECT_TRUE(v.contains("defaultPropellant"));
    ASSERT_EQ(v["animations"].size(), 1u);
    EXPECT_EQ(v["animations"][0]["id"], 0);
    EXPECT_EQ(v["animations"][0]["state"], 0.0);
}

TEST_F(Cli, ScriptKeysTimeAccelerationAndSaves) {
    Write("flight.txt",
          "# keys and saves\n"
          "at 0 Talvek key J\n"
          "at 0.5 Talvek timeacc 10   # faster\n"
          "\n"
          "at 1 Talvek key Ctrl+Shift+K\n"
          "at 2 Talvek save mid.scn\n");
    const auto r = RunSim({"run", ORBIT, "--script", "flight.txt", "--until", "3", "--events", "--trace", "t.txt"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // Keys are read after the frame's step, as the simulator reads the keyboard; each comes up
    // again in the next frame.
    EXPECT_THAT(r.out, HasSubstr("0.00 Talvek created Talvek\n0.00 Talvek rebuilt size 15 meshes talvek\n"
                                 "0.02 Talvek key J -> 1\n0.03 Talvek key J up -> 0\n"));
    EXPECT_THAT(r.out, HasSubstr("0.50 Talvek timeacc 10 (script)\n"));
    EXPECT_THAT(r.out, HasSubstr("Talvek key Ctrl+Shift+K -> 0\n"));
    EXPECT_TRUE(fs::exists(dir / "mid.scn")) << "a save path is relative to the starting folder";
    EXPECT_THAT(r.out, HasSubstr("2.00 Talvek script save " + (dir / "mid.scn").string() + "\n"));
    EXPECT_THAT(ReadFile(dir / "t.txt"), HasSubstr("Talvek oapiLoadMesh(\"talvek\")\n"));
}

// A path written from its drive's root folder ("/Users/ana/a.scn" on Windows, and every absolute
// path on POSIX systems, as Wine gives them) is a path, not an option: Windows programs often
// read "/name" as an option.
TEST_F(Cli, PathsFromTheRootFolderAreArguments) {
    const fs::path root = talvek_test::BuildRoot();
    auto fromRootFolder = [](const fs::path& p) { return "/" + p.relative_path().generic_string(); };
    // Started on the root's drive, where a path without a drive is looked for.
    const auto r = RunSim({"run", fromRootFolder(root / "Scenarios" / ORBIT), "--root", fromRootFolder(root), "--script",
                           fromRootFolder(root / "Scenarios" / "Talvek-deorbit.txt"), "--frames", "0"},
                          root);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("talvek-sim: 0 frames, 0.00 s simulated, 1 vessel\n"));
}

// The summary's counts read as numbers are said: one frame, one vessel, two of each.
TEST_F(Cli, SummaryCountsOneInTheSingular) {
    const auto one = RunSim({"run", ORBIT, "--frames", "1"}, dir);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_THAT(one.out, testing::StartsWith("talvek-sim: 1 frame, 0.02 s simulated, 1 vessel\n"));
    Write("j.txt", "at 0 Talvek key J\n");
    const auto two = RunSim({"run", "Talvek-deorbit.scn", "--script", "j.txt", "--frames", "2"}, dir);
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_THAT(two.out, testing::StartsWith("talvek-sim: 2 frames, 0.03 s simulated, 2 vessels\n"));
}

// File and folder names are UTF-8 on the command line and in scripts, and reach the files so
// named on every system (Windows reads narrow paths in a code page of its own).
TEST_F(Cli, NamesOutsideAsciiReachTheirFiles) {
    using talvek_test::Utf8Path;
    const std::string folder = "Fl\xC3\xBCge", scenario = "Umlaufbahn-\xC3\xA9t\xC3\xA9.scn";
    const std::string save = "gesichert-\xC3\x9F.scn", scriptSave = "mitten-\xE6\x97\xA5.scn";
    fs::create_directory(dir / Utf8Path(folder));
    std::ofstream(dir / Utf8Path(folder) / Utf8Path(scenario), std::ios::binary)
        << ReadFile(talvek_test::BuildRoot() / "Scenarios" / ORBIT);
    Write("s.txt", "at 0.5 Talvek save " + folder + "/" + scriptSave + "\n");
    const auto r = RunSim({"run", folder + "/" + scenario, "--script", "s.txt", "--until", "1", "--save", folder + "/" + save},
                          dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(ReadFile(dir / Utf8Path(folder) / Utf8Path(save)), HasSubstr("BEGIN_SHIPS\nTalvek:Talvek\n"));
    EXPECT_THAT(ReadFile(dir / Utf8Path(folder) / Utf8Path(scriptSave)), HasSubstr("BEGIN_SHIPS\nTalvek:Talvek\n"));
}

TEST_F(Cli, UntilStopsAtTheFirstFrameThatReachesIt) {
    const auto r = RunSim({"run", ORBIT, "--until", "1", "--frame-dt", "0.3", "--dump", "d.json"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(nlohmann::json::parse(ReadFile(dir / "d.json"))["time"].get<double>(), 1.2, 1e-9);
}

struct CliError {
    std::vector<std::string> args;
    std::string file, text;  // a file to write first (name, content)
    std::string expected;
};

void PrintTo(const CliError& e, std::ostream* os) {
    for (const auto& a : e.args) *os << a << ' ';
    *os << "-> " << e.expected;
}

class CliErrors : public Cli, public testing::WithParamInterface<CliError> {};

TEST_P(CliErrors, ExitTwoWithThePlaceNamed) {
    for (const std::string& a : GetParam().args)
        if (a.rfind("/dev/", 0) == 0 && !talvek_test::HAS_DEVICE_FILES) GTEST_SKIP() << "no " << a << " on this system";
    if (!GetParam().file.empty()) Write(GetParam().file, GetParam().text);
    const auto r = RunSim(GetParam().args, dir);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliErrors,
    testing::Values(
        CliError{{}, "", "", "A subcommand is required"},
        CliError{{"run"}, "", "", "SCENARIO is required"},
        CliError{{"fly", ORBIT}, "", "", ""},
        CliError{{"run", ORBIT, "--warp"}, "", "", "--warp"},
        CliError{{"run", ORBIT, "--frames", "-1"}, "", "", "--frames"},
        CliError{{"run", ORBIT, "--frames", "many"}, "", "", "expects a whole number of frames"},
        CliError{{"run", ORBIT, "--frame-dt", "0"}, "", "", "--frame-dt: the frame length must be above 0"},
        CliError{{"run", ORBIT, "--entry-points", "old"}, "", "", "--entry-points: old not in {callbacks,legacy}"},
        CliError{{"run", ORBIT, "--visuals", "some"}, "", "", "--visuals: some not in {all,focus,none}"},
        CliError{{"run", ORBIT, "--root", "/nonexistent"}, "", "", "/nonexistent: not a host root"},
        CliError{{"run", "nope.scn"}, "", "", "nope.scn: no such scenario"},
        CliError{{"run", "bad.scn"}, "bad.scn",
                 "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 1 2\nEND\nEND_SHIPS\n",
                 "bad.scn:4: RPOS expects three numbers x y z (metres)"},
        CliError{{"run", "mars.scn"}, "mars.scn", "BEGIN_SHIPS\nA:Talvek\n  STATUS Landed Mars\nEND\nEND_SHIPS\n",
                 "mars.scn:3: unknown reference body 'Mars'"},
        CliError{{"run", "cls.scn"}, "cls.scn", "BEGIN_SHIPS\nA:Talvek\n  RPOS 7e6 0 0\nEND\nB:Nothing\nEND\nEND_SHIPS\n",
                 "cls.scn:5: unknown vessel class 'Nothing'"},
        CliError{{"run", "nopos.scn"}, "nopos.scn", "BEGIN_SHIPS\nA:Talvek\n  RVEL 0 0 7000\nEND\nEND_SHIPS\n",
                 "nopos.scn:2: vessel 'A': an orbiting vessel needs 'RPOS x y z'"},
        CliError{{"run", "deep.scn"}, "deep.scn", "BEGIN_SHIPS\nA:tlvorbit\n  RPOS 1000 0 0\nEND\nEND_SHIPS\n",
                 "deep.scn:2: vessel 'A': RPOS lies inside Earth"},
        CliError{{"run", "land.scn"}, "land.scn", "BEGIN_SHIPS\nA:tlvorbit\n  STATUS Landed Earth\nEND\nEND_SHIPS\n",
                 "land.scn:2: vessel 'A': a landed vessel needs 'POS"},
        CliError{{"run", ORBIT, "--until", "nan"}, "", "", "--until"},
        CliError{{"run", ORBIT, "--frame-dt", "nan"}, "", "", "--frame-dt: the frame length must be above 0"},
        CliError{{"run", ORBIT, "--frame-dt", "inf"}, "", "", "--frame-dt: the frame length must be above 0"},
        CliError{{"run", ORBIT, "--frames", "1", "--save", "/dev/full"}, "", "", "/dev/full: cannot be written"},
        CliError{{"run", ORBIT, "--script", "s.txt", "--until", "1"}, "s.txt", "at 0.5 Talvek save nodir/x.scn\n",
                 "s.txt:1: "},
        CliError{{"run", "noships.scn"}, "noships.scn", "BEGIN_DESC\nx\nEND_DESC\n", "noships.scn: has no BEGIN_SHIPS"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "# ok\nat soon Talvek key J\n",
                 "s.txt:2: 'soon' is not a time"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "at 0 Talvek key Alt+J\n",
                 "s.txt:1: 'Alt+J' is not a key combination"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "at 0 Talvek\n", "s.txt:1: expected 'at <number>"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "at 0 Talvek warp 3\n", "s.txt:1: unknown action 'warp'"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "at 0 Talvek thrust main 2\n", "s.txt:1: thrust level '2'"},
        // A vessel that the flight can hold, but that does not exist yet when the action falls due.
        CliError{{"run", ORBIT, "--script", "s.txt", "--until", "1"}, "s.txt", "at 0.5 TalvekOrbitMod key J\n",
                 "s.txt:1: vessel 'TalvekOrbitMod' does not exist when this action falls due"},
        CliError{{"run", ORBIT, "--script", "s.txt"}, "s.txt", "at 0 Talvek focus\n",
                 "s.txt:1: 'focus' expects: focus <vessel>"},
        CliError{{"run", ORBIT, "--script", "s.txt", "--until", "1"}, "s.txt", "at 0.5 Talvek focus TalvekChute\n",
                 "s.txt:1: vessel 'TalvekChute' does not exist when this action falls due"},
        // One that it can never hold, before the first frame.
        CliError{{"run", ORBIT, "--script", "s.txt", "--until", "1"}, "s.txt", "at 0.5 Nobody key J\n",
                 "s.txt:1: no vessel 'Nobody' is in "},
        CliError{{"run", ORBIT, "--script", "s.txt", "--until", "1"}, "s.txt", "at 0.5 Talvek focus Nobody\n",
                 "s.txt:1: no vessel 'Nobody' is in "},
        CliError{{"run", ORBIT, "--script", "missing.txt"}, "", "", "missing.txt: cannot be read"},
        CliError{{"run", ORBIT, "--frames", "1", "--save", "/nonexistent/dir/out.scn"}, "", "",
                 "/nonexistent/dir/out.scn: cannot be written"},
        CliError{{"run", ORBIT, "--plot", "no/such/folder/p.png"}, "", "", "no/such/folder/p.png: cannot be written"}));
