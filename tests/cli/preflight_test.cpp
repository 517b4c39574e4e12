// What talvek-sim checks of a scenario's PAYLOAD and STAGE lines and of a flight script before
// the first frame: a stage whose class cannot take the lines nested in it, a class whose module is
// not there, a fuel level beyond 0..1, a payload mesh that is not in Meshes, a script line naming a
// vessel that the flight can never hold. And what --strict makes of what the run itself drops.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {

// A Talvek in orbit whose block ends with the given lines (the first of them is line 7), and more
// vessel blocks after it (the first block's header is then line 8 plus the count of those lines).
std::string Scenario(const std::string& talvekLines, const std::string& moreShips = "") {
    return "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
           "  CONFIGURATION 0\n" +
           talvekLines + "END\n" + moreShips + "END_SHIPS\n";
}

// A passive vessel's block, in orbit beside the Talvek.
std::string Passive(const std::string& header, const std::string& lines = "") {
    return header + "\n  STATUS Orbiting Earth\n  RPOS 6771010 0 100\n  RVEL 0 0 7672.593\n" + lines + "END\n";
}

const std::string STAGE_OF_TWO = "  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  PAYLOAD B tlvsat tlvsat -1 0 5 120 0 1\n"
                                 "  ENDSTAGE\n";
// A class of the author's whose module has not been built.
constexpr const char* KDISP = "Config/Vessels/kdisp.cfg";
constexpr const char* KDISP_TEXT = "ClassName = kdisp\nModule = KDispenser\nMeshName = tlvstage\nMass = 300\n";

struct PayloadCase {
    const char* name;
    std::string talvekLines;
    std::string moreShips;
    const char* classFile;  // written under the root, "" for none
    const char* classText;
    int status;        // without --strict
    int strictStatus;  // with it
    std::vector<std::string> messages;  // on standard error; none: nothing is said
};
void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.name; }

const PayloadCase PAYLOAD_CASES[] = {
    {"stage_of_a_class_without_a_module",
     "  STAGE Lump tlvsat tlvsat 0 0 4 800 0 0\n" + STAGE_OF_TWO, "", "", "", 2, 2,
     {"s.scn:7: the stage Lump holds 2 payload lines, which could never arrive: its class 'tlvsat' (",
      "tlvsat.cfg) has no Module to take them, and released, the stage would fly off without them; give the class a "
      "module that reads payload lines (Module = TalvekStage, as the shipped tlvstage has), or take the lines out of "
      "the stage"}},
    {"stage_of_a_class_whose_module_is_not_there",
     "  STAGE D tlvstage kdisp 0 0 4 300 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  ENDSTAGE\n", "", KDISP,
     KDISP_TEXT, 2, 2,
     {"s.scn:7: the stage D holds 1 payload line, which could never arrive: its class 'kdisp' names the module "
      "'KDispenser', which is not in Modules (no file ",
      "kdisp.cfg:2: 'Module' KDispenser: no module file ", "(the class 'kdisp', which ", "s.scn:7 names); build or "
      "install the module, or correct the Module key"}},
    {"stage_nested_in_a_stage", "  STAGE S1 tlvstage tlvstage 0 0 4 800 0 0\n  STAGE S2 tlvsat tlvorbit 0 0 5 100 0 0\n"
     "  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n  ENDSTAGE\n  ENDSTAGE\n", "", "", "", 2, 2,
     {"s.scn:8: the stage S2 holds 1 payload line, which could never arrive: its class 'tlvorbit' ("}},
    {"stage_left_open_holds_the_lines_after_it",
     "  STAGE Lump tlvsat tlvorbit 0 0 4 10 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n", "", "", "", 2, 2,
     {"s.scn:7: the stage Lump holds 1 payload line, which could never arrive"}},
    // A stage closed before any line loses nothing; ENDDRV closes it as ENDSTAGE does.
    {"empty_stage_of_a_class_without_a_module",
     "  STAGE E tlvsat tlvorbit 0 0 4 10 0 0\n  ENDDRV\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 1\n", "", "", "", 0, 0, {}},
    {"stage_of_a_class_with_a_module", "  STAGE S1 tlvstage tlvstage 0 0 4 800 0 0\n" + STAGE_OF_TWO, "", "", "", 0, 0,
     {}},
    {"payload_class_whose_module_is_not_there", "  PAYLOAD Disp1 tlvstage kdisp 0 0 4 300 0 0\n", "", KDISP,
     KDISP_TEXT, 2, 2, {"kdisp.cfg:2: 'Module' KDispenser: no module file ", "s.scn:7 names)"}},
    {"vessel_class_whose_module_is_not_there", "", Passive("K:kdisp"), KDISP, KDISP_TEXT, 2, 2,
     {"kdisp.cfg:2: 'Module' KDispenser: no module file ", "s.scn:8 names)"}},
    {"fuel_level_written_as_a_percentage", "  PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 200 0 50\n", "", "", "", 0, 2,
     {"talvek-sim: warning: ",
      "s.scn:7: the payload line's fuel level 50 is outside 0..1; it is read as 1. The field is the share of the tank "
      "that is full, a fraction from 0 to 1: write 0.5 for half full"}},
    {"negative_fuel_level_nested_in_a_stage",
     "  STAGE S1 tlvstage tlvstage 0 0 4 800 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 5 150 0 -0.5\n  ENDSTAGE\n", "", "", "",
     0, 2, {"s.scn:8: the payload line's fuel level -0.5 is outside 0..1; it is read as 0."}},
    {"payload_mesh_not_in_meshes", "  PAYLOAD Sat1 tlvsatt tlvsat 0 1.5 3 200 0 1\n", "", "", "", 0, 2,
     {"talvek-sim: warning: ", "s.scn:7: the payload line's mesh 'tlvsatt' is not in Meshes (no file ",
      "tlvsatt.msh), so nothing is drawn for it; give the name of a mesh file in Meshes, without .msh"}},
    {"payload_mesh_in_another_case", "  PAYLOAD Sat1 TLVSAT tlvsat 0 1.5 3 200 0 1\n", "", "", "", 0, 0, {}},
    // A named class whose mesh is missing: --strict fails on the warning, whoever says it.
    {"payload_class_mesh_not_there", "  PAYLOAD C tlvsat kcargo 0 1.5 3 10 0 0\n", "", "Config/Vessels/kcargo.cfg",
     "MeshName = nothere\nMass = 10\n", 0, 2, {"kcargo.cfg:1: 'MeshName' nothere: no mesh file "}},
    {"vessel_class_mesh_not_there", "", Passive("Box:kcargo"), "Config/Vessels/kcargo.cfg",
     "MeshName = nothere\nMass = 10\n", 0, 2, {"warning: mesh 'nothere' not found at "}},
};

