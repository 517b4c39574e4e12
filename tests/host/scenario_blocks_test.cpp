// What the simulator writes into a scenario beside the ships: every block read and written back as
// it stands and where it stands, the environment's lines of the simulator kept, and the vessel
// lines of its default parser that the host keeps without modelling them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/app/simulation.h"
#include "sim/errors.h"
#include "sim/placement.h"
#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;
using testing::Not;

namespace {

constexpr const char* ENVIRONMENT = "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 61000.5\nEND_ENVIRONMENT\n";
// A Probe as the host writes it: in flight, no propellant, its transponder on channel 0.
constexpr const char* SHIPS =
    "BEGIN_SHIPS\nP:Probe\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 0.000\n  RVEL 0.0000 0.0000 7672.5930\n"
    "  AROT 0.000 0.000 0.000\n  XPDR 0\nEND\nEND_SHIPS\n";

struct BlockCase {
    const char* kind;
    const char* block;  // as the simulator (or a plugin) writes it
};

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.kind; }

class SimulatorBlocks : public HostTest, public testing::WithParamInterface<BlockCase> {
protected:
    std::string Saved(const std::string& text) {
        const auto file = root.Write("Scenarios/blocks.scn", text);
        world.reset();
        sim::Simulation s(root.Path(), file);
        return s.SaveText();
    }
};

