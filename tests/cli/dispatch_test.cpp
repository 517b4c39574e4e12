// talvek-sim's choice of how modules are called (--entry-points) and which vessels get a
// visual (--visuals), seen from its outputs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "test_support.h"

using Json = nlohmann::json;
using talvek_test::RunSim;
using testing::HasSubstr;
using testing::Not;

namespace {

// A Talvek that carries another Talvek as its payload: J releases it through oapiCreateVessel.
constexpr const char* CARRIER_SCENARIO =
    "BEGIN_SHIPS\n"
    "Talvek:Talvek\n"
    "  STATUS Orbiting Earth\n"
    "  RPOS 6771010 0 0\n"
    "  RVEL 0 0 7672.593\n"
    "  PRPLEVEL 0:1 1:1\n"
    "  CONFIGURATION 0\n"
    "  PAYLOAD Inner talvek Talvek 0 0 40 100 0 1\n"
    "END\n"
    "Other:Talvek\n"
    "  STATUS Orbiting Earth\n"
    "  RPOS -6771010 0 0\n"
    "  RVEL 0 0 -7672.593\n"
    "  PRPLEVEL 0:1 1:1\n"
    "END\n"
    "END_SHIPS\n";

class Dispatch : public testing::Test {
protected:
    void SetUp() override {
        scratch.Write("c.scn", CARRIER_SCENARIO);
        scratch.Write("j.txt", "at 0 Talvek key J\n");
    }
    Json Vessel(const std::string& dumpFile, const std::string& name) const {
        const Json dump = Json::parse(scratch.Read(dumpFile));
        for (const auto& v : dump["vessels"])
            if (v["name"] == name) return v;
        return Json();
    }
    talvek_test::ScratchDir scratch{"talvek-dispatch"};
};

// A Talvek made by oapiCreateVessel gets no state load, and no visual while nobody looks at it.
// The current simulator's dispatch still gives it its full-stack definition from its first frame;
// the older hosts' defined it only with a visual.
TEST_F(Dispatch, ReleasedTalvekWithoutAVisualIsDefinedFromItsFirstFrame) {
    const auto r = RunSim({"run", "c.scn", "--script", "j.txt", "--visuals", "none", "--frames", "1", "--dump", "d.json"},
                          scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const Json inner = Vessel("d.json", "Inner");
    ASSERT_FALSE(inner.is_null());
    if (talvek_test::LegacyEntryPoints()) {
        EXPECT_TRUE(inner["meshes"].empty());
        EXPECT_TRUE(inner["thrusters"].empty());
        return;
    }
    const Json carrier = Vessel("d.json", "Other");  // a full stack defined by its state load
    ASSERT_FALSE(inner["meshes"].empty());
    EXPECT_EQ(inner["meshes"][0]["file"], "talvek");
    EXPECT_EQ(inner["thrusters"].size(), carrier["thrusters"].size());
    EXPECT_EQ(inner["emptyMass"], carrier["emptyMass"]);
    EXPECT_EQ(inner["size"], carrier["size"]);
}

struct VisualsCase {
    const char* visuals;
    bool talvek, other;  // which vessels get a visual
};

void PrintTo(const VisualsCase& c, std::ostream* os) { *os << "--visuals " << c.visuals; }

class Visuals : public Dispatch, public testing::WithParamInterface<VisualsCase> {};

TEST_P(Visuals, OnlyTheVesselsInViewGetOne) {
    // Visuals come with the first frame, after its step.
    const auto r = RunSim({"run", "c.scn", "--visuals", GetParam().visuals, "--frames", "1", "--trace", "t.txt"},
                          scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string trace = scratch.Read("t.txt");
    const std::string created = talvek_test::LegacyEntryPoints() ? "> ovcVisualCreated" : "> clbkVisualCreated";
    EXPECT_EQ(trace.find("Talvek " + created) != std::string::npos, GetParam().talvek) << trace;
    EXPECT_EQ(trace.find("Other " + created) != std::string::npos, GetParam().other) << trace;
}

INSTANTIATE_TEST_SUITE_P(Settings, Visuals,
                         testing::Values(VisualsCase{"all", true, true}, VisualsCase{"focus", true, false},
                                         VisualsCase{"none", false, false}),
                         [](const auto& info) { return std::string(info.param.visuals); });

// A script's focus moves the view with --visuals focus (and the keys); a save keeps the focus,
// and the reloaded flight looks at the same vessel.
TEST_F(Dispatch, TheFocusMovesTheViewAndIsSaved) {
    scratch.Write("f.txt", "at 0.5 Talvek focus Other\n");
    const auto r = RunSim({"run", "c.scn", "--script", "f.txt", "--visuals", "focus", "--until", "1", "--events",
                           "--trace", "t.txt", "--save", "s.scn"},
                          scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("0.50 Other focus (from Talvek)\n"));
    const std::string trace = scratch.Read("t.txt");
    const bool legacy = talvek_test::LegacyEntryPoints();
    EXPECT_NE(trace.find(legacy ? "Other > ovcVisualCreated" : "Other > clbkVisualCreated"), std::string::npos);
    if (!legacy) {
        EXPECT_THAT(trace, HasSubstr("Talvek > clbkFocusChanged(false, #"));
        EXPECT_THAT(trace, HasSubstr("Other > clbkFocusChanged(true, #"));
        EXPECT_THAT(trace, HasSubstr("Talvek > clbkVisualDestroyed()")) << "Talvek left the view";
    }
    EXPECT_THAT(scratch.Read("s.scn"), HasSubstr("BEGIN_FOCUS\n  Ship Other\nEND_FOCUS\n"));

    const auto again =
        RunSim({"run", "s.scn", "--visuals", "focus", "--frames", "1", "--trace", "t2.txt"}, scratch.Path());
    ASSERT_EQ(again.status, 0) << again.err;
    const std::string trace2 = scratch.Read("t2.txt");
    const std::string created = legacy ? "> ovcVisualCreated" : "> clbkVisualCreated";
    EXPECT_NE(trace2.find("Other " + created), std::string::npos);
    EXPECT_EQ(trace2.find("Talvek " + created), std::string::npos);
}

// The trace names the route: the current simulator's callbacks by default, the exported entry
// points only when asked for.
TEST_F(Dispatch, TheTraceShowsTheRouteTaken) {
    const auto r = RunSim({"run", "c.scn", "--frames", "1", "--trace", "t.txt"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string trace = scratch.Read("t.txt");
    if (talvek_test::LegacyEntryPoints()) {
        EXPECT_THAT(trace, HasSubstr("Talvek > ovcLoadStateEx()"));
        EXPECT_THAT(trace, HasSubstr("Talvek > ovcTimestep(0.016666666666666666)"));
        EXPECT_THAT(trace, Not(HasSubstr("> clbk")));
    } else {
        EXPECT_THAT(trace, HasSubstr("Talvek > clbkLoadStateEx()"));
        // The pre-step with the step's start time, length and date; the post-step with its end.
        EXPECT_THAT(trace, HasSubstr("Talvek > clbkPreStep(0, 0.016666666666666666, 51544.5)"));
        EXPECT_THAT(trace,
                    HasSubstr("Talvek > clbkPostStep(0.016666666666666666, 0.016666666666666666, 51544.5000001929)"));
        EXPECT_THAT(trace, Not(HasSubstr("> ovcTimestep")));
    }
}

}  // namespace

// The simulator places a vessel created during its state update (a post-step) where the planet
// stood at the frame's start: the canopy released at touchdown is created in the next pre-step,
// outside the update. Older hosts have one time step, and get it there.
TEST(CanopyRelease, ComesOutsideTheStateUpdate) {
    talvek_test::ScratchDir scratch("talvek-canopy-release");
    const auto low = RunSim({"run", "Talvek-descent.scn", "--until", "348", "--save", "low.scn"}, scratch.Path());
    ASSERT_EQ(low.status, 0) << low.err;
    const auto r = RunSim({"run", "low.scn", "--trace", "t.txt", "--events"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("TalvekChute created tlvchute"));
    const std::string trace = scratch.Read("t.txt");
    const auto created = trace.find("Talvek oapiCreateVessel(\"TalvekChute\"");
    ASSERT_NE(created, std::string::npos);
    const auto call = trace.rfind("Talvek > ", created);
    ASSERT_NE(call, std::string::npos);
    const std::string within = trace.substr(call, trace.find('(', call) - call);
    EXPECT_EQ(within, talvek_test::LegacyEntryPoints() ? "Talvek > ovcTimestep" : "Talvek > clbkPreStep");
}
