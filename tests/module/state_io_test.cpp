// The spacecraft's scenario keys: reading and writing "CONFIGURATION" and "PANELS".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/scenario.h"
#include "spacecraft/internal/test_access.h"

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
    Inside(t).sequencer.configuration = ConfigurationNumbered(9);
    Inside(t).arrays.panelState = 0.75f;
    Block block({GetParam().line});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(Number(Inside(t).sequencer.configuration), GetParam().configuration) << GetParam().line;
    EXPECT_EQ(Inside(t).arrays.panelState, GetParam().panels) << GetParam().line;
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
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_DROGUE);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle) << "no rebuild pending: the drogue is defined at once";
    EXPECT_EQ(record->def.size, 80);
    EXPECT_NE(Inside(t).burn.tank, nullptr);
    EXPECT_EQ(Inside(t).mainTank, nullptr);
}

TEST_F(ModuleTest, EmptyBlockDefinesTheFullStack) {
    TalvekVessel t(record->Handle());
    Block block({});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_FULL_STACK);
    EXPECT_EQ(record->def.size, 15);
}

// A number that no configuration has keeps the old way: the full-stack baseline with the rebuild
// armed, which then defines nothing more.
TEST_F(ModuleTest, UnknownConfigurationNumberLoadsTheBaseline) {
    TalvekVessel t(record->Handle());
    Block block({"CONFIGURATION 9"});
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Requested);
    EXPECT_EQ(record->def.size, 15);
}

TEST_F(ModuleTest, SaveWritesHostLinesThenConfigurationThenPanels) {
    TalvekVessel t(record->Handle());
    Inside(t).sequencer.configuration = ConfigurationNumbered(-3);
    Inside(t).arrays.panelState = 0.25f;
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

namespace {
struct RebuildCase {
    int configuration;
    const char* rebuild;        // the REBUILD line
    bool fits;                  // else ignored, with a log line
    RebuildPhase phase;         // after the load
    int definedConfiguration;   // the number the sequencer holds as defined now
    double size;                // [m] of that definition
    std::vector<double> tanks;  // [kg] capacities, in order
};
void PrintTo(const RebuildCase& c, std::ostream* os) { *os << "CONFIGURATION " << c.configuration << ", " << c.rebuild; }
class SavedRebuild : public ModuleTest, public testing::WithParamInterface<RebuildCase> {};
}  // namespace

// A REBUILD line goes on with the rebuild it describes only where the sequencer itself could have
// written it beside the configuration; any other is ignored, said in the log, and the vessel takes
// its configuration's definition with that configuration's tanks alone.
TEST_P(SavedRebuild, GoesOnOnlyWhereTheSequencerWritesIt) {
    const RebuildCase& c = GetParam();
    TalvekVessel t(record->Handle());
    Block block({"CONFIGURATION " + std::to_string(c.configuration), c.rebuild});
    world->log.clear();
    t.LoadStateEx(&block.reader, &block.state);
    EXPECT_EQ(Number(Inside(t).sequencer.configuration), c.configuration);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, c.phase);
    EXPECT_EQ(Number(Inside(t).sequencer.definedConfiguration), c.definedConfiguration);
    EXPECT_EQ(record->def.size, c.size);
    std::vector<double> tanks;
    for (const auto& tank : record->def.tanks) tanks.push_back(tank.maxMass);
    EXPECT_EQ(tanks, c.tanks);
    if (c.fits) {
        EXPECT_TRUE(world->log.empty()) << world->log.front();
        // Saved again at once, the line is written as it was read.
        sim::ScenarioWriter out;
        Inside(t).sequencer.SaveRebuild(&out);
        EXPECT_EQ(out.text, "  " + std::string(c.rebuild) + "\n");
    } else {
        ASSERT_EQ(world->log.size(), 1u);
        EXPECT_EQ(world->log[0], "T: scenario line " + std::string(c.rebuild) + " ignored: no Talvek in CONFIGURATION " +
                                     std::to_string(c.configuration) +
                                     " saves it; the vessel takes its configuration's definition");
    }
}

constexpr double STACK = 15, CAPSULE = 5, CANOPY = 80;  // [m] sizes of the definitions
constexpr RebuildPhase REQUESTED = RebuildPhase::Requested, STOWED = RebuildPhase::PanelsStowed,
                       REBUILT = RebuildPhase::Rebuilt, IDLE = RebuildPhase::Idle;

INSTANTIATE_TEST_SUITE_P(
    Cases, SavedRebuild,
    testing::Values(
        // What a flight writes: the configuration it climbed from, or its own.
        RebuildCase{0, "REBUILD 1 0", true, REQUESTED, 0, STACK, {900, 60}},
        RebuildCase{1, "REBUILD 1 0", true, REQUESTED, 0, STACK, {900, 60}},
        RebuildCase{1, "REBUILD 2 1", true, STOWED, 1, CAPSULE, {60}},
        RebuildCase{1, "REBUILD 3 1", true, REBUILT, 1, CAPSULE, {60}},
        RebuildCase{3, "REBUILD 1 1", true, REQUESTED, 1, CAPSULE, {60}},
        RebuildCase{4, "REBUILD 2 3", true, STOWED, 3, CANOPY, {70}},
        RebuildCase{0, "REBUILD 1 -1", true, REQUESTED, -1, STACK, {900, 60}},
        // A number with no set-up: the full-stack baseline, its rebuild going on as saved.
        RebuildCase{9, "REBUILD 1 0", true, REQUESTED, 0, STACK, {900, 60}},
        RebuildCase{9, "REBUILD 3 9", true, REBUILT, 9, STACK, {900, 60}},
        RebuildCase{-2, "REBUILD 2 -5", true, STOWED, -5, STACK, {900, 60}},
        // Never written: a configuration above the present one, a set-up run for another one, a
        // phase outside 1 to 3.
        RebuildCase{0, "REBUILD 1 4", false, IDLE, 0, STACK, {900, 60}},
        RebuildCase{2, "REBUILD 1 3", false, IDLE, 2, CANOPY, {70}},
        RebuildCase{1, "REBUILD 3 0", false, IDLE, 1, CAPSULE, {60}},
        RebuildCase{4, "REBUILD 3 3", false, IDLE, 4, CAPSULE, {70}},
        RebuildCase{0, "REBUILD 0 0", false, IDLE, 0, STACK, {900, 60}},
        RebuildCase{0, "REBUILD 4 0", false, IDLE, 0, STACK, {900, 60}},
        RebuildCase{0, "REBUILD -1 0", false, IDLE, 0, STACK, {900, 60}},
        RebuildCase{9, "REBUILD 1 4", false, REQUESTED, 0, STACK, {900, 60}},
        RebuildCase{-2, "REBUILD 1 -1", false, REQUESTED, 0, STACK, {900, 60}}));
