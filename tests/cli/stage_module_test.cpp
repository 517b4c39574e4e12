// A released stage of class tlvstage takes the payloads nested in it into its own table: it weighs
// and draws them, saves them, keeps them over a reload and releases them with J. A stage of a
// passive class still flies off, and talvek-sim says what it could not hand over. A stage class of
// an author's own is drawn with the mesh its class file names; the nested positions reach the
// stage as they were written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::HasSubstr;

namespace {

constexpr double STAGE_DRY_MASS = 800.0;  // [kg] tlvstage.cfg's Mass
constexpr double MASS_A = 150.0;          // [kg]
constexpr double MASS_B = 120.0;          // [kg]
// The nested payloads as the stage writes them, in its own frame (the stage sits 4 m forward).
constexpr const char* SAVED_A = "  PAYLOAD A tlvsat tlvsat 1.00 0.00 1.00 150.00 0.00 1.00";
constexpr const char* SAVED_B = "  PAYLOAD B tlvsat tlvsat -1.00 0.00 1.00 120.00 0.00 1.00";

// A Talvek in orbit holding one stage of the given class with two payloads nested in it.
std::string ScenarioWithStage(const std::string& stageClass) {
    return "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
           "  CONFIGURATION 0\n  STAGE S1 " + stageClass + " " + stageClass + " 0 0 4 800 0 0\n"
           "  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  PAYLOAD B tlvsat tlvsat -1 0 5 120 0 1\n"
           "  ENDSTAGE\nEND\nEND_SHIPS\n";
}

// A vessel's block of a saved scenario, from its name line to its END.
std::string Block(const std::string& scenario, const std::string& header) {
    const size_t at = scenario.find("\n" + header + "\n");
    if (at == std::string::npos) return "";
    return scenario.substr(at, scenario.find("\nEND\n", at) - at);
}

class StageModule : public testing::Test {
protected:
    talvek_test::ProcessResult Run(const std::vector<std::string>& args) const {
        auto r = talvek_test::RunSim(args, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }
    Json Vessel(const std::string& dumpFile, const std::string& name) const {
        const Json dump = Json::parse(scratch.Read(dumpFile));
        for (const auto& v : dump["vessels"])
            if (v["name"] == name) return v;
        return Json();
    }
    // The stage S1 holds A and B: both lines saved, both weighed, both drawn after its own mesh.
    void ExpectStageHoldsBoth(const std::string& saveFile, const std::string& dumpFile) const {
        const std::string stage = Block(scratch.Read(saveFile), "S1:tlvstage");
        ASSERT_FALSE(stage.empty()) << scratch.Read(saveFile);
        EXPECT_THAT(stage, HasSubstr(SAVED_A));
        EXPECT_THAT(stage, HasSubstr(SAVED_B));
        const Json s1 = Vessel(dumpFile, "S1");
        ASSERT_FALSE(s1.is_null());
        EXPECT_DOUBLE_EQ(s1["emptyMass"].get<double>(), STAGE_DRY_MASS + MASS_A + MASS_B);
        ASSERT_EQ(s1["meshes"].size(), 3u);
        EXPECT_EQ(s1["meshes"][0]["file"], "tlvstage");
        EXPECT_EQ(s1["meshes"][1]["file"], "tlvsat");
        EXPECT_EQ(s1["meshes"][2]["file"], "tlvsat");
    }

    talvek_test::ScratchDir scratch{"talvek-stage"};
    const fs::path& dir = scratch.Path();
};

}  // namespace

TEST_F(StageModule, ReleasedStageHoldsItsNestedPayloadsAndKeepsThemOverAReload) {
    scratch.Write("s.scn", ScenarioWithStage("tlvstage"));
    scratch.Write("j.txt", "at 1 Talvek key J\n");
    Run({"run", "s.scn", "--script", "j.txt", "--until", "3", "--save", "out.scn", "--dump", "out.json"});
    ExpectStageHoldsBoth("out.scn", "out.json");
    EXPECT_EQ(Block(scratch.Read("out.scn"), "Talvek:Talvek").find("PAYLOAD"), std::string::npos)
        << "the Talvek no longer holds them";
    EXPECT_TRUE(Vessel("out.json", "A").is_null()) << "handed over, not released";

    // The stage's own save read back: the same table, mass and meshes, nothing doubled.
    Run({"run", "out.scn", "--frames", "2", "--save", "again.scn", "--dump", "again.json"});
    ExpectStageHoldsBoth("again.scn", "again.json");
    const std::string stage = Block(scratch.Read("again.scn"), "S1:tlvstage");
    EXPECT_EQ(stage.find("PAYLOAD A"), stage.rfind("PAYLOAD A"));
}

// Saved in the very frame of the release, before the stage's first step has collected what the
// Talvek handed over: the save holds the stage's contents, and the reload is the stage the flight
// goes on with.
TEST_F(StageModule, SaveInTheFrameOfTheReleaseHoldsTheStagesContents) {
    scratch.Write("s.scn", ScenarioWithStage("tlvstage"));
    scratch.Write("j.txt", "at 1 Talvek key J\nat 1 Talvek save x.scn\n");
    Run({"run", "s.scn", "--script", "j.txt", "--until", "2", "--save", "end.scn", "--dump", "end.json"});
    Run({"run", "x.scn", "--frames", "0", "--dump", "loaded.json"});
    ExpectStageHoldsBoth("x.scn", "loaded.json");
    Run({"run", "x.scn", "--until", "1", "--save", "continued.scn", "--dump", "continued.json"});
    ExpectStageHoldsBoth("continued.scn", "continued.json");
    ExpectStageHoldsBoth("end.scn", "end.json");
}

TEST_F(StageModule, JForTheStageReleasesItsLastPayload) {
    scratch.Write("s.scn", ScenarioWithStage("tlvstage"));
    scratch.Write("j.txt", "at 1 Talvek key J\nat 3 S1 key J\n");
    const auto r = Run({"run", "s.scn", "--script", "j.txt", "--until", "5", "--events", "--save", "out.scn",
                        "--dump", "out.json"});
    EXPECT_THAT(r.out, HasSubstr("S1 key J -> 1"));
    EXPECT_THAT(r.out, HasSubstr("B created tlvsat"));
    const std::string stage = Block(scratch.Read("out.scn"), "S1:tlvstage");
    EXPECT_THAT(stage, HasSubstr(SAVED_A));
    EXPECT_EQ(stage.find("PAYLOAD B"), std::string::npos);
    const Json s1 = Vessel("out.json", "S1");
    EXPECT_DOUBLE_EQ(s1["emptyMass"].get<double>(), STAGE_DRY_MASS + MASS_A) << "B's mass left with it";
    EXPECT_EQ(s1["meshes"].size(), 2u);
    EXPECT_EQ(Vessel("out.json", "B")["class"], "tlvsat");
}

// Released, a stage of a passive class would fly off without the lines nested in it: talvek-sim
// refuses the scenario before the first frame, naming the STAGE line (what a stage made during the
// flight drops is in preflight_test.cpp).
TEST_F(StageModule, StageOfAPassiveClassIsRefusedBeforeTheFlight) {
    scratch.Write("s.scn", ScenarioWithStage("tlvorbit"));
    scratch.Write("j.txt", "at 1 Talvek key J\n");
    const auto r =
        talvek_test::RunSim({"run", "s.scn", "--script", "j.txt", "--until", "3", "--dump", "out.json"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("s.scn:7: the stage S1 holds 2 payload lines, which could never arrive: its class "
                                 "'tlvorbit' ("));
    EXPECT_FALSE(fs::exists(dir / "out.json"));
}

namespace {

// The payloads at z = 9.35 on a stage at z = 7: relative to the stage, 2.35 as anyone would write it.
constexpr const char* AS_WRITTEN_SCENARIO =
    "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
    "  CONFIGURATION 0\n  STAGE S1 tlvstage tlvstage 0 0 7 800 0 0\n"
    "  PAYLOAD A tlvsat tlvsat 1.1 0 9.35 150 0 1\n  PAYLOAD B tlvsat tlvsat -1.1 0.3 9.35 120 0 1\n"
    "  ENDSTAGE\nEND\nEND_SHIPS\n";
constexpr const char* AS_WRITTEN_A = "  PAYLOAD A tlvsat tlvsat 1.10 0.00 2.35 150.00 0.00 1.00";
constexpr const char* AS_WRITTEN_B = "  PAYLOAD B tlvsat tlvsat -1.10 0.30 2.35 120.00 0.00 1.00";

}  // namespace

TEST_F(StageModule, NestedPositionsReachTheStageAsWritten) {
    scratch.Write("s.scn", AS_WRITTEN_SCENARIO);
    scratch.Write("j.txt", "at 1 Talvek key J\nat 1 Talvek save x.scn\n");
    Run({"run", "s.scn", "--script", "j.txt", "--until", "3", "--save", "out.scn"});
    for (const char* saved : {"x.scn", "out.scn"}) {
        const std::string stage = Block(scratch.Read(saved), "S1:tlvstage");
        EXPECT_THAT(stage, HasSubstr(AS_WRITTEN_A)) << saved << ":\n" << stage;
        EXPECT_THAT(stage, HasSubstr(AS_WRITTEN_B)) << saved;
    }
    // Read back and saved again, the numbers stay as they are.
    Run({"run", "x.scn", "--until", "1", "--save", "again.scn"});
    const std::string again = Block(scratch.Read("again.scn"), "S1:tlvstage");
    EXPECT_THAT(again, HasSubstr(AS_WRITTEN_A));
    EXPECT_THAT(again, HasSubstr(AS_WRITTEN_B));
}

namespace {

// An add-on author's stage class: its own name, the stage module, the shipped stage's mesh; and
// the author's own satellites in it.
constexpr const char* DISPENSER_CLASS =
    "ClassName = kdispenser\nModule = TalvekStage\nMeshName = tlvstage\nSize = 2.4\nMass = 600\n"
    "CW = 0.5 0.5 1.2 1.2\nCrossSections = 8.6 8.6 4.5\nRotResistance = 0.1 0.1 0.1\nInertia = 1.5 1.5 0.8\n"
    "TouchdownPoints = 0 -1.2 1.5  -0.5 -1.2 -1.9  0.5 -1.2 -1.9\n";
constexpr const char* CUBESAT_CLASS =
    "ClassName = kcube\nMeshName = tlvsat\nSize = 0.5\nMass = 40\nCW = 0.5 0.5 0.8 0.8\n"
    "CrossSections = 0.3 0.3 0.3\nInertia = 0.1 0.1 0.1\n"
    "TouchdownPoints = 0 -0.2 0.2  -0.2 -0.2 -0.2  0.2 -0.2 -0.2\n";
constexpr const char* DISPENSER_SCENARIO =
    "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
    "  CONFIGURATION 0\n  STAGE D1 tlvstage kdispenser 0 0 4 600 0 0\n"
    "  PAYLOAD K1 tlvsat kcube 0.6 0 5 40 0 0\n  PAYLOAD K2 tlvsat kcube -0.6 0 5 40 0 0\n"
    "  ENDSTAGE\nEND\nEND_SHIPS\n";

class AuthorsStage : public StageModule {
protected:
    void SetUp() override {
        root.Write("Config/Vessels/kdispenser.cfg", DISPENSER_CLASS);
        root.Write("Config/Vessels/kcube.cfg", CUBESAT_CLASS);
    }
    talvek_test::ProcessResult RunInRoot(std::vector<std::string> args) const {
        args.insert(args.begin() + 2, {"--root", root.Path().string()});
        auto r = Run(args);
        EXPECT_THAT(r.err, testing::Not(HasSubstr("mesh '"))) << "every mesh is found";
        return r;
    }
    // The stage drawn with its class's mesh first, then the payloads it holds.
    void ExpectDrawn(const std::string& dumpFile, size_t payloads) const {
        const Json d1 = Vessel(dumpFile, "D1");
        ASSERT_FALSE(d1.is_null()) << dumpFile;
        EXPECT_EQ(d1["class"], "kdispenser");
        ASSERT_EQ(d1["meshes"].size(), 1 + payloads) << dumpFile;
        EXPECT_EQ(d1["meshes"][0]["file"], "tlvstage") << dumpFile;
        for (size_t i = 1; i <= payloads; ++i) EXPECT_EQ(d1["meshes"][i]["file"], "tlvsat") << dumpFile;
    }

    talvek_test::TempRoot root;
};

}  // namespace

// Released, saved in the frame of its release and at the end, reloaded and flown on until it
// releases a satellite itself: the stage is drawn with the mesh its class file names throughout.
TEST_F(AuthorsStage, IsDrawnWithTheMeshItsClassNamesThroughReleaseSaveAndReload) {
    scratch.Write("s.scn", DISPENSER_SCENARIO);
    scratch.Write("j.txt", "at 1 Talvek key J\nat 1 Talvek save x.scn\n");
    RunInRoot({"run", "s.scn", "--script", "j.txt", "--until", "3", "--save", "out.scn", "--dump", "out.json"});
    ExpectDrawn("out.json", 2);
    EXPECT_THAT(Block(scratch.Read("out.scn"), "D1:kdispenser"), HasSubstr("PAYLOAD K2 tlvsat kcube"));

    RunInRoot({"run", "x.scn", "--frames", "0", "--dump", "loaded.json"});
    ExpectDrawn("loaded.json", 2);
    scratch.Write("k.txt", "at 1 D1 key J\n");
    const auto r = RunInRoot({"run", "x.scn", "--script", "k.txt", "--until", "3", "--events", "--save",
                              "continued.scn", "--dump", "continued.json"});
    EXPECT_THAT(r.out, HasSubstr("K2 created kcube"));
    ExpectDrawn("continued.json", 1);
    EXPECT_EQ(Vessel("continued.json", "K2")["class"], "kcube");
}

namespace {

// A stage class's MeshName as written, and the mesh the stage is drawn with.
struct StageMeshCase {
    const char* name;
    const char* meshLine;  // the class file's line, or "" for none
    const char* drawn;
};

void PrintTo(const StageMeshCase& c, std::ostream* os) { *os << c.name; }

class StageMeshes : public StageModule, public testing::WithParamInterface<StageMeshCase> {};

}  // namespace

TEST_P(StageMeshes, AreTheClassFilesOrNamedAsTheClass) {
    const StageMeshCase& c = GetParam();
    talvek_test::TempRoot root;
    root.Write("Config/Vessels/kstage.cfg", std::string("ClassName = kstage\nModule = TalvekStage\nMass = 500\n") +
                                                c.meshLine + "\n");
    // A mesh named as the class, for a class that names none, and one in a folder of the author's.
    const std::string mesh = talvek_test::ReadFile(root.Path() / "Meshes" / "tlvstage.msh");
    root.Write("Meshes/kstage.msh", mesh);
    root.Write("Meshes/kit/tlvstage.msh", mesh);
    scratch.Write("s.scn", "BEGIN_SHIPS\nS:kstage\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                           "  RVEL 0 0 7672.593\nEND\nEND_SHIPS\n");
    const auto r = Run({"run", "s.scn", "--root", root.Path().string(), "--frames", "2", "--dump", "out.json"});
    EXPECT_THAT(r.err, testing::Not(HasSubstr("mesh '")));
    const Json s = Vessel("out.json", "S");
    ASSERT_EQ(s["meshes"].size(), 1u);
    EXPECT_EQ(s["meshes"][0]["file"], c.drawn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StageMeshes,
    testing::Values(StageMeshCase{"named", "MeshName = tlvstage", "tlvstage"},
                    StageMeshCase{"key_and_name_in_other_capitals", "MESHNAME=TlvStage ; the tank", "TlvStage"},
                    StageMeshCase{"in_a_folder_of_meshes", "MeshName = kit\\tlvstage", "kit\\tlvstage"},
                    StageMeshCase{"none", "", "kstage"},
                    StageMeshCase{"empty", "MeshName =", "kstage"}),
    [](const testing::TestParamInfo<StageMeshCase>& info) { return std::string(info.param.name); });
