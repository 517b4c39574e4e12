// A configuration is data: one that exists only in this test's table (an abort, its own hull and
// number 5) is entered, defined, saved and loaded again with no code of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <vector>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/scenario.h"
#include "spacecraft/internal/test_access.h"

using testing::HasSubstr;

namespace {

constexpr Configuration CONFIG_ABORT = ConfigurationNumbered(5);

constexpr HullDefinition ABORT_HULL{
    .size = 7,
    .dryMass = 4100,
    .cogShift = {0, 0, 0.5},
    .touchdown = {{0, 1, -1.5}, {-1, -1, -1.5}, {1, -1, -1.5}},
    .pmi = {3, 3, 1},
    .crossSections = {9, 9, 6},
    .cw = {1.2, 2.1, 2.4, 2.4},
    .rotDrag = {0.07, 0.07, 0.07},
    .pitchMomentScale = -2e-6,
    .bankMomentScale = -2e-6,
    .camera = {0, -1.5, 1},
    .setsFriction = false,
    .frictionLng = 0,
    .frictionLat = 0,
    .placement = HullPlacement::First,
};

constexpr ConfigurationDef ABORT_ROW{
    .configuration = CONFIG_ABORT,
    .entered = "abort: orbital and descent modules away together",
    .hull = &ABORT_HULL,
    .tanks = DESCENT_TANKS,
    .made = {},
    .dropped = MAIN_TANK,
    .meshes = DESCENT_MESHES,
    .payloadOrigin = DESIGN_ORIGIN,
    .arrays = Arrays::Removed,
    .canopy = Canopy::None,
    .landingThruster = LandingThruster::None,
    .thrusters = Thrusters::DescentAttitude,
    .attitudeTankLimit = DESCENT_ATT_TANK_LIMIT,
    .stackFittings = false,
};

// The shipped rows and the abort.
const std::vector<ConfigurationDef>& Table() {
    static const std::vector<ConfigurationDef> table = [] {
        std::vector<ConfigurationDef> rows(std::begin(CONFIGURATIONS), std::end(CONFIGURATIONS));
        rows.push_back(ABORT_ROW);
        return rows;
    }();
    return table;
}

struct Block {
    std::vector<sim::ScenarioLine> lines;
    sim::ScenarioBlockReader reader;
    sim::ParsedVesselState state;

    explicit Block(const std::string& text) {
        std::istringstream in(text);
        int n = 1;
        for (std::string l; std::getline(in, l);) lines.push_back(sim::ScenarioLine{l.substr(l.find_first_not_of(' ')), ++n});
        reader.file = "test.scn";
        reader.lines = &lines;
        state.reader = &reader;
    }
};

class TestOnlyConfiguration : public ModuleTest {
protected:
    // Frames until the rebuild has run its course.
    void Rebuild(TalvekVessel& t) {
        for (int i = 0; i < 4; ++i) FrameSteps(t);
    }
};

}  // namespace

TEST_F(TestOnlyConfiguration, IsEnteredAndDefinedFromItsRow) {
    TalvekVessel t(record->Handle(), Table());
    Inside(t).Define(CONFIG_FULL_STACK);
    Inside(t).Enter(Transition{CONFIG_ABORT});
    Rebuild(t);
    EXPECT_THAT(world->log, testing::Contains("T: abort: orbital and descent modules away together (configuration 5)"));
    EXPECT_EQ(Inside(t).sequencer.definedConfiguration, CONFIG_ABORT);
    EXPECT_EQ(record->def.size, 7);
    EXPECT_EQ(record->def.emptyMass, 4100);
    ASSERT_EQ(record->def.meshes.size(), 1u);
    EXPECT_EQ(record->def.meshes[0].file, "talvek-descent");
    EXPECT_EQ(Inside(t).cogShift.z, 0.5);
    EXPECT_EQ(Inside(t).mainTank, nullptr) << "dropped";
    EXPECT_NE(Inside(t).descentAttTank, nullptr) << "held";
    EXPECT_EQ(record->def.groups.size(), 6u) << "the descent module's attitude groups";
}

TEST_F(TestOnlyConfiguration, SavesAndLoadsAgainAsItself) {
    std::string saved;
    nlohmann::ordered_json defined;
    {
        TalvekVessel t(record->Handle(), Table());
        Block block("CONFIGURATION 5\n");
        t.LoadStateEx(&block.reader, &block.state);
        Rebuild(t);
        defined = DefinitionOf(*world);
        EXPECT_EQ(record->def.size, 7);
        sim::ScenarioWriter out;
        t.SaveState(&out);
        saved = out.text;
    }
    EXPECT_THAT(saved, HasSubstr("  CONFIGURATION 5\n"));
    world.reset();
    MakeWorld();
    TalvekVessel again(record->Handle(), Table());
    Block block(saved.substr(saved.find("  CONFIGURATION")));
    again.LoadStateEx(&block.reader, &block.state);
    Rebuild(again);
    EXPECT_EQ(DefinitionOf(*world), defined);
    EXPECT_EQ(Inside(again).sequencer.configuration, CONFIG_ABORT);
}

// Without the row, the shipped vessel defines nothing for the number and keeps the full stack.
TEST_F(TestOnlyConfiguration, IsUnknownToTheShippedTable) {
    TalvekVessel t(record->Handle());
    Block block("CONFIGURATION 5\n");
    t.LoadStateEx(&block.reader, &block.state);
    Rebuild(t);
    EXPECT_EQ(record->def.size, STACK_HULL.size);
    EXPECT_EQ(Number(Inside(t).sequencer.configuration), 5);
}
