// A landed vessel keeps its heading exactly while the planet turns it, at the poles as anywhere,
// and a save writes back the heading it was read with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/app/simulation.h"
#include "sim/planet.h"
#include "tests/host/host_fixture.h"

namespace {

struct HeadingCase {
    const char* name;
    const char* lines;  // where the vessel stands: POS and HEADING, or RPOS and AROT
    const char* saved;  // HEADING as written back; "" where only its keeping is checked
};

void PrintTo(const HeadingCase& c, std::ostream* os) { *os << c.name; }

class LandedHeading : public HostTest, public testing::WithParamInterface<HeadingCase> {};

// The HEADING line of a saved scenario.
std::string HeadingLine(const std::string& saved) {
    const size_t at = saved.find("  HEADING ");
    return at == std::string::npos ? "" : saved.substr(at + 2, saved.find('\n', at) - at - 2);
}

}  // namespace

TEST_P(LandedHeading, KeptWhileThePlanetTurnsAndSavedAsRead) {
    const HeadingCase& c = GetParam();
    const auto file = root.Write("Scenarios/l.scn", std::string("BEGIN_SHIPS\nL:Probe\n  STATUS Landed Earth\n") +
                                                        c.lines + "END\nEND_SHIPS\n");
    world.reset();
    sim::Simulation s(root.Path(), file);
    sim::World& w = s.GetWorld();
    const sim::VesselRecord& v = *w.FindByName("L");
    // The heading as a module reads it: at a pole only the planet's own axes hold the longitude
    // that north is taken from.
    auto heading = [&] {
        VESSELSTATUS status;
        v.iface->GetStatus(status);
        return status.vdata[0].z;
    };
    const double start = heading();
    const std::string first = HeadingLine(s.SaveText());
    if (*c.saved) {
        EXPECT_EQ(first, std::string("HEADING ") + c.saved) << "saved at once";
    }
    w.SetTimeAcceleration(10000);
    s.Run(sim::RunLimits{sim::SECONDS_PER_DAY * 1.3, std::nullopt, 1.0 / 60});  // more than a turn of the planet
    ASSERT_TRUE(v.landed);
    EXPECT_NEAR(std::remainder(heading() - start, 2 * PI), 0, 1e-9);
    EXPECT_EQ(HeadingLine(s.SaveText()), first) << "saved after the turn";
}

INSTANTIATE_TEST_SUITE_P(
    Places, LandedHeading,
    testing::Values(HeadingCase{"NorthPoleNorth", "  POS 0 90\n  HEADING 0.00\n", "0.00"},
                    HeadingCase{"NorthPoleOtherMeridian", "  POS -75 90\n  HEADING 123.45\n", "123.45"},
                    HeadingCase{"SouthPole", "  POS 10 -90\n  HEADING 270\n", "270.00"},
                    // Exactly on the axis, as an earlier talvek-sim saved a landed vessel: no longitude.
                    HeadingCase{"OnTheAxis", "  RPOS 0 6371011 0\n  AROT 90 0 0\n", ""},
                    HeadingCase{"NextToThePole", "  POS 10 89.99\n  HEADING 0\n", "0.00"},
                    HeadingCase{"MidLatitude", "  POS 10 45\n  HEADING 0\n", "0.00"},
                    HeadingCase{"MidLatitudeJustShortOfATurn", "  POS 10 45\n  HEADING 359.999\n", "0.00"},
                    HeadingCase{"Equator", "  POS -170 0\n  HEADING 90\n", "90.00"}),
    [](const testing::TestParamInfo<HeadingCase>& info) { return std::string(info.param.name); });
