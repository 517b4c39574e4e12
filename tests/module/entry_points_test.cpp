// The built module, loaded through the host's own loader: its exports and the forwarding of
// each entry point.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/scenario.h"
#include "test_platform.h"
#include "spacecraft/internal/test_access.h"

using testing::HasSubstr;

TEST(ModuleExports, OnlyTheEightEntryPoints) {
    const talvek_test::LibraryExports exports = talvek_test::ExportsOf(TALVEK_TEST_MODULE_FILE);
    ASSERT_TRUE(exports.read) << TALVEK_TEST_MODULE_FILE;
    const auto& others = exports.others;
    EXPECT_EQ(exports.functions, (std::set<std::string>{"ovcInit", "ovcExit", "ovcSetClassCaps", "ovcTimestep", "ovcVisualCreated",
                                                "ovcLoadStateEx", "ovcSaveState", "ovcConsumeBufferedKey"}));
    for (const auto& o : others) EXPECT_EQ(o.find(" W "), std::string::npos) << "no other defined symbol: " << o;
    EXPECT_TRUE(others.empty()) << others.front();
}

class LoadedModule : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        talvek = world->AddVessel("Talvek", "Talvek");
        module = talvek->module;
        ASSERT_NE(module, nullptr);
    }
    TalvekVessel* Object() const { return static_cast<TalvekVessel*>(talvek->iface); }

    sim::VesselRecord* talvek = nullptr;
    const sim::VesselModule* module = nullptr;
};

TEST_F(LoadedModule, AllEightEntryPointsAreFound) {
    EXPECT_NE(module->init, nullptr);
    EXPECT_NE(module->exit, nullptr);
    EXPECT_NE(module->setClassCaps, nullptr);
    EXPECT_NE(module->timestep, nullptr);
    EXPECT_NE(module->visualCreated, nullptr);
    EXPECT_NE(module->loadStateEx, nullptr);
    EXPECT_NE(module->saveState, nullptr);
    EXPECT_NE(module->consumeBufferedKey, nullptr);
}

TEST_F(LoadedModule, InitIgnoresTheFlightModelAndExitDestroys) {
    VESSEL* v = module->init(record->Handle(), 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetFlightModel(), 1);
    EXPECT_EQ(v->GetHandle(), record->Handle());
    EXPECT_EQ(Inside(*static_cast<TalvekVessel*>(v)).sequencer.configuration, CONFIG_FULL_STACK);
    module->exit(v);
    module->exit(nullptr);
}

TEST_F(LoadedModule, EntryPointsForward) {
    world->trace.clear();
    module->setClassCaps(talvek->iface, nullptr);
    EXPECT_TRUE(world->trace.empty()) << "class caps do nothing";

    module->visualCreated(talvek->iface, nullptr, 7);
    EXPECT_EQ(Inside(*Object()).sequencer.rebuildCounter, RebuildPhase::Requested);

    Inside(*Object()).sequencer.configuration = CONFIG_DROGUE;
    Inside(*Object()).arrays.panelState = 0.5f;
    sim::ScenarioWriter out;
    module->saveState(talvek->iface, &out);
    EXPECT_THAT(out.text, HasSubstr("  CONFIGURATION 2\n  PANELS 0.5\n"));

    std::vector<sim::ScenarioLine> lines{{"CONFIGURATION 4", 1}, {"PANELS 1", 2}};
    sim::ScenarioBlockReader reader;
    reader.lines = &lines;
    sim::ParsedVesselState state;
    Inside(*Object()).sequencer.rebuildCounter = RebuildPhase::Idle;
    module->loadStateEx(talvek->iface, &reader, &state);
    EXPECT_EQ(Inside(*Object()).sequencer.configuration, CONFIG_LANDING);
    EXPECT_EQ(Inside(*Object()).arrays.panelState, 1.0f);
    EXPECT_EQ(talvek->def.size, 5) << "the landing configuration, defined by the load";

    module->timestep(talvek->iface, -12345.0);  // the simulation time is not read

    char keys[KEYBOARD_STATE_SIZE] = {};
    EXPECT_EQ(module->consumeBufferedKey(talvek->iface, OAPI_KEY_J, false, keys), 0) << "a key coming up commands nothing";
    Inside(*Object()).sequencer.rebuildCounter = RebuildPhase::Idle;
    EXPECT_EQ(module->consumeBufferedKey(talvek->iface, OAPI_KEY_J, true, keys), 1) << "J going down releases";
    EXPECT_EQ(Inside(*Object()).sequencer.rebuildCounter, RebuildPhase::Requested);
}
