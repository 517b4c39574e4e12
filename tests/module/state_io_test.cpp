// The spacecraft's scenario keys: reading and writing "CONFIGURATION" and "PANELS".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/scenario.h"

using testing::ElementsAre;

namespace {

struct Block {
    std::vector<sim::ScenarioLine> lines;
    sim::ScenarioBlockReader reader;
    sim::ParsedVesselState state;

    explicit Block(const std::vector<std::string>& text) {
        int n = 1;
        for (const auto& l : text) lines.push_back(sim::ScenarioLine{l, ++n});
        reader.file = "test.scn";
        reader.lines = &lines;
        state.reader = &reader;
    }
};

struct KeyCase {
    const char* line;
    int configuration;
    float panels;
    const char* logged = "";  // what the host's log says about the value read, "" for nothing
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.line)); }

class SpacecraftKeys : public ModuleTest, public testing::WithParamInterface<KeyCase> {};

}  // namespace

TEST_P(SpacecraftKeys, AreReadAsWritten) {
    TalvekVessel t(record->Handle());
    t.sequencer.configuration = 9;
    t.arrays.panelState = 0.75f;
    Block block({GetParam().line});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(t.sequencer.configuration, GetParam().configuration) << GetParam().line;
    EXPECT_EQ(t.arrays.panelState, GetParam().panels) << GetParam().line;
    if (*GetParam().logged)
        EXPECT_THAT(world->log, ElementsAre(std::string("T: ") + GetParam().logged + ": " + GetParam().line));
    else
        EXPECT_THAT(world->log, testing::Not(testing::Contains(testing::HasSubstr("solar array state"))));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpacecraftKeys,
    testing::Values(KeyCase{"CONFIGURATION 3", 3, 0.75f}, KeyCase{"configuration   -2", -2, 0.75f},
                    KeyCase{"CONFIGURATION", 0, 0.75f}, KeyCase{"CONFIGURATION 12abc", 12, 0.75f},
                    KeyCase{"CONFIGURATION +4", 4, 0.75f}, KeyCase{"CONFIGURATIONS 2", 0, 0.75f},
                    KeyCase{"CONFIGURATION 70000", 70000 - 65536, 0.75f},
                    KeyCase{"CONFIGURATION 99999999999999999999", -1, 0.75f},
                    KeyCase{"CONFIG 3", 9, 0.75f}, KeyCase{"PANELS 0.5", 9, 0.5f}, KeyCase{"PANELS 1", 9, 1.0f},
                    KeyCase{"PANELS 0", 9, 0.0f}, KeyCase{"PANELS 1e-50", 9, 0.0f},
                    KeyCase{"panels 1.5", 9, 1.0f, "solar array state '1.5' is outside 0..1; read as 1"},
                    KeyCase{"PANELS 1e39", 9, 1.0f, "solar array state '1e39' is outside 0..1; read as 1"},
                    KeyCase{"PANELS -0.25", 9, 0.0f, "solar array state '-0.25' is outside 0..1; read as 0"},
                    KeyCase{"PANELS -1e300", 9, 0.0f, "solar array state '-1e300' is outside 0..1; read as 0"},
                    KeyCase{"PANELS", 9, 0.0f}, KeyCase{"PANELS x", 9, 0.0f},
                    KeyCase{"PANELS nan", 9, 0.0f, "solar array state 'nan' is not a finite number; read as 0"},
                    KeyCase{"PANELS inf", 9, 0.0f, "solar array state 'inf' is not a finite number; read as 0"},
                    KeyCase{"PANELS 1e400", 9, 0.0f, "solar array state '1e400' is not a finite number; read as 0"},
                    KeyCase{"PANEL 0.5", 9, 0.75f}));

TEST_F(ModuleTest, EveryLineReachesTheHostParserAndLoadEndsWithTheSavedConfigurationDefined) {
    TalvekVessel t(record->Handle());
    Block block({"CONFIGURATION 2", "PANELS 0.5", "RPOS 1 2 3", "ANYTHING else"});
    world->trace.clear();
    t.LoadStateEx(&block.reader, &block.state);
    std::vector<std::string> parsed;
    for (const auto& c : Calls())
        if (c.rfind("ParseScenarioLineEx", 0) == 0) parsed.push_back(c);
    EXPECT_THAT(parsed, ElementsAre("ParseScenarioLineEx(\"CONFIGURATION 2\")", "ParseScenarioLineEx(\"PANELS 0.5\")",
                                    "ParseScenarioLineEx(\"RPOS 1 2 3\")", "ParseScenarioLineEx(\"ANYTHING else\")"));
    EXPECT_EQ(block.state.rpos->y, 2) << "the host's keys reach the host";
    EXPECT_EQ(t.sequencer.configuration, 2);
    EXPECT_EQ(t.sequencer.rebuildCounter, RebuildPhase::Idle) << "no rebuild pending: the drogue is defined at once";
    EXPECT_EQ(record->def.size, 80);
    EXPECT_NE(t.landingTank, nullptr);
    EXPECT_EQ(t.mainTank, nullptr);
}

TEST_F(ModuleTest, EmptyBlockDefinesTheFullStack) {
    TalvekVessel t(record->Handle());
    Block block({});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(t.sequencer.rebuildCounter, RebuildPhase::Idle);
    EXPECT_EQ(t.sequencer.configuration, 0);
    EXPECT_EQ(record->def.size, 15);
}

// A number that no configuration has keeps the old way: the full-stack baseline with the rebuild
// armed, which then defines nothing more.
TEST_F(ModuleTest, UnknownConfigurationNumberLoadsTheBaseline) {
    TalvekVessel t(record->Handle());
    Block block({"CONFIGURATION 9"});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(t.sequencer.rebuildCounter, RebuildPhase::Requested);
    EXPECT_EQ(record->def.size, 15);
}

TEST_F(ModuleTest, SaveWritesHostLinesThenConfigurationThenPanels) {
    TalvekVessel t(record->Handle());
    t.sequencer.configuration = -3;
    t.arrays.panelState = 0.25f;
    sim::ScenarioWriter out;
    world->trace.clear();
    t.SaveState(&out);
    EXPECT_THAT(Calls(), ElementsAre("SaveDefaultState()", "oapiWriteScenario_int(\"CONFIGURATION\", \"-3\")",
                                     "oapiWriteScenario_float(\"PANELS\", \"0.25\")"));
    EXPECT_NE(out.text.find("  STATUS Orbiting Earth\n"), std::string::npos);
    EXPECT_NE(out.text.find("  CONFIGURATION -3\n  PANELS 0.25\n"), std::string::npos) << out.text;
}

TEST_F(ModuleTest, FreshVesselSavesConfigurationZeroAndPanelsZero) {
    TalvekVessel t(record->Handle());
    sim::ScenarioWriter out;
    t.SaveState(&out);
    EXPECT_NE(out.text.find("  CONFIGURATION 0\n  PANELS 0.0\n"), std::string::npos) << out.text;
}
