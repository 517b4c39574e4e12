// Scenarios read into a world and written back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "sim/app/simulation.h"
#include "sim/errors.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {
constexpr const char* MIXED =
    "BEGIN_DESC\nthree vessels\nEND_DESC\n"
    "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 61000.5\nEND_ENVIRONMENT\n"
    "BEGIN_FOCUS\n  Ship Talvek\nEND_FOCUS\n"
    "BEGIN_SHIPS\n"
    "Talvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n  AROT 10 20 30\n"
    "  VROT 0 1.5 0\n  PRPLEVEL 0:0.5\n  CONFIGURATION 0\n  PANELS 0.25\n  SOMETHING else\nEND\n"
    "Box:Probe\n  STATUS Orbiting Earth\n  RPOS 6771000 0 10\n  RVEL 0 0 7672\n  PRPLEVEL 0:0.25\n  THLEVEL 0:0.5\nEND\n"
    "Pad:Probe\n  STATUS Landed Earth\n  POS -80.6 28.6\n  HEADING 90\nEND\n"
    "END_SHIPS\n";
}  // namespace

TEST_F(HostTest, ScenarioSavedAndReadBackGivesTheSameFile) {
    const auto first = root.Write("Scenarios/mixed.scn", MIXED);
    std::string saved;
    {
        world.reset();
        sim::Simulation s(root.Path(), first);
        const auto& w = s.GetWorld();
        ASSERT_EQ(w.Vessels().size(), 3u);
        const sim::VesselRecord& box = *w.FindByName("Box");
        EXPECT_EQ(box.def.tanks[0].mass, 12.5) << "PRPLEVEL: mass over maximum";
        EXPECT_EQ(box.def.thrusters[0].level, 0.5);
        const sim::VesselRecord& pad = *w.FindByName("Pad");
        EXPECT_TRUE(pad.landed);
        EXPECT_NEAR(sim::Altitude(pad), 1.0, 1e-6) << "standing on its touchdown points";
        EXPECT_EQ(pad.def.tanks[0].mass, 0) << "a tank that PRPLEVEL does not list is empty";
        saved = s.SaveText();
    }
    EXPECT_THAT(saved, HasSubstr("Talvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 0.000\n"
                                 "  RVEL 0.0000 0.0000 7672.5930\n  AROT 10.000 20.000 30.000\n  VROT 0.0000 1.5000 0.0000\n"
                                 "  PRPLEVEL 0:0.500000\n  XPDR 0\n  CONFIGURATION 0\n  PANELS 0.25\nEND\n"));
    EXPECT_THAT(saved, HasSubstr("Pad:Probe\n  STATUS Landed Earth\n"));
    // Landed, as the simulator writes it: no RPOS or RVEL, the attitude in the planet's axes.
    EXPECT_THAT(saved, HasSubstr("Pad:Probe\n  STATUS Landed Earth\n  POS -80.6000000 28.6000000\n  HEADING 90.00\n"
                                 "  ALT 1.000\n  AROT 0.000 -80.600 61.400\n  XPDR 0\nEND\n"));
    EXPECT_THAT(saved, HasSubstr("BEGIN_FOCUS\n  Ship Talvek\nEND_FOCUS"));
    EXPECT_THAT(saved, HasSubstr("Date MJD 61000.5\n"));

    const auto second = root.Write("Scenarios/second.scn", saved);
    sim::Simulation again(root.Path(), second);
    EXPECT_EQ(again.SaveText(), saved);
    const auto& tanks = again.GetWorld().FindByName("Talvek")->def.tanks;
    ASSERT_EQ(tanks.size(), 2u);
    EXPECT_EQ(tanks[0].mass, 450) << "PRPLEVEL 0 is the full stack's main tank, created by the load";
    EXPECT_EQ(tanks[1].mass, 0) << "a tank that PRPLEVEL does not list is empty";
}

TEST_F(HostTest, MalformedHostKeyInAModuleBlockNamesTheLine) {
    const auto file = root.Write("Scenarios/bad.scn",
                                 "BEGIN_SHIPS\nTalvek:Talvek\n  CONFIGURATION 0\n  RPOS 1 2\nEND\nEND_SHIPS\n");
    world.reset();
    try {
        sim::Simulation s(root.Path(), file);
        FAIL();
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr("bad.scn:4: RPOS expects three numbers"));
    }
}

TEST_F(HostTest, UnknownClassInScenarioNamesTheLine) {
    const auto file = root.Write("Scenarios/bad.scn", "BEGIN_SHIPS\nA:Probe\n  RPOS 7e6 0 0\nEND\nB:Unheard\nEND\nEND_SHIPS\n");
    world.reset();
    try {
        sim::Simulation s(root.Path(), file);
        FAIL();
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr("bad.scn:5: unknown vessel class 'Unheard'"));
    }
}