// Before the ships, as the simulator writes the camera, HUD, MFDs and panels, and after them, as
// it writes a plugin's block: either way the block comes back as it was, in its place.
TEST_P(SimulatorBlocks, ComeBackAsWrittenInTheirPlace) {
    const std::string block = GetParam().block;
    for (const std::string& text : {std::string(ENVIRONMENT) + "\n" + block + "\n" + SHIPS,
                                    std::string(ENVIRONMENT) + "\n" + SHIPS + "\n" + block}) {
        const std::string saved = Saved(text);
        EXPECT_EQ(saved, text);
        EXPECT_EQ(Saved(saved), saved) << "saved again, the same bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SimulatorBlocks,
    testing::Values(
        BlockCase{"camera", "BEGIN_CAMERA\n  TARGET P\n  MODE Extern\n  POS 4.000000 0.00 0.00\n  TRACKMODE TargetRelative\n"
                            "  FOV 50.00\n  BEGIN_PRESET\n    Ext:P 4.00 0.00 0.00\n  END_PRESET\nEND_CAMERA\n"},
        BlockCase{"hud", "BEGIN_HUD\n  TYPE Orbit\n  REF AUTO\nEND_HUD\n"},
        BlockCase{"left MFD (closed by a bare END_MFD)", "BEGIN_MFD Left\n  TYPE Orbit\n  PROJ Frame\n  FRAME Ecliptic\n"
                                                        "  REF Earth\nEND_MFD\n"},
        BlockCase{"third MFD", "BEGIN_MFD 3\n  TYPE Surface\n  SPDMODE 1\nEND_MFD\n"},
        BlockCase{"MFD mode writing END", "BEGIN_MFD Right\n  TYPE User\n  MODE Notes\nEND\nEND_MFD\n"},
        BlockCase{"panel", "BEGIN_PANEL\nEND_PANEL\n"},
        BlockCase{"virtual cockpit", "BEGIN_VC\nEND_VC\n"},
        BlockCase{"plugin (closed by END)", "BEGIN_TalvekDriver\n  SCRIPT Talvek-deorbit.txt\n  FRAMES counted\nEND\n"},
        BlockCase{"plugin, lines as written", "BEGIN_Notes\n; a note\n\tindented line ; with its comment\n\n  last\nend\n"},
        BlockCase{"plugin closed by its name", "BEGIN_XRSound\n  Volume 0.5\nEND_XRSound\n"},
        BlockCase{"description by address", "BEGIN_URLDESC\nCurrentState\nEND_URLDESC\n"}));

TEST_F(HostTest, BlocksKeepTheirOrderAroundTheHostsOwn) {
    const std::string text = std::string("BEGIN_DESC\nfirst line\n\n  indented; with a semicolon\nEND_DESC\n\n") +
                             ENVIRONMENT + "\nBEGIN_FOCUS\n  Ship P\nEND_FOCUS\n\nBEGIN_CAMERA\n  TARGET P\nEND_CAMERA\n\n"
                             "BEGIN_MFD Left\n  TYPE Orbit\nEND_MFD\n\n" + SHIPS +
                             "\nBEGIN_First\n  a\nEND\n\nBEGIN_Second\n  b\nEND\n";
    const auto file = root.Write("Scenarios/order.scn", text);
    world.reset();
    sim::Simulation s(root.Path(), file);
    EXPECT_EQ(s.SaveText(), text);
}

TEST_F(HostTest, AScenarioWithoutEnvironmentGetsOneFirst) {
    const std::string text = std::string("BEGIN_DESC\nd\nEND_DESC\n\nBEGIN_HUD\n  TYPE Orbit\nEND_HUD\n\n") + SHIPS;
    const auto file = root.Write("Scenarios/noenv.scn", text);
    world.reset();
    sim::Simulation s(root.Path(), file);
    // Without a date the scenario starts at talvek-sim's default date, MJD 51544.5.
    EXPECT_EQ(s.SaveText(), std::string("BEGIN_DESC\nd\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 51544.5\n"
                                        "END_ENVIRONMENT\n\nBEGIN_HUD\n  TYPE Orbit\nEND_HUD\n\n") +
                                SHIPS);
}

// The simulator's environment lines that the host does not read are written back after the date,
// one of each key (the last, as the simulator reads them), in the order the simulator writes them.
TEST_F(HostTest, EnvironmentKeepsTheSimulatorsLines) {
    const auto file = root.Write(
        "Scenarios/env.scn",
        "BEGIN_ENVIRONMENT\n  Help Old\n  Playback rec1\n  System Sol\n  Script demo.lua ; runs at start\n"
        "  Date MJD 61000.5\n  Context Talvek\n  Help CurrentState_img\n  SplashScreen #000000 splash.png\n"
        "END_ENVIRONMENT\n\n" + std::string(SHIPS));
    world.reset();
    sim::Simulation s(root.Path(), file);
    EXPECT_THAT(s.SaveText(), HasSubstr("BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 61000.5\n  Context Talvek\n"
                                        "  SplashScreen #000000 splash.png\n  Script demo.lua ; runs at start\n"
                                        "  Help CurrentState_img\n  Playback rec1\nEND_ENVIRONMENT\n"));
}

struct DateCase {
    const char* line;
    double mjd;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.line; }

class ScenarioDates : public testing::TestWithParam<DateCase> {};

TEST_P(ScenarioDates, ReadAsTheSimulatorReadsThem) {
    const auto sc = sim::ParseScenario(std::string("BEGIN_ENVIRONMENT\n  ") + GetParam().line +
                                           "\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n",
                                       "d.scn");
    ASSERT_TRUE(sc.mjd);
    EXPECT_DOUBLE_EQ(*sc.mjd, GetParam().mjd);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScenarioDates,
                         testing::Values(DateCase{"Date MJD 61000.5", 61000.5}, DateCase{"Date JD 2461001", 61000.5},
                                         DateCase{"date jd 2451545.0", 51544.5}, DateCase{"Date JE 2000", 51544.5},
                                         DateCase{"Date JE 2001", 51909.75}));

struct BadText {
    const char* text;
    const char* expected;
};

void PrintTo(const BadText& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class BlockErrors : public testing::TestWithParam<BadText> {};

TEST_P(BlockErrors, NameFileAndLine) {
    try {
        sim::ParseScenario(GetParam().text, "bad.scn");
        FAIL() << "accepted: " << GetParam().text;
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockErrors,
    testing::Values(
        BadText{"BEGIN_SHIPS\nEND_SHIPS\nBEGIN_SHIPS\nEND_SHIPS\n",
                "bad.scn:3: a second BEGIN_SHIPS block (the first is at line 1); the simulator reads only the first"},
        BadText{"BEGIN_ENVIRONMENT\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\nbegin_environment\nEND_ENVIRONMENT\n",
                "bad.scn:5: a second BEGIN_ENVIRONMENT block"},
        BadText{"BEGIN_SHIPS\nEND_SHIPS\nBEGIN_MFD Left\n  TYPE Orbit\nEND\n", "bad.scn:3: BEGIN_MFD Left has no END_MFD"},
        BadText{"BEGIN_SHIPS\nEND_SHIPS\nBEGIN_Plugin\n  x\n", "bad.scn:3: BEGIN_Plugin has no END_Plugin or END line"},
        BadText{"BEGIN_\nEND\nBEGIN_SHIPS\nEND_SHIPS\n", "bad.scn:1: 'BEGIN_' names no block"},
        BadText{"BEGIN_ENVIRONMENT\n  Date JE soon\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n",
                "bad.scn:2: expected 'Date MJD <modified Julian date>' (or 'Date JD <t>', 'Date JE <t>')"},
        BadText{"BEGIN_ENVIRONMENT\n  Date JD 1\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n",
                "bad.scn:2: the date JD 1 (MJD -2399999.5) is out of range"}));

// ---------------------------------------------------------------------------------------------
// Vessel lines of the simulator's default parser.

class KeptVesselLines : public HostTest {
protected:
    // The Probe block saved after it was read with the given lines.
    std::string SavedBlock(const std::string& lines, const std::string& state = "  STATUS Orbiting Earth\n"
                                                                               "  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n") {
        const auto file = root.Write("Scenarios/kept.scn", "BEGIN_SHIPS\nP:Probe\n" + state + lines + "END\nEND_SHIPS\n");
        world.reset();
        sim::Simulation s(root.Path(), file);
        const std::string saved = s.SaveText();
        const auto b = saved.find("P:Probe\n");
        return saved.substr(b, saved.find("END\n", b) - b);
    }
};

// Each in any order in the file, all come back where the simulator writes them.
TEST_F(KeptVesselLines, AreWrittenWhereTheSimulatorWritesThem) {
    const std::string block = SavedBlock(
        "  FLIGHTDATA\n  NAVFREQ 84 114\n  xpdr 466\n  IDS 0:12 20\n  DOCKINFO 0:0,Station 1:0,Tug\n  PRPLEVEL 0:0.5\n"
        "  AFCMODE 7\n  RCSMODE 2\n  ATTACHED 0:1,Mother\n  THLEVEL 0:0.25\n");
    EXPECT_EQ(block,
              "P:Probe\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 0.000\n  RVEL 0.0000 0.0000 7672.5930\n"
              "  AROT 0.000 0.000 0.000\n  ATTACHED 0:1,Mother\n  RCSMODE 2\n  AFCMODE 7\n  PRPLEVEL 0:0.500000\n"
              "  THLEVEL 0:0.250000\n  DOCKINFO 0:0,Station 1:0,Tug\n  IDS 0:12 20\n  NAVFREQ 84 114\n  XPDR 466\n"
              "  FLIGHTDATA\n");
}

struct KeptCase {
    const char* lines;  // read
    const char* saved;  // the block's lines from ATTACHED to FLIGHTDATA as saved
};

void PrintTo(const KeptCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.lines)); }

class KeptLine : public KeptVesselLines, public testing::WithParamInterface<KeptCase> {};

TEST_P(KeptLine, IsWrittenAsTheSimulatorWritesIt) {
    const std::string block = SavedBlock(GetParam().lines);
    const std::string head = "  AROT 0.000 0.000 0.000\n";
    EXPECT_EQ(block.substr(block.find(head) + head.size()), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptLine,
    testing::Values(KeptCase{"", "  XPDR 0\n"}, KeptCase{"  rcsmode   0 ; off\n", "  RCSMODE 0\n  XPDR 0\n"},
                    KeptCase{"  RCSMODE 1\n", "  XPDR 0\n"},  // rotation: the simulator's default, not written
                    KeptCase{"  AFCMODE 0\n", "  XPDR 0\n"},
                    KeptCase{"  RCSMODE 2\n  RCSMODE 1\n", "  XPDR 0\n"},  // the last line of a key holds
                    KeptCase{"  NAVFREQ  0   0\n", "  NAVFREQ 0 0\n  XPDR 0\n"},
                    KeptCase{"  Dockinfo 2:1,Hub\n", "  DOCKINFO 2:1,Hub\n  XPDR 0\n"},
                    KeptCase{"  IDS 0:12:5 1:600\n", "  IDS 0:12:5 1:600\n  XPDR 0\n"},
                    KeptCase{"  XPDR 639\n", "  XPDR 639\n"},
                    KeptCase{"  XPDR 0\n  FLIGHTDATA\n", "  XPDR 0\n  FLIGHTDATA\n"},
                    // Older scenarios' engine levels become thruster levels; a THLEVEL line replaces them.
                    KeptCase{"  ENGINE_MAIN 0.5\n", "  THLEVEL 0:0.500000\n  XPDR 0\n"},
                    KeptCase{"  ENGINE_MAIN 0.5\n  THLEVEL 0:0.25\n", "  THLEVEL 0:0.250000\n  XPDR 0\n"},
                    KeptCase{"  THLEVEL 0:0.25\n  ENGINE_MAIN 0.75\n", "  THLEVEL 0:0.750000\n  XPDR 0\n"},
                    KeptCase{"  ENGINE_MAIN -1\n  ENGINE_HOVR 1\n", "  XPDR 0\n"}));  // the Probe has no such groups

// A landed vessel's base is kept while it stands where it was read, right after STATUS.
TEST_F(KeptVesselLines, ABaseStaysWithALandedVessel) {
    const std::string landed = "  STATUS Landed Earth\n  BASE Cape Canaveral:1\n  POS -80.6 28.6\n  HEADING 90\n";
    EXPECT_THAT(SavedBlock("", landed), HasSubstr("  STATUS Landed Earth\n  BASE Cape Canaveral:1\n  POS -80.6000000"));
    // In flight the simulator writes no base, nor for a vessel that RPOS places.
    EXPECT_THAT(SavedBlock("  BASE Cape Canaveral:1\n"), Not(HasSubstr("BASE")));
}

TEST_F(KeptVesselLines, ALandedVesselThatMovedLeavesItsBase) {
    const auto file = root.Write("Scenarios/base.scn",
                                 "BEGIN_SHIPS\nP:Probe\n  STATUS Landed Earth\n  BASE Habana:2\n  POS -82.3 23.1\nEND\nEND_SHIPS\n");
    world.reset();
    sim::Simulation s(root.Path(), file);
    sim::VesselRecord& p = *s.GetWorld().FindByName("P");
    EXPECT_THAT(s.SaveText(), HasSubstr("BASE Habana:2"));
    sim::PlaceLanded(s.GetWorld(), p, -82.0 * 3.14159265358979323846 / 180, 23.1 * 3.14159265358979323846 / 180, 0);
    EXPECT_THAT(s.SaveText(), Not(HasSubstr("BASE")));
}

// The transponder is the host's: the channel is kept while the vessel has one, as in the simulator.
TEST_F(KeptVesselLines, ATransponderChannelNeedsATransponder) {
    root.Write("Config/Quiet.cfg", "ClassName = Quiet\nSize = 1\nEnableXPDR = false\n");
    root.Write("Config/Tuned.cfg", "ClassName = Tuned\nSize = 1\nEnableXPDR = true\nXPDR = 12\n");
    const auto file = root.Write("Scenarios/xpdr.scn",
                                 "BEGIN_SHIPS\n"
                                 "Q:Quiet\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  XPDR 5\nEND\n"
                                 "T:Tuned\n  STATUS Orbiting Earth\n  RPOS 6771010 0 10\nEND\n"
                                 "U:Tuned\n  STATUS Orbiting Earth\n  RPOS 6771010 0 20\n  XPDR 0\nEND\n"
                                 "END_SHIPS\n");
    world.reset();
    sim::Simulation s(root.Path(), file);
    const std::string saved = s.SaveText();
    EXPECT_THAT(saved, HasSubstr("Q:Quiet\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 0.000\n"
                                 "  RVEL 0.0000 0.0000 0.0000\n  AROT 0.000 0.000 0.000\nEND\n"));
    EXPECT_THAT(s.GetWorld().warnings,
                testing::Contains("vessel 'Q' has no transponder; its line XPDR 5 is dropped, as the simulator drops it"));
    EXPECT_THAT(saved, HasSubstr("T:Tuned\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 10.000\n"
                                 "  RVEL 0.0000 0.0000 0.0000\n  AROT 0.000 0.000 0.000\n  XPDR 12\nEND\n"))
        << "the class file's channel";
    EXPECT_THAT(saved, HasSubstr("  RPOS 6771010.000 0.000 20.000\n  RVEL 0.0000 0.0000 0.0000\n"
                                 "  AROT 0.000 0.000 0.000\n  XPDR 12\nEND\n"))
        << "channel 0 in a scenario leaves the class's, as in the simulator";
}

// A line that the simulator's default parser does not read is nobody's in a vessel without a module:
// the host says so, naming the line, and does not save it.
TEST_F(KeptVesselLines, AnUnknownLineOfAPassiveVesselIsReportedAndNotSaved) {
    const auto file = root.Write("Scenarios/unknown.scn",
                                 "BEGIN_SHIPS\nP:Probe\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  COLOUR red\n"
                                 "  NAVFREQ 1 2\n  XPDR 3\n  Note two words\nEND\nEND_SHIPS\n");
    world.reset();
    sim::Simulation s(root.Path(), file);
    const auto& warnings = s.GetWorld().warnings;
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_THAT(warnings[0], testing::EndsWith("unknown.scn:5: vessel 'P' (class 'Probe', which has no module): 'COLOUR red' "
                                               "is no line the simulator reads for it; ignored, and not saved"));
    EXPECT_THAT(warnings[1], HasSubstr("unknown.scn:8: vessel 'P' (class 'Probe', which has no module): 'Note two words'"));
    EXPECT_THAT(s.SaveText(), HasSubstr("  AROT 0.000 0.000 0.000\n  NAVFREQ 1 2\n  XPDR 3\nEND\n"));
    for (const char* gone : {"COLOUR", "Note"}) EXPECT_THAT(s.SaveText(), Not(HasSubstr(gone)));
}

// A module's own line that begins like a kept key is the module's: kept keys are whole words.
TEST(KeptKeys, AreWholeWords) {
    sim::ParsedVesselState s;
    for (const char* line : {"IDS_MODE 2", "NAVFREQUENCY high", "RCSMODES 9", "BASEMENT 3", "FLIGHTDATA_LOG on"})
        EXPECT_EQ(sim::ParseHostKey(line, s), "") << line;
    EXPECT_FALSE(s.kept.ids || s.kept.navFreq || s.kept.base || s.kept.flightData);
    EXPECT_EQ(s.kept.rcsMode, 1);
}

struct BadKeptLine {
    const char* line;
    const char* expected;
};

void PrintTo(const BadKeptLine& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.line)); }