class PayloadLines : public testing::TestWithParam<PayloadCase> {};

TEST_P(PayloadLines, AreCheckedBeforeTheFirstFrame) {
    const PayloadCase& c = GetParam();
    talvek_test::TempRoot root;
    if (*c.classFile) root.Write(c.classFile, c.classText);
    talvek_test::ScratchDir scratch("talvek-preflight");
    scratch.Write("s.scn", Scenario(c.talvekLines, c.moreShips));
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(strict ? "--strict" : "without --strict");
        fs::remove(scratch.Path() / "out.scn");
        std::vector<std::string> args{"run",      "s.scn", "--root", root.Path().string(),
                                      "--frames", "2",     "--save", "out.scn"};
        if (strict) args.push_back("--strict");
        const auto r = talvek_test::RunSim(args, scratch.Path());
        EXPECT_EQ(r.status, strict ? c.strictStatus : c.status) << r.err;
        for (const std::string& m : c.messages) EXPECT_THAT(r.err, HasSubstr(m));
        if (c.messages.empty()) {
            EXPECT_EQ(r.err, "");
        }
        if (c.status == 2) {
            EXPECT_THAT(r.out, Not(HasSubstr("frames"))) << "nothing is flown";
            EXPECT_FALSE(fs::exists(scratch.Path() / "out.scn")) << "nothing is written";
        } else {
            EXPECT_TRUE(fs::exists(scratch.Path() / "out.scn"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PayloadLines, testing::ValuesIn(PAYLOAD_CASES),
                         [](const testing::TestParamInfo<PayloadCase>& info) { return std::string(info.param.name); });

// A vessel without a module reads no payload line: the simulator ignores the lines of its block,
// so a stage or a fuel level in them is not held against the flight (the load says they are ignored).
TEST(PayloadLinesOfAPassiveVessel, AreNotChecked) {
    talvek_test::ScratchDir scratch("talvek-preflight");
    scratch.Write("s.scn", Scenario("", Passive("Box:tlvorbit", "  STAGE S tlvsat tlvsat 0 0 4 10 0 50\n"
                                                                "  PAYLOAD A nomesh tlvsat 0 0 0 1 0 0\n  ENDSTAGE\n")));
    const auto r = talvek_test::RunSim({"run", "s.scn", "--frames", "1"}, scratch.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("s.scn:12: vessel 'Box' (class 'tlvorbit', which has no module): 'STAGE S tlvsat"));
    EXPECT_THAT(r.err, Not(HasSubstr("could never arrive")));
    EXPECT_THAT(r.err, Not(HasSubstr("fuel level")));
}

// A stage that a module makes during the flight is no line of the scenario: what it is handed and
// cannot read is dropped with a warning, the summary says so, and --strict fails on it.
TEST(DroppedMessages, AreSaidInTheSummaryAndFailStrict) {
    talvek_test::TempRoot root;
    root.AddFixtureModule("handover_module", "Handover");
    root.Write("Config/Vessels/Hander.cfg", "Module = Handover\nSize = 2\n");
    root.Write("Config/Vessels/Probe.cfg", "Size = 1\n");
    talvek_test::ScratchDir scratch("talvek-preflight");
    scratch.Write("s.scn", "BEGIN_SHIPS\n" + Passive("H:Hander") + "END_SHIPS\n");
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(strict ? "--strict" : "without --strict");
        std::vector<std::string> args{"run", "s.scn", "--root", root.Path().string(), "--frames", "3"};
        if (strict) args.push_back("--strict");
        const auto r = talvek_test::RunSim(args, scratch.Path());
        EXPECT_EQ(r.status, strict ? 2 : 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr("talvek-sim: warning: dropped 2 message(s) for vessel 'Lump', whose class 'Probe' "
                                     "has no module to read them"));
        EXPECT_THAT(r.out, HasSubstr("talvek-sim: 3 frames, 0.05 s simulated, 2 vessels\n"));
        EXPECT_THAT(r.out, HasSubstr("\ntalvek-sim: 2 message(s) dropped, sent to vessels whose class has no module to "
                                     "read them (the warnings above name them): what they held is lost\n"));
        if (strict) {
            EXPECT_THAT(r.err, HasSubstr("talvek-sim: --strict: 2 message(s) were dropped for vessels without a module "
                                         "to read them (see the warnings above)\n"));
        }
    }
}

// The author's stage with its cargo, as docs/scenario-reference.md shows it.
const std::string STAGE_CARGO = "  STAGE Carrier1 tlvstage tlvstage 0 0 7 800 0 0\n"
                                "  PAYLOAD BoxA tlvsat tlvsat 1.2 0 8 350 0 1\n"
                                "  PAYLOAD BoxB tlvsat tlvsat -1.2 0 8 300 0 0.5\n  ENDSTAGE\n";
constexpr const char* KNOWN_NAMES =
    "the vessels it holds and can create: Talvek, Carrier1, BoxA, BoxB, TalvekOrbitMod, TalvekServiceMod, "
    "TalvekChute (a created vessel whose name is taken is NAME-2, NAME-3, …); write one of these names";

struct ScriptCase {
    const char* name;
    const char* script;
    const char* message;  // "" when the script is taken
};
void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

const ScriptCase SCRIPT_CASES[] = {
    {"unknown_vessel_of_an_at_action", "at 1 Talvek key J\nat 10 Disp2 key J\n", "s.txt:2: no vessel 'Disp2' is in "},
    {"unknown_vessel_of_a_below_action", "below 1000 Ghost timeacc 1\n", "s.txt:1: no vessel 'Ghost' is in "},
    {"unknown_focus_target", "at 1 Talvek focus Nobody\n", "s.txt:1: no vessel 'Nobody' is in "},
    {"name_in_another_case", "at 1 boxa focus Talvek\n", "s.txt:1: no vessel 'boxa' is in "},
    {"suffix_no_module_gives", "at 1 BoxA-1 focus Talvek\n", "s.txt:1: no vessel 'BoxA-1' is in "},
    {"suffix_with_a_leading_zero", "at 1 BoxA-02 focus Talvek\n", "s.txt:1: no vessel 'BoxA-02' is in "},
    {"names_of_the_scenario_and_its_lines", "at 1 Carrier1 key J\nat 2 BoxA focus Talvek\nbelow 1 BoxB timeacc 1\n", ""},
    {"names_taken_by_vessels_before", "at 1 BoxB-2 key J\nat 2 Carrier1-12 focus Talvek\n", ""},
    {"names_the_talvek_gives", "at 1 TalvekOrbitMod focus TalvekServiceMod\nbelow 1 TalvekChute-3 timeacc 1\n", ""},
};

class ScriptVessels : public testing::TestWithParam<ScriptCase> {};

// No frame runs: a name is refused before the flight, or the script is taken.
TEST_P(ScriptVessels, AreCheckedBeforeTheFirstFrame) {
    const ScriptCase& c = GetParam();
    talvek_test::ScratchDir scratch("talvek-preflight");
    scratch.Write("s.scn", Scenario(STAGE_CARGO));
    scratch.Write("s.txt", c.script);
    for (const char* command : {"run", "render"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args{command, "s.scn", "--script", "s.txt"};
        if (std::string(command) == "run") args.insert(args.end(), {"--frames", "0", "--save", "out.scn"});
        else args.insert(args.end(), {"--vessel", "Talvek", "--out", "out.png"});
        const auto r = talvek_test::RunSim(args, scratch.Path());
        if (!*c.message) {
            EXPECT_EQ(r.status, 0) << r.err;
            continue;
        }
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_THAT(r.err, HasSubstr("s.scn or can be created in its flight; " + std::string(KNOWN_NAMES) + "\n"));
        EXPECT_EQ(r.out, "") << "nothing is flown or drawn";
        EXPECT_FALSE(fs::exists(scratch.Path() / "out.scn"));
        EXPECT_FALSE(fs::exists(scratch.Path() / "out.png"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptVessels, testing::ValuesIn(SCRIPT_CASES),
                         [](const testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

struct CreatedCase {
    const char* name;
    std::string scenario;
    const char* script;
    std::vector<std::string> args;
    const char* event;  // the script's action carried out on the created vessel
};
void PrintTo(const CreatedCase& c, std::ostream* os) { *os << c.name; }

// The names that the script check takes for vessels the flight creates are the names they get:
// each action below falls due on a vessel that exists only once a module created it.
class CreatedVessels : public testing::TestWithParam<CreatedCase> {};

TEST_P(CreatedVessels, AreNamedInAScriptAsTheyAreNamedInTheFlight) {
    const CreatedCase& c = GetParam();
    talvek_test::TempRoot root;
    // A module that the check does not know: its vessel makes "<name>Child" in its first step.
    root.AddFixtureModule("callback_recorder", "Recorder");
    root.Write("Config/Vessels/Recorder.cfg", "Module = Recorder\nSize = 2\n");
    talvek_test::ScratchDir scratch("talvek-preflight");
    scratch.Write("s.scn", c.scenario);
    scratch.Write("s.txt", c.script);
    std::vector<std::string> args{"run", "s.scn", "--root", root.Path().string(), "--script", "s.txt", "--events"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = talvek_test::RunSim(args, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(c.event));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreatedVessels,
    testing::Values(
        CreatedCase{"separated_modules", Scenario(""),
                    "at 1 Talvek key Ctrl+J\nat 2 TalvekOrbitMod focus TalvekServiceMod\n", {"--until", "3"},
                    " TalvekServiceMod focus (from Talvek)\n"},
        CreatedCase{"payload_renamed_and_its_name_taken",
                    Scenario("  PAYLOAD Sat:1 tlvsat tlvsat 0 1.5 3 200 0 1\n", Passive("Sat_1-2:tlvsat") +
                                                                                    Passive("Sat_1:tlvsat")),
                    "at 1 Talvek key J\nat 2 Talvek focus Sat_1-3\n", {"--until", "3"},
                    " Sat_1-3 focus (from Talvek)\n"},
        CreatedCase{"parachute", talvek_test::DescentOverGround(0), "below 1000000 TalvekChute timeacc 1\n",
                    {"--until", "400"}, " TalvekChute timeacc 1 (script)\n"},
        CreatedCase{"vessel_of_a_module_unknown_here",
                    "BEGIN_SHIPS\n" + Passive("SpawnA:Recorder") + "END_SHIPS\n", "at 1 SpawnA focus SpawnAChild\n",
                    {"--until", "2"}, " SpawnAChild focus (from SpawnA)\n"}),
    [](const testing::TestParamInfo<CreatedCase>& info) { return std::string(info.param.name); });

}  // namespace
