// The shipped flights land where the simulator's own core lands them: the same Earth (axis,
// rotation) and the same autopilot put talvek-sim's landing places within 5 km of the core's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <regex>

#include "test_support.h"

namespace {

struct CoreLanding {
    const char* name;
    const char* scenario;
    const char* script;  // under the root's Scenarios, or empty
    const char* vessel;
    double lon, lat;  // [deg] east and north, where the core's GetEquPos put the vessel when it landed
};

// Flown in the simulator's core with the add-on built from this tree, at 60 frames a second.
const CoreLanding CORE_LANDINGS[] = {
    {"DemoTalvek", "Talvek-deorbit.scn", "Talvek-deorbit.txt", "Talvek", -31.5041, 0.0000},
    {"DemoOrbitalModule", "Talvek-deorbit.scn", "Talvek-deorbit.txt", "TalvekOrbitMod", -33.3377, -0.0001},
    {"DemoServiceModule", "Talvek-deorbit.scn", "Talvek-deorbit.txt", "TalvekServiceMod", -31.4591, 0.0000},
    {"Descent", "Talvek-descent.scn", "", "Talvek", 177.4379, 0.0000},
};

void PrintTo(const CoreLanding& c, std::ostream* os) { *os << c.name; }

class SimulatorLanding : public testing::TestWithParam<CoreLanding> {};

TEST_P(SimulatorLanding, IsWithinFiveKilometres) {
    constexpr double PI = 3.14159265358979323846;
    constexpr double RADIUS = 6371010;   // [m] mean radius
    constexpr double AGREE = 5000;       // [m]
    const CoreLanding& c = GetParam();
    talvek_test::ScratchDir scratch("talvek-core-landing");
    std::vector<std::string> args{"run", c.scenario};
    if (*c.script) args.insert(args.end(), {"--script", (talvek_test::BuildRoot() / "Scenarios" / c.script).string()});
    const auto r = talvek_test::RunSim(args, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    const std::regex place("\n  " + std::string(c.vessel) +
                           " \\([^)]*\\): landed at ([0-9.]+) ([EW]), ([0-9.]+) ([NS]);");
    ASSERT_TRUE(std::regex_search(r.out, m, place)) << r.out;
    const double lon = std::stod(m[1]) * (m[2] == "W" ? -1 : 1) * PI / 180;
    const double lat = std::stod(m[3]) * (m[4] == "S" ? -1 : 1) * PI / 180;
    const double coreLon = c.lon * PI / 180, coreLat = c.lat * PI / 180;
    const double cosine =
        std::sin(lat) * std::sin(coreLat) + std::cos(lat) * std::cos(coreLat) * std::cos(lon - coreLon);
    const double apart = RADIUS * std::acos(std::fmin(1.0, cosine));
    EXPECT_LT(apart, AGREE) << c.vessel << " " << m[0].str().substr(m[0].str().find("landed at"));
}

INSTANTIATE_TEST_SUITE_P(ShippedScenarios, SimulatorLanding, testing::ValuesIn(CORE_LANDINGS),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
