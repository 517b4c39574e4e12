// What the Talvek spawns after vessels whose handles the host gives to new ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

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

}  // namespace

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