TEST_F(HostTest, ALandedVesselKeepsTheAttitudeItsLinesGive) {
    struct Case {
        const char* name;
        const char* lines;
        bool planetAxes;   // AROT in the planet's axes (the simulator's landed form), else earlier
                           // talvek-sim's global axes
        double tolerance;  // [deg] the earlier axes are worked out here on their own, rounded apart by ~1e-9 degrees
    };
    const Case cases[] = {
        {"as the simulator saves it", "  POS 10 20\n  HEADING 5\n  ALT 5\n  AROT 30 40 50\n", true, 1e-9},
        {"as earlier talvek-sim saves it", "  RPOS 6371015 0 0\n  RVEL 0 0 463\n  AROT 30 40 50\n  POS 10 20\n  HEADING 5\n  ALT 5\n",
         false, 1e-7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = root.Write("Scenarios/landed.scn", std::string("BEGIN_ENVIRONMENT\n  Date MJD 61000.25\nEND_ENVIRONMENT\n"
                                                                         "BEGIN_SHIPS\nPad:Probe\n  STATUS Landed Earth\n") +
                                                             c.lines + "END\nEND_SHIPS\n");
        world.reset();
        sim::Simulation s(root.Path(), file);
        const sim::VesselRecord& pad = *s.GetWorld().FindByName("Pad");
        ASSERT_TRUE(pad.landed);
        // Earlier talvek-sim's global axes had the planet's axis on +y and its rotation angle 0 at
        // MJD 0, a sidereal day of 86164.1 s: the vessel stands where it stood in them, on the
        // planet as it is now.
        const double earlierTurn = 2 * PI * std::fmod(61000.25 * 86400 / 86164.1, 1.0);
        sim::Mat3 earlier;
        earlier.m[0][0] = earlier.m[2][2] = std::cos(earlierTurn);
        earlier.m[0][2] = -std::sin(earlierTurn);
        earlier.m[2][0] = std::sin(earlierTurn);
        const sim::Mat3 planet = sim::PlanetRotation(61000.25);
        const sim::Mat3 axes = c.planetAxes ? planet : planet * earlier.Transposed();
        const VECTOR3 angles = sim::AnglesFromRotation(axes.Transposed() * pad.rot) * (180 / PI);
        EXPECT_NEAR(angles.x, 30, c.tolerance);
        EXPECT_NEAR(angles.y, 40, c.tolerance);
        EXPECT_NEAR(angles.z, 50, c.tolerance);
        if (!c.planetAxes) {
            double lon, lat;
            sim::LonLat(pad.pos, 61000.25, lon, lat);
            EXPECT_NEAR(std::remainder(lon + earlierTurn, 2 * PI), 0, 1e-9) << "at the longitude its RPOS had";
            EXPECT_NEAR(lat, 0, 1e-9);
        }
        const std::string saved = s.SaveText();
        EXPECT_THAT(saved, testing::Not(HasSubstr("RPOS"))) << "a landed vessel is saved by its place on the planet";
        EXPECT_THAT(saved, testing::Not(HasSubstr("RVEL")));
        if (c.planetAxes) {
            EXPECT_THAT(saved, HasSubstr("  ALT 5.000\n  AROT 30.000 40.000 50.000\n  XPDR 0\nEND\n"));
        }
        // And what was saved reads back to the same lines.
        const auto again = root.Write("Scenarios/again.scn", saved);
        sim::Simulation reread(root.Path(), again);
        EXPECT_EQ(reread.SaveText(), saved);
    }
}

TEST_F(HostTest, CommentsAreCutFromEveryLineBeforeTheModuleReadsIt) {
    const auto file = root.Write(
        "Scenarios/commented.scn",
        "BEGIN_DESC\nA Talvek; with comments\nEND_DESC\n"
        "BEGIN_ENVIRONMENT ; where and when\n  Date MJD 61000.5 ; noon\nEND_ENVIRONMENT\n"
        "BEGIN_SHIPS\n; the ship\nTalvek:Talvek   ; the crew's\n  STATUS Orbiting Earth ; in orbit\n"
        "  RPOS 6771010 0 0;metres\n  RVEL 0 0 7672.593\t; m/s\n  CONFIGURATION 1 ; after separation\n"
        "  PANELS 0.5;half out\n  PAYLOAD Sat1 tlvorbit tlvorbit 0 1.6 3 250 0 1 ; a satellite\n  ;\nEND ; of the Talvek\n"
        "END_SHIPS\n");
    world.reset();
    sim::HostOptions options;
    options.tracing = true;
    sim::Simulation s(root.Path(), file, options);
    const sim::World& w = s.GetWorld();
    int read = 0;
    for (const auto& t : w.trace) {
        if (t.call != "oapiReadScenario_nextline") continue;
        ++read;
        EXPECT_EQ(t.args.find(';'), std::string::npos) << t.args;
        EXPECT_EQ(t.args.find("  "), std::string::npos) << "trimmed: " << t.args;
    }
    EXPECT_EQ(read, 6) << "the comment-only line is empty and skipped";
    const std::string saved = s.SaveText();
    EXPECT_THAT(saved, HasSubstr("A Talvek; with comments")) << "a description is text, kept whole";
    EXPECT_THAT(saved, HasSubstr("  CONFIGURATION 1\n  PANELS 0.5\n  PAYLOAD Sat1 tlvorbit tlvorbit 0.00 1.60 3.00 250.00 0.00 1.00\n"));
    EXPECT_THAT(saved, HasSubstr("  RVEL 0.0000 0.0000 7672.5930\n"));
}
