// Ground above the mean radius: the descent sequence measures its thresholds over the ground, and
// contact, landing, saved altitudes and telemetry use the same ground.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

using testing::HasSubstr;

namespace {

struct Ground {
    const char* how;  // "option" or "scenario"
    double elevation;
};

void PrintTo(const Ground& g, std::ostream* os) { *os << g.elevation << " m by " << g.how; }

class OverGround : public testing::TestWithParam<Ground> {
protected:
    talvek_test::ScratchDir scratch{"talvek-ground"};
};

TEST_P(OverGround, DescentReleasesTheChuteFiresTheBurnAndLands) {
    const Ground g = GetParam();
    std::vector<std::string> args{"run", "d.scn", "--events", "--save", "end.scn", "--telemetry", "t.csv"};
    // The descent starts 14 km over the ground whatever its height.
    std::string descent = talvek_test::DescentOverGround(g.elevation);
    if (std::string(g.how) == "scenario") {
        const size_t env = descent.find("END_ENVIRONMENT");
        ASSERT_NE(env, std::string::npos);
        descent.insert(env, "  GroundElevation " + std::to_string(g.elevation) + "\n");
    } else {
        args.insert(args.end(), {"--ground-elevation", std::to_string(g.elevation)});
    }
    scratch.Write("d.scn", descent);
    const auto r = talvek_test::RunSim(args, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("TalvekChute created tlvchute")) << "the main parachute is released";
    EXPECT_THAT(r.out, HasSubstr("Talvek landed"));
    const std::string end = scratch.Read("end.scn");
    EXPECT_THAT(end, HasSubstr("CONFIGURATION 4")) << "the landing burn's configuration";
    EXPECT_THAT(end, testing::Not(HasSubstr("PRPLEVEL 0:1.000000\n  CONFIGURATION 4"))) << "the burn was fired";
    EXPECT_THAT(end, HasSubstr("  ALT 1.")) << "standing on the ground, not on the mean radius";
    if (g.elevation != 0) {
        EXPECT_THAT(end, HasSubstr("GroundElevation " + std::to_string(static_cast<int>(g.elevation))));
    }
    // Telemetry gives the height over the ground: the last sample is near the ground.
    const std::string csv = scratch.Read("t.csv");
    const size_t last = csv.rfind("\n", csv.size() - 2);
    std::istringstream sample(csv.substr(last + 1));
    std::string time, vessel, altitude;
    std::getline(sample, time, ',');
    std::getline(sample, vessel, ',');
    std::getline(sample, altitude, ',');
    EXPECT_LT(std::stod(altitude), 100.0) << csv.substr(last + 1);
}

INSTANTIATE_TEST_SUITE_P(Heights, OverGround,
                         testing::Values(Ground{"option", 0}, Ground{"option", 1500}, Ground{"scenario", 1500},
                                         Ground{"option", -300}));

TEST(GroundElevation, OutOfRangeIsRefusedWithThePlace) {
    talvek_test::ScratchDir scratch{"talvek-ground-bad"};
    scratch.Write("e.scn", "BEGIN_ENVIRONMENT\n  GroundElevation 12000\nEND_ENVIRONMENT\nBEGIN_SHIPS\nEND_SHIPS\n");
    auto r = talvek_test::RunSim({"run", "e.scn", "--frames", "0"}, scratch.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("e.scn:2: expected 'GroundElevation <m>'"));
    r = talvek_test::RunSim({"run", "Talvek-orbit.scn", "--ground-elevation", "-5000", "--frames", "0"}, scratch.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("--ground-elevation"));
}

}  // namespace
