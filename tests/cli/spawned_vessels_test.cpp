// What the Talvek spawns (its parachute, its modules, its payload) beside vessels that already
// hold their names, and after vessels whose handles the host gives to new ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "regex_matchers.h"
#include "test_support.h"

using testing::HasSubstr;
using testing::Not;

namespace {

// A scenario's ships with more blocks added at their end.
std::string WithShips(std::string scenario, const std::string& blocks) {
    const size_t end = scenario.rfind("END_SHIPS");
    if (end == std::string::npos) ADD_FAILURE() << "no END_SHIPS";
    else scenario.insert(end, blocks);
    return scenario;
}

std::string Landed(const std::string& header, const std::string& pos, const std::string& lines = "") {
    return header + "\n  STATUS Landed Earth\n  POS " + pos + "\n  HEADING 0\n" + lines + "END\n";
}

const std::string ORBIT =
    "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
    "  AROT 0 0 0\n  PRPLEVEL 0:1 1:1\n  CONFIGURATION 0\n  PANELS 0.0\n"
    "  PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 200 0 1\nEND\nEND_SHIPS\n";

struct TakenName {
    const char* label;
    bool descent;        // the shipped descent to the ground, else the stack in orbit
    const char* holder;  // the vessel that holds the name first, "name:class"
    const char* script;
    std::vector<std::string> events;  // what the spawn leaves in the timeline
};
void PrintTo(const TakenName& c, std::ostream* os) { *os << c.label; }
class TakenNames : public testing::TestWithParam<TakenName> {};

}  // namespace

// The name's holder stands landed, so that a Talvek that took it for its own parachute would
// delete it; the spawned vessel takes a free name and the flight goes on.
TEST_P(TakenNames, SpawnTakesAFreeNameAndTheHolderIsLeftAlone) {
    const TakenName& c = GetParam();
    talvek_test::ScratchDir scratch{"talvek-taken"};
    const std::string holder = std::string(c.holder).substr(0, std::string(c.holder).find(':'));
    const std::string base = c.descent ? talvek_test::DescentOverGround(0) : ORBIT;
    scratch.Write("s.scn", WithShips(base, Landed(c.holder, "20 -10")));
    scratch.Write("s.txt", c.script);
    std::vector<std::string> args{"run", "s.scn", "--script", "s.txt", "--events", "--save", "end.scn"};
    if (!c.descent) args.insert(args.end(), {"--until", "3"});  // the descent ends on the ground by itself
    const auto r = talvek_test::RunSim(args, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("not created")));
    for (const std::string& e : c.events) EXPECT_THAT(r.out, talvek_test::ContainsRegex("[0-9.]+ " + e + "\n"));
    EXPECT_THAT(r.out, Not(HasSubstr(" " + holder + " deleted")));
    const std::string saved = scratch.Read("end.scn");
    const size_t block = saved.find("\n" + std::string(c.holder) + "\n");
    ASSERT_NE(block, std::string::npos) << saved;
    EXPECT_THAT(saved.substr(block, saved.find("\nEND\n", block) - block), HasSubstr("  POS 20.0000000 -10.0000000\n"))
        << "where it stood";
}

