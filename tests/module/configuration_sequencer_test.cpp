// The configuration sequencer on its own: the phases of the deferred rebuild, a request from
// each of them, and its scenario keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/module/module_fixture.h"
#include "sim/file_handles.h"
#include "spacecraft/internal/test_access.h"

namespace {

constexpr RebuildPhase EVERY_PHASE[] = {RebuildPhase::Idle, RebuildPhase::Requested, RebuildPhase::PanelsStowed,
                                        RebuildPhase::Rebuilt};

// The steps that the rebuild asks for until it is idle, at most ten.
std::vector<RebuildStep> StepsToIdle(ConfigurationSequencer& s) {
    std::vector<RebuildStep> steps;
    while (s.rebuildCounter != RebuildPhase::Idle && steps.size() < 10) steps.push_back(s.StepRebuild());
    return steps;
}

}  // namespace

TEST_F(ModuleTest, RebuildStowsThenSetsUpThenShowsAndEnds) {
    TalvekVessel t(record->Handle());
    ConfigurationSequencer& s = Inside(t).sequencer;
    EXPECT_EQ(s.StepRebuild(), RebuildStep::None) << "idle";
    EXPECT_EQ(s.rebuildCounter, RebuildPhase::Idle);
    s.RequestRebuild();
    EXPECT_THAT(StepsToIdle(s), testing::ElementsAre(RebuildStep::StowPanels, RebuildStep::SetUp, RebuildStep::ShowPanels));
    EXPECT_EQ(s.StepRebuild(), RebuildStep::None);
}

TEST_F(ModuleTest, RebuildRequestedFromAnyPhaseStartsOverAndKeepsTheConfiguration) {
    TalvekVessel t(record->Handle());
    ConfigurationSequencer& s = Inside(t).sequencer;
    for (RebuildPhase phase : EVERY_PHASE) {
        s.configuration = CONFIG_DROGUE;
        s.rebuildCounter = phase;
        s.RequestRebuild();
        EXPECT_EQ(s.rebuildCounter, RebuildPhase::Requested) << static_cast<int>(phase);
        EXPECT_EQ(s.configuration, CONFIG_DROGUE);
        EXPECT_THAT(StepsToIdle(s), testing::ElementsAre(RebuildStep::StowPanels, RebuildStep::SetUp, RebuildStep::ShowPanels))
            << static_cast<int>(phase);
    }
}

TEST_F(ModuleTest, SwitchFromAnyPhaseSetsTheConfigurationAndRequestsTheRebuild) {
    TalvekVessel t(record->Handle());
    ConfigurationSequencer& s = Inside(t).sequencer;
    for (RebuildPhase phase : EVERY_PHASE) {
        s.configuration = CONFIG_DESCENT;
        s.rebuildCounter = phase;
        s.SwitchTo(CONFIG_MAIN_CHUTE);
        EXPECT_EQ(s.configuration, CONFIG_MAIN_CHUTE);
        EXPECT_EQ(s.rebuildCounter, RebuildPhase::Requested) << static_cast<int>(phase);
    }
}

TEST_F(ModuleTest, ArraysHeldStowedFromTheStowingToTheEndOfTheRebuild) {
    TalvekVessel t(record->Handle());
    const struct {
        RebuildPhase phase;
        bool stowed;
    } cases[] = {{RebuildPhase::Idle, false},
                 {RebuildPhase::Requested, false},
                 {RebuildPhase::PanelsStowed, true},
                 {RebuildPhase::Rebuilt, true}};
    for (const auto& c : cases) {
        Inside(t).sequencer.rebuildCounter = c.phase;
        EXPECT_EQ(Inside(t).sequencer.HoldsPanelsStowed(), c.stowed) << static_cast<int>(c.phase);
    }
}

// A pending rebuild is saved as its phase's number and the configuration defined then; nothing
// while idle.
TEST_F(ModuleTest, SequencerSavesTheRebuildOnlyWhilePending) {
    TalvekVessel t(record->Handle());
    Inside(t).sequencer.definedConfiguration = CONFIG_DESCENT;
    const struct {
        RebuildPhase phase;
        const char* text;
    } cases[] = {{RebuildPhase::Idle, ""},
                 {RebuildPhase::Requested, "  REBUILD 1 1\n"},
                 {RebuildPhase::PanelsStowed, "  REBUILD 2 1\n"},
                 {RebuildPhase::Rebuilt, "  REBUILD 3 1\n"}};
    for (const auto& c : cases) {
        Inside(t).sequencer.rebuildCounter = c.phase;
        sim::ScenarioWriter out;
        Inside(t).sequencer.SaveRebuild(&out);
        EXPECT_EQ(out.text, c.text);
    }
}

TEST_F(ModuleTest, SequencerReadsItsKeysAndLeavesOtherLinesAlone) {
    TalvekVessel t(record->Handle());
    ConfigurationSequencer& s = Inside(t).sequencer;
    const struct {
        const char* line;
        bool taken;
        std::int16_t configuration;
        std::int32_t savedCounter;
        std::int16_t savedDefined;
    } cases[] = {
        {"CONFIGURATION 3", true, 3, 7, 5},  {"rebuild 2 1", true, 9, 2, 1},   {"REBUILD", true, 9, 0, 0},
        {"REBUILD 3", true, 9, 3, 0},        {"PANELS 0.5", false, 9, 7, 5},   {"CONFIG 3", false, 9, 7, 5},
        {"CHUTE_VESSEL X", false, 9, 7, 5},  {"REBUIL 1 1", false, 9, 7, 5},
    };
    for (const auto& c : cases) {
        s.configuration = ConfigurationNumbered(9);
        s.savedRebuildCounter = 7;
        s.savedDefinedConfiguration = ConfigurationNumbered(5);
        EXPECT_EQ(s.ParseLine(c.line), c.taken) << c.line;
        EXPECT_EQ(Number(s.configuration), c.configuration) << c.line;
        EXPECT_EQ(s.savedRebuildCounter, c.savedCounter) << c.line;
        EXPECT_EQ(Number(s.savedDefinedConfiguration), c.savedDefined) << c.line;
        EXPECT_EQ(s.rebuildCounter, RebuildPhase::Idle) << "a load resumes the rebuild only once the lines are read";
    }
}
