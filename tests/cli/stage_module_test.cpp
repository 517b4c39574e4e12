// A released stage of class tlvstage takes the payloads nested in it into its own table: it weighs
// and draws them, saves them, keeps them over a reload and releases them with J. A stage of a
// passive class still flies off, and talvek-sim says what it could not hand over.
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