class KeptLineErrors : public testing::TestWithParam<BadKeptLine> {};

TEST_P(KeptLineErrors, AreRefusedWithAReasonAndChangeNothing) {
    sim::ParsedVesselState s;
    ASSERT_EQ(sim::ParseHostKey("NAVFREQ 7", s), "");
    ASSERT_EQ(sim::ParseHostKey("RCSMODE 2", s), "");
    const std::string err = sim::ParseHostKey(GetParam().line, s);
    EXPECT_THAT(err, HasSubstr(GetParam().expected)) << GetParam().line;
    EXPECT_EQ(s.kept.navFreq, "7");
    EXPECT_EQ(s.kept.rcsMode, 2);
    EXPECT_FALSE(s.kept.attached || s.kept.dockInfo || s.kept.ids || s.kept.base || s.kept.flightData);
    EXPECT_EQ(s.kept.afcMode, 0);
    EXPECT_FALSE(s.xpdr);
    EXPECT_TRUE(s.engineLevels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptLineErrors,
    testing::Values(BadKeptLine{"RCSMODE 3", "RCSMODE expects 0 (off), 1 (rotation) or 2 (translation)"},
                    BadKeptLine{"RCSMODE", "RCSMODE expects"}, BadKeptLine{"AFCMODE 8", "AFCMODE expects a number 0..7"},
                    BadKeptLine{"AFCMODE -1", "AFCMODE expects"},
                    BadKeptLine{"ATTACHED 0,Mother", "ATTACHED expects '<attachment>:<parent's attachment>,<parent vessel>'"},
                    BadKeptLine{"ATTACHED 0:1,", "ATTACHED expects"}, BadKeptLine{"ATTACHED 0:1,A B", "ATTACHED expects"},
                    BadKeptLine{"DOCKINFO", "DOCKINFO expects '<dock>:<mate's dock>,<mate vessel>'"},
                    BadKeptLine{"DOCKINFO 0:0,Hub 1:x,Tug", "DOCKINFO expects"},
                    BadKeptLine{"IDS 0:640 20", "IDS expects '<dock>:<channel 0..639> <range in km>'"},
                    BadKeptLine{"IDS beacon", "IDS expects"},
                    BadKeptLine{"NAVFREQ 640", "NAVFREQ expects a channel 0..639 for each navigation receiver"},
                    BadKeptLine{"NAVFREQ 1 two", "NAVFREQ expects"}, BadKeptLine{"NAVFREQ", "NAVFREQ expects"},
                    BadKeptLine{"FLIGHTDATA on", "FLIGHTDATA takes no value"},
                    BadKeptLine{"BASE :1", "BASE expects '<base>:<pad>'"}, BadKeptLine{"BASE", "BASE expects"},
                    BadKeptLine{"XPDR 640", "XPDR expects a whole channel number 0..639"},
                    BadKeptLine{"XPDR -1", "XPDR expects"},
                    BadKeptLine{"ENGINE_MAIN 1.5", "ENGINE_MAIN expects a level within -1..1"},
                    BadKeptLine{"ENGINE_HOVR -0.5", "ENGINE_HOVR expects a level within 0..1"},
                    BadKeptLine{"ELEMENTS 6771010 0 0 0 0 0 61000.5",
                                "ELEMENTS (orbital elements) is not read by talvek-sim; give the vessel's state as RPOS "
                                "and RVEL"}));

}  // namespace