INSTANTIATE_TEST_SUITE_P(
    Spawns, TakenNames,
    testing::Values(
        TakenName{"parachute", true, "TalvekChute:tlvchute", "",
                  {"TalvekChute-2 created tlvchute", "TalvekChute-2 deleted", "Talvek landed"}},
        TakenName{"orbital module", false, "TalvekOrbitMod:tlvorbit", "at 1 Talvek key Ctrl+J\n",
                  {"TalvekOrbitMod-2 created tlvorbit", "TalvekServiceMod created tlvservice"}},
        TakenName{"service module", false, "TalvekServiceMod:tlvservice", "at 1 Talvek key Ctrl+J\n",
                  {"TalvekOrbitMod created tlvorbit", "TalvekServiceMod-2 created tlvservice"}},
        TakenName{"payload", false, "Sat1:tlvsat", "at 1 Talvek key J\n", {"Sat1-2 created tlvsat"}}),
    [](const testing::TestParamInfo<TakenName>& info) {
        std::string n = info.param.label;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

// With --reuse-handles a payload released after the parachute's deletion takes the parachute's
// handle; the Talvek that deleted the parachute never asks for that handle again.
TEST(ReusedHandles, PayloadOnTheDeletedChutesHandleIsLeftAlone) {
    talvek_test::ScratchDir scratch{"talvek-reuse"};
    const std::string carrier =
        Landed("T2:Talvek", "20 -10", "  CONFIGURATION 0\n  PAYLOAD Sat1 tlvsat tlvsat 0 3 0 200 0 1\n");
    scratch.Write("s.scn", WithShips(talvek_test::DescentOverGround(0), carrier));
    // The parachute is deleted on the ground about 352 s in, the Talvek landed by 355 s.
    scratch.Write("s.txt", "at 353 T2 key J\n");
    for (const bool reuse : {true, false}) {
        SCOPED_TRACE(reuse ? "--reuse-handles" : "handles never reused");
        std::vector<std::string> args{"run", "s.scn", "--script", "s.txt", "--until", "360", "--events", "--trace",
                                      "t.txt"};
        if (reuse) args.push_back("--reuse-handles");
        const auto r = talvek_test::RunSim(args, scratch.Path());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.out, HasSubstr("TalvekChute deleted"));
        EXPECT_THAT(r.out, HasSubstr("Sat1 created tlvsat"));
        EXPECT_THAT(r.out, Not(HasSubstr("Sat1 deleted")));
        EXPECT_THAT(r.out, HasSubstr("Talvek landed"));

        const std::string trace = scratch.Read("t.txt");
        std::smatch deleted;
        ASSERT_TRUE(std::regex_search(trace, deleted, std::regex("\nTalvek oapiDeleteVessel\\((#[0-9]+), null\\)\n")));
        const std::string chute = deleted[1];
        const size_t created = trace.find("\nT2 oapiCreateVessel(\"Sat1\", \"tlvsat\")\n");
        ASSERT_NE(created, std::string::npos);
        const std::string after = trace.substr(created);
        const bool onChutesHandle = after.find("\nT2 oapiGetVesselInterface(" + chute + ")\n") != std::string::npos;
        EXPECT_EQ(onChutesHandle, reuse);
        EXPECT_EQ(after.find("\nTalvek oapiGetVesselInterface(" + chute + ")\n"), std::string::npos);
        EXPECT_EQ(after.find("\nTalvek oapiDeleteVessel(" + chute), std::string::npos);
    }
}

namespace {
struct UnreadableName {
    const char* label;
    std::string given;     // the payload line's vessel field
    std::string released;  // the name the released vessel bears
    std::string shown;     // how the log shows the given name
};
void PrintTo(const UnreadableName& c, std::ostream* os) { *os << c.label; }
class UnreadableNames : public testing::TestWithParam<UnreadableName> {};
}  // namespace

// A payload whose name a scenario could not hold is released under a repaired name, said in the
// log; saved and loaded again, the vessel keeps that name and flies on.
TEST_P(UnreadableNames, ReleasedUnderANameThatReadsBack) {
    const UnreadableName& c = GetParam();
    talvek_test::ScratchDir scratch{"talvek-unreadable"};
    std::string scenario = ORBIT;
    scenario.replace(scenario.find("PAYLOAD Sat1"), 12, "PAYLOAD " + c.given);
    scratch.Write("s.scn", scenario);
    scratch.Write("s.txt", "at 1 Talvek key J\n");
    auto r = talvek_test::RunSim({"run", "s.scn", "--script", "s.txt", "--until", "2", "--events", "--save", "a.scn"},
                                 scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" " + c.released + " created tlvsat\n"));
    EXPECT_THAT(r.err, HasSubstr("Talvek: vessel name '" + c.shown + "' holds a colon, ';', blank or control character, "
                                 "which a scenario cannot read back; the vessel is named '" + c.released + "'\n"));
    EXPECT_THAT(scratch.Read("a.scn"), HasSubstr("\n" + c.released + ":tlvsat\n"));
    r = talvek_test::RunSim({"run", "a.scn", "--frames", "1", "--save", "b.scn"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(scratch.Read("b.scn"), HasSubstr("\n" + c.released + ":tlvsat\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Payloads, UnreadableNames,
    testing::Values(UnreadableName{"colon", "Sat:1", "Sat_1", "Sat:1"},
                    UnreadableName{"colons", "::", "__", "::"},
                    UnreadableName{"control_character", "Sat\x01" "1", "Sat_1", "Sat\\x011"},
                    UnreadableName{"escape_and_delete", "\x1b[2J\x7f", "_[2J_", "\\x1b[2J\\x7f"}),
    [](const testing::TestParamInfo<UnreadableName>& info) { return std::string(info.param.label); });
