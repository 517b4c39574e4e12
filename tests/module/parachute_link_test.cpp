// The parachute link on its own: the saved name it reads, writes and looks for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "sim/file_handles.h"
#include "tests/module/module_fixture.h"

TEST_F(ModuleTest, ParachuteLinkReadsTheSavedNameTrimmedAndCut) {
    const std::string longName(200, 'c');
    const struct {
        std::string line;
        bool taken;
        std::string saved;  // from "before"
    } cases[] = {
        {"CHUTE_VESSEL TalvekChute", true, "TalvekChute"},
        {"chute_vessel \t My Chute \t", true, "My Chute"},
        {"CHUTE_VESSEL", true, ""},
        {"CHUTE_VESSEL " + longName, true, std::string(PAYLOAD_NAME_SIZE - 1, 'c')},
        {"CHUTE_VESSE X", false, "before"},
        {"CONFIGURATION 2", false, "before"},
    };
    for (const auto& c : cases) {
        ParachuteLink link;
        link.savedChuteName = "before";
        EXPECT_EQ(link.ParseLine(c.line.c_str()), c.taken) << c.line;
        EXPECT_EQ(link.savedChuteName, c.saved) << c.line;
        EXPECT_EQ(link.chuteVessel, nullptr) << "a read name is only looked for in the first time step";
    }
}

TEST_F(ModuleTest, ParachuteLinkSavesANameNotLookedForYetAndFindsItOnce) {
    root.Write("Config/Probe.cfg", "Mass = 60\n");
    sim::VesselRecord* other = world->AddVessel("Canopy 2", "Probe");
    ParachuteLink link;
    ASSERT_TRUE(link.ParseLine("CHUTE_VESSEL Canopy 2"));
    sim::ScenarioWriter before;
    link.Save(&before);
    EXPECT_EQ(before.text, "  CHUTE_VESSEL Canopy 2\n");
    link.FindSaved();
    EXPECT_EQ(link.chuteVessel, other->iface);
    EXPECT_EQ(link.chuteName, "Canopy 2");
    EXPECT_EQ(link.chuteClass, "Probe");
    EXPECT_TRUE(link.savedChuteName.empty());
    EXPECT_EQ(link.Released(), other->iface);
    sim::ScenarioWriter after;
    link.Save(&after);
    EXPECT_EQ(after.text, before.text) << "the found vessel under the same key";
}

TEST_F(ModuleTest, ParachuteLinkForgetsANameThatNamesNoVessel) {
    ParachuteLink link;
    ASSERT_TRUE(link.ParseLine("CHUTE_VESSEL Gone"));
    link.FindSaved();
    EXPECT_EQ(link.chuteVessel, nullptr);
    EXPECT_TRUE(link.savedChuteName.empty());
    sim::ScenarioWriter out;
    link.Save(&out);
    EXPECT_EQ(out.text, "") << "nothing left to save";
    link.Keep(nullptr);
    EXPECT_EQ(link.Released(), nullptr);
}
