// The deferred rebuild: animation held at 0, the configuration's set-up, the panels shown again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "spacecraft/internal/test_access.h"

using testing::ElementsAre;

namespace {
// The calls of one time step that the rebuild makes.
std::vector<std::string> RebuildCalls(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.rfind("SetAnimation", 0) == 0 || c.rfind("SetSize", 0) == 0) out.push_back(c);
    return out;
}
}  // namespace

TEST_F(ModuleTest, RebuildRunsTheSetUpInTheSecondStepAfterArming) {
    TalvekVessel t(record->Handle());
    Inside(t).arrays.panelState = 0.5f;
    Inside(t).sequencer.rebuildCounter = RebuildPhase::Requested;
    std::vector<std::vector<std::string>> steps;
    for (int i = 0; i < 4; ++i) {
        world->trace.clear();
        world->AdvanceFrame(0.1);
        t.Timestep();
        steps.push_back(RebuildCalls(Calls()));
    }
    EXPECT_THAT(steps[0], ElementsAre("SetAnimation(0, 0)"));
    EXPECT_THAT(steps[1], ElementsAre("SetAnimation(0, 0)", "SetSize(15)"));
    EXPECT_THAT(steps[2], ElementsAre("SetAnimation(0, 0.5)"));
    EXPECT_TRUE(steps[3].empty());
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
}

TEST_F(ModuleTest, ArmingAgainStartsTheSequenceOver) {
    TalvekVessel t(record->Handle());
    Inside(t).sequencer.rebuildCounter = RebuildPhase::Requested;
    world->AdvanceFrame(0.1);
    t.Timestep();  // 2
    Inside(t).sequencer.rebuildCounter = RebuildPhase::Requested;
    world->trace.clear();
    world->AdvanceFrame(0.1);
    t.Timestep();  // 2 again: no set-up yet
    EXPECT_THAT(RebuildCalls(Calls()), ElementsAre("SetAnimation(0, 0)"));
    world->trace.clear();
    world->AdvanceFrame(0.1);
    t.Timestep();
    EXPECT_THAT(RebuildCalls(Calls()), ElementsAre("SetAnimation(0, 0)", "SetSize(15)"));
}

TEST_F(ModuleTest, ConfigurationsWithoutASetUpDefineNothing) {
    TalvekVessel t(record->Handle());
    for (Configuration c : {ConfigurationNumbered(5), ConfigurationNumbered(-1), ConfigurationNumbered(300)}) {
        Inside(t).sequencer.configuration = c;
        world->trace.clear();
        Inside(t).ApplyConfiguration();
        EXPECT_TRUE(Calls().empty()) << c;
    }
}

TEST_F(ModuleTest, LoadedVesselGetsItsConfigurationTwoStepsLater) {
    TalvekVessel t(record->Handle());
    t.VisualCreated();
    EXPECT_EQ(record->def.size, 15) << "the baseline full stack at once";
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Requested);
    world->AdvanceFrame(0.1);
    t.Timestep();
    world->trace.clear();
    world->AdvanceFrame(0.1);
    t.Timestep();
    EXPECT_THAT(RebuildCalls(Calls()), ElementsAre("SetAnimation(0, 0)", "SetSize(15)"));
}
