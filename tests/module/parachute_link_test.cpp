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
    sim::VesselRecord* other = world->AddVessel("Canopy 2", CHUTE_CLASS);
    ParachuteLink link;
    ASSERT_TRUE(link.ParseLine("CHUTE_VESSEL Canopy 2"));
    sim::ScenarioWriter before;
    link.Save(&before);
    EXPECT_EQ(before.text, "  CHUTE_VESSEL Canopy 2\n");
    EXPECT_EQ(link.FindSaved(record->Handle()), "");
    EXPECT_EQ(link.chuteVessel, other->iface);
    EXPECT_EQ(link.chuteName, "Canopy 2");
    EXPECT_EQ(link.chuteClass, "tlvchute");
    EXPECT_TRUE(link.savedChuteName.empty());
    EXPECT_EQ(link.Released(), other->iface);
    sim::ScenarioWriter after;
    link.Save(&after);
    EXPECT_EQ(after.text, before.text) << "the found vessel under the same key";
}

// A saved name is a claim about a vessel that the spacecraft will delete: only a parachute other
// than the spacecraft itself is taken; anything else is forgotten, with the reason for the log.
TEST_F(ModuleTest, ParachuteLinkTakesOnlyAParachuteThatIsNotItself) {
    root.Write("Config/Probe.cfg", "Mass = 60\n");
    world->AddVessel("Sat1", "Probe");
    sim::VesselRecord* chute = world->AddVessel("Chute", CHUTE_CLASS);
    root.Write("Config/TLVCHUTE.cfg", "Mass = 60\n");
    world->AddVessel("Upper", "TLVCHUTE");  // class names are read without regard to case
    const struct {
        const char* name;
        OBJHANDLE self;
        const char* ignored;  // "" when it is taken
    } cases[] = {
        {"Chute", record->Handle(), ""},
        {"Upper", record->Handle(), ""},
        {"T", record->Handle(), "CHUTE_VESSEL T ignored: it names this vessel, not its released parachute"},
        {"Sat1", record->Handle(), "CHUTE_VESSEL Sat1 ignored: its class is Probe, not the parachute's tlvchute"},
        {"Chute", chute->Handle(), "CHUTE_VESSEL Chute ignored: it names this vessel, not its released parachute"},
        {"Gone", record->Handle(), "CHUTE_VESSEL Gone ignored: no vessel has that name"},
    };
    for (const auto& c : cases) {
        ParachuteLink link;
        ASSERT_TRUE(link.ParseLine((std::string("CHUTE_VESSEL ") + c.name).c_str()));
        EXPECT_EQ(link.FindSaved(c.self), c.ignored) << c.name;
        EXPECT_TRUE(link.savedChuteName.empty()) << "looked for once: " << c.name;
        const bool taken = *c.ignored == '\0';
        EXPECT_EQ(link.Released() != nullptr, taken) << c.name;
        sim::ScenarioWriter out;
        link.Save(&out);
        EXPECT_EQ(out.text, taken ? std::string("  CHUTE_VESSEL ") + c.name + "\n" : "") << c.name;
    }
}

TEST_F(ModuleTest, ParachuteLinkForgetsANameThatNamesNoVessel) {
    ParachuteLink link;
    ASSERT_TRUE(link.ParseLine("CHUTE_VESSEL Gone"));
    EXPECT_NE(link.FindSaved(record->Handle()), "");
    EXPECT_EQ(link.chuteVessel, nullptr);
    EXPECT_TRUE(link.savedChuteName.empty());
    sim::ScenarioWriter out;
    link.Save(&out);
    EXPECT_EQ(out.text, "") << "nothing left to save";
    link.Keep(nullptr);
    EXPECT_EQ(link.Released(), nullptr);
}
