// Every shipped class and every configuration of the Talvek gives its touchdown points in an
// order whose normal, (p1 - (p2 + p3)/2) x (p3 - p2), is the way up it is meant to stand: the
// side of the points' plane its centre of mass is on. In the other order the simulator stands
// it on its head.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>


#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

using Vec = std::array<double, 3>;

Vec At(const Json& point) { return {point[0].get<double>(), point[1].get<double>(), point[2].get<double>()}; }
Vec Minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct UpCase {
    const char* label;
    const char* vessel;  // the scenario's vessel line
    const char* extra;   // further lines of its block
    Vec up;              // the axis it stands on when landed
};

const char* const PAYLOAD = "  PAYLOAD Sat1 tlvdrogue tlvorbit 0 1.5 3 250 0 1\n";

const UpCase CASES[] = {
    {"full stack", "Talvek:Talvek", "  CONFIGURATION 0\n", {0, 1, 0}},
    {"descent module", "Talvek:Talvek", "  CONFIGURATION 1\n", {0, 0, 1}},
    {"drogue", "Talvek:Talvek", "  CONFIGURATION 2\n", {0, 0, 1}},
    {"main parachute", "Talvek:Talvek", "  CONFIGURATION 3\n", {0, 0, 1}},
    {"landing burn", "Talvek:Talvek", "  CONFIGURATION 4\n", {0, 0, 1}},
    {"tlvchute.cfg", "Chute:tlvchute", "", {0, 0, 1}},
    {"tlvorbit.cfg", "Orbit:tlvorbit", "", {0, 1, 0}},
    {"tlvsat.cfg", "Sat:tlvsat", "", {0, 1, 0}},
    {"tlvservice.cfg", "Service:tlvservice", "", {0, 1, 0}},
};

// The vessel's touchdown points as talvek-sim holds them after three frames in orbit.
Json TouchdownPoints(const UpCase& c, int index) {
    const fs::path dir = fs::temp_directory_path() / ("talvek-up-" + std::to_string(talvek_test::ProcessId()) + "-" +
                                                      std::to_string(index));
    fs::create_directories(dir);
    const std::string vessel = c.vessel;
    const bool talvek = vessel.rfind("Talvek:", 0) == 0;
    std::ofstream(dir / "c.scn") << "BEGIN_SHIPS\n" << vessel << "\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                                 << "  RVEL 0 0 7672.593\n" << c.extra << (talvek ? PAYLOAD : "") << "END\nEND_SHIPS\n";
    const auto r = talvek_test::RunSim({"run", "c.scn", "--frames", "3", "--dump", "d.json"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    Json points;
    const std::string name = vessel.substr(0, vessel.find(':'));
    const Json dump = Json::parse(talvek_test::ReadFile(dir / "d.json"));
    for (const auto& v : dump["vessels"])
        if (v["name"] == name) points = v["touchdownPoints"];
    fs::remove_all(dir);
    return points;
}

}  // namespace

TEST(TouchdownUp, EveryClassAndConfigurationStandsOnItsPointsTheRightWayUp) {
    int index = 0;
    for (const UpCase& c : CASES) {
        SCOPED_TRACE(c.label);
        const Json points = TouchdownPoints(c, ++index);
        ASSERT_EQ(points.size(), 3u) << points;
        const Vec p1 = At(points[0]), p2 = At(points[1]), p3 = At(points[2]);
        const Vec middle{(p2[0] + p3[0]) / 2, (p2[1] + p3[1]) / 2, (p2[2] + p3[2]) / 2};
        const Vec n = Cross(Minus(p1, middle), Minus(p3, p2));
        const double length = std::sqrt(Dot(n, n));
        ASSERT_GT(length, 0) << points;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(n[i] / length, c.up[i], 1e-9) << "normal of " << points;
        EXPECT_LT(Dot(n, p1), 0) << "the centre of mass on the up side of the points' plane: " << points;
    }
}
