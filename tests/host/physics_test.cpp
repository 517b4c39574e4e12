// Flight physics against known answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/orbiter.h"
#include "sim/atmosphere.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "tests/host/host_fixture.h"

namespace {

class Physics : public HostTest {
protected:
    // A vessel of the given class file text, with the rest of its state zero.
    sim::VesselRecord* Vessel(const std::string& cls, const VECTOR3& pos, const VECTOR3& vel) {
        root.Write("Config/Test.cfg", cls);
        sim::VesselRecord* v = world->AddVessel("V" + std::to_string(++count_), "Test");
        v->pos = pos;
        v->vel = vel;
        return v;
    }
    // Above the north pole, where the air is at rest [m over the mean radius].
    VECTOR3 AbovePole(double altitude) const {
        return sim::RotationAxis(world->Mjd()) * (sim::EARTH_RADIUS + altitude);
    }
    int count_ = 0;
};

}  // namespace

TEST(Atmosphere, DensityMatchesTheStandardsTable) {
    // Geometric altitude [m], density [kg/m^3] of the U.S. Standard Atmosphere 1976.
    const std::pair<double, double> table[] = {{0, 1.2250}, {11000, 0.36480}, {20000, 0.088910}, {50000, 0.0010269}};
    for (const auto& [altitude, density] : table)
        EXPECT_NEAR(sim::Atmosphere(altitude).density / density, 1.0, 0.005) << altitude;
    EXPECT_NEAR(sim::Atmosphere(0).pressure, 101325, 1e-6);
    EXPECT_NEAR(sim::Atmosphere(0).temperature, 288.15, 1e-9);
}

TEST(Atmosphere, DecaysSmoothlyAboveTheTable) {
    const double below = sim::Atmosphere(86000 - 1).density;
    const double above = sim::Atmosphere(86000 + 1).density;
    EXPECT_NEAR(above / below, 1.0, 1e-3);
    EXPECT_LT(sim::Atmosphere(120000).density, sim::Atmosphere(100000).density);
    EXPECT_LT(sim::Atmosphere(400000).density, 1e-15);
    EXPECT_EQ(sim::Atmosphere(2e6).density, 0);
}

TEST_F(Physics, CircularOrbitKeepsItsRadiusOverTenOrbits) {
    const double r = sim::EARTH_RADIUS + 400000;
    const double v = std::sqrt(sim::EARTH_GM / r);
    sim::VesselRecord* sat = Vessel("Mass = 1000\nSize = 2\n", {r, 0, 0}, {0, 0, v});
    const double period = 2 * PI * std::sqrt(r * r * r / sim::EARTH_GM);
    world->SetTimeAcceleration(100);
    double worst = 0;
    while (world->SimTime() < 10 * period) {
        world->AdvanceFrame(1.0 / 60);
        worst = std::max(worst, std::fabs(sim::Length(sat->pos) / r - 1));
    }
    EXPECT_LT(worst, 1e-4);
}

TEST_F(Physics, FreeFallInVacuum) {
    const double r = sim::EARTH_RADIUS + 2.5e6;  // above the atmosphere
    sim::VesselRecord* v = Vessel("Mass = 10\n", {0, r, 0}, {0, 0, 0});
    for (int i = 0; i < 600; ++i) world->AdvanceFrame(1.0 / 60);  // 10 s
    const double g = sim::EARTH_GM / (r * r);
    EXPECT_NEAR(-v->vel.y / (g * 10), 1.0, 1e-4);
    EXPECT_NEAR((r - v->pos.y) / (0.5 * g * 100), 1.0, 1e-4);
}

TEST_F(Physics, SphereReachesItsTerminalVelocity) {
    // Equal coefficients and sections on every axis; above the pole the air is at rest.
    const double mass = 10, cw = 1.0, section = 1.0;
    sim::VesselRecord* v = Vessel("Mass = 10\nSize = 0.5\nCW = 1 1 1 1\nCrossSections = 1 1 1\n"
                                  "TouchdownPoints = 0 -0.5 0.1  -0.1 -0.5 -0.1  0.1 -0.5 -0.1\n",
                                  AbovePole(2000), {0, 0, 0});
    v->rot = sim::PlanetRotation(world->Mjd());  // falling along its own y axis
    world->SetTimeAcceleration(10);
    while (sim::Altitude(*v) > 100) world->AdvanceFrame(1.0 / 60);
    const double r = sim::Length(v->pos);
    const double g = sim::EARTH_GM / (r * r);
    const double rho = sim::Atmosphere(sim::Altitude(*v)).density;
    // m g = q * 1/2 * cw * S, q = rho V^2 / 2.
    const double terminal = std::sqrt(4 * mass * g / (rho * cw * section));
    EXPECT_NEAR(-sim::VerticalSpeed(*v) / terminal, 1.0, 0.01);
}

TEST_F(Physics, ThrusterBurnsItsTankEmptyAndMeetsTheRocketEquation) {
    const double dry = 100, propellant = 100, thrust = 1000, isp = 3000;
    // Far out: gravity is tiny and across the burn.
    sim::VesselRecord* v = Vessel("Mass = 100\n", {1e9, 0, 0}, {0, 0, 0});
    VESSEL& vessel = *v->iface;
    PROPELLANT_HANDLE tank = vessel.CreatePropellantResource(propellant);
    THRUSTER_HANDLE th = vessel.CreateThruster({0, 0, 0}, {0, 0, 1}, thrust, tank, isp);
    vessel.SetThrusterLevel(th, 1);
    const double burnTime = propellant / (thrust / isp);
    double emptyAt = -1;
    while (world->SimTime() < burnTime + 10) {
        world->AdvanceFrame(0.1);
        if (emptyAt < 0 && vessel.GetPropellantMass(tank) <= 0) emptyAt = world->SimTime();
    }
    EXPECT_NEAR(emptyAt, burnTime, 0.1 + 1e-9) << "mass over flow rate";
    EXPECT_EQ(vessel.GetThrusterLevel(th), 0) << "an empty tank holds the level at 0";
    EXPECT_NEAR(v->vel.z / (isp * std::log((dry + propellant) / dry)), 1.0, 0.005);
    EXPECT_EQ(v->Mass(), dry);
}

TEST_F(Physics, ThrustStaysFullThroughTheSubstepInWhichTheTankRunsDry) {
    const double dry = 100, thrust = 1000, isp = 3000, h = sim::SUBSTEP_THRUST;
    const double flow = thrust / isp * h;  // [kg] one thruster draws in one substep
    struct Case {
        const char* what;
        int thrusters;      // on the one tank, all pushing along +z
        double propellant;  // [kg]
        int thrustingSubsteps;
    };
    const Case cases[] = {
        {"a third of one substep's flow", 1, 0.3 * flow, 1},
        {"more than one thruster's flow, less than both together", 2, 1.5 * flow, 1},
        {"runs dry in the second substep", 1, 1.5 * flow, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Far out, gravity pulls along -x only: velocity along z is the thrust's alone.
        sim::VesselRecord* v = Vessel("Mass = 100\n", {1e9, 0, 0}, {0, 0, 0});
        VESSEL& vessel = *v->iface;
        PROPELLANT_HANDLE tank = vessel.CreatePropellantResource(c.propellant);
        std::vector<THRUSTER_HANDLE> ths;
        for (int i = 0; i < c.thrusters; ++i) {
            ths.push_back(vessel.CreateThruster({0, 0, 0}, {0, 0, 1}, thrust, tank, isp));
            vessel.SetThrusterLevel(ths.back(), 1);
        }
        // Each substep: the full thrust over the mass at its start.
        double expected = 0, left = c.propellant;
        for (int k = 0; k < c.thrustingSubsteps; ++k) {
            expected += c.thrusters * thrust * h / (dry + left);
            left = std::max(0.0, left - c.thrusters * flow);
        }
        for (int frame = 0; frame < c.thrustingSubsteps + 1; ++frame) world->AdvanceFrame(h);  // one substep each
        EXPECT_NEAR(v->vel.z / expected, 1.0, 1e-9);
        EXPECT_EQ(vessel.GetPropellantMass(tank), 0) << "clamped at empty";
        for (THRUSTER_HANDLE th : ths) EXPECT_EQ(vessel.GetThrusterLevel(th), 0);
    }
}

TEST_F(Physics, AxialDragUsesTheFirstCoefficientInBothDirections) {
    // Above the pole the air is at rest; the motion is horizontal (the vessel's axes are the
    // planet's, its z across the axis), so gravity adds nothing along it.
    const double mass = 1000, altitude = 10000, speed = 100, dt = 1.0 / 60;
    struct Case {
        double cwFirst, cwSecond;
        double along;  // the motion along the vessel's z axis: +1 nose first, -1 tail first
    };
    const Case cases[] = {{1, 5, +1}, {1, 5, -1}, {5, 1, +1}, {5, 1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "CW " << c.cwFirst << " " << c.cwSecond << ", moving " << c.along << " z");
        sim::VesselRecord* v = Vessel("Mass = 1000\n", AbovePole(altitude), {0, 0, 0});
        v->rot = sim::PlanetRotation(world->Mjd());
        v->iface->SetCW(c.cwFirst, c.cwSecond, 0, 0);
        v->iface->SetCrossSections({0, 0, 2});
        const VECTOR3 dir = v->rot * VECTOR3{0, 0, c.along};
        v->vel = dir * speed;
        world->AdvanceFrame(dt);
        const double deceleration = (speed - sim::Dot(v->vel, dir)) / dt;
        // q * 1/2 * cw * S over the mass, q = rho V^2 / 2.
        const double rho = sim::Atmosphere(altitude).density;
        const double expected = 0.5 * rho * speed * speed * 0.5 * c.cwFirst * 2 / mass;
        EXPECT_NEAR(deceleration / expected, 1.0, 0.005);
    }
}

TEST_F(Physics, IspFallsWithAmbientPressure) {
    EXPECT_DOUBLE_EQ(sim::ThrusterThrust(1000, 1, 3000, 0, 101400, 101325), 1000) << "no reference Isp: no change";
    EXPECT_DOUBLE_EQ(sim::ThrusterThrust(1000, 0.5, 3000, 2400, 101400, 101400), 400);
    EXPECT_DOUBLE_EQ(sim::ThrusterThrust(1000, 1, 3000, 2400, 101400, 0), 1000);
}

TEST_F(Physics, DroppedVesselTouchesDownAndLands) {
    sim::VesselRecord* v = Vessel("Mass = 50\nSize = 1\nCW = 1 1 1 1\nCrossSections = 2 2 2\n"
                                  "TouchdownPoints = 0 -0.5 1  -1 -0.5 -1  1 -0.5 -1\n",
                                  {0, sim::EARTH_RADIUS + 300, 0}, {0, 0, 0});
    world->SetTimeAcceleration(10);
    for (int i = 0; i < 6000 && !v->landed; ++i) world->AdvanceFrame(1.0 / 60);
    ASSERT_TRUE(v->landed);
    EXPECT_TRUE(v->iface->GroundContact());
    EXPECT_NEAR(sim::Altitude(*v), 0.5, 0.05) << "resting on its touchdown points";
    std::vector<std::string> what;
    for (const auto& e : world->events)
        if (e.vessel == v->name) what.push_back(e.what.substr(0, e.what.find(' ')));
    EXPECT_THAT(what, testing::ElementsAre("created", "touchdown", "landed"));
    // A landed vessel turns with the surface and stays put on it.
    const VECTOR3 before = v->pos;
    VESSELSTATUS placed;
    v->iface->GetStatus(placed);
    const double t0 = world->SimTime();
    for (int i = 0; i < 60; ++i) world->AdvanceFrame(1.0 / 60);
    // About the planet's axis, by its sidereal rate (the axis's own precession is far below the
    // tolerance over a second). The turn is worked out from the date, whose last digit is about
    // 1e-6 s: under a millimetre on the ground.
    const VECTOR3 axis = sim::RotationAxis(world->Mjd());
    const VECTOR3 carried = sim::AxisRotation(-axis, sim::EARTH_ROTATION_RATE * (world->SimTime() - t0)) * before;
    EXPECT_NEAR(sim::Length(v->pos - carried), 0, 1e-3);
    VESSELSTATUS now;
    v->iface->GetStatus(now);
    EXPECT_EQ(now.vdata[0].x, placed.vdata[0].x) << "on the same spot of the planet";
    EXPECT_EQ(now.vdata[0].y, placed.vdata[0].y);
    EXPECT_EQ(now.vdata[0].z, placed.vdata[0].z);
    EXPECT_NEAR(sim::Altitude(*v), 0.5, 0.05);
    EXPECT_NEAR(sim::Dot(v->vel, axis), 0, 1e-9) << "at rest on the turning surface";
    EXPECT_NEAR(sim::Length(v->vel - sim::SurfaceVelocity(v->pos, world->Mjd())), 0, 1e-9);
}

TEST_F(Physics, AutopilotTurnsTheStackRetrograde) {
    const double r = sim::EARTH_RADIUS + 400000;
    sim::VesselRecord* t = world->AddVessel("Talvek", "Talvek");
    t->pos = {r, 0, 0};
    t->vel = {0, 0, std::sqrt(sim::EARTH_GM / r)};
    world->CallVisualCreated(*t);
    t->navMode = sim::NavMode::Retrograde;
    world->SetTimeAcceleration(10);
    for (int i = 0; i < 60 * 60; ++i) world->AdvanceFrame(1.0 / 60);  // 10 minutes
    const VECTOR3 nose = t->rot * VECTOR3{0, 0, 1};
    const VECTOR3 back = -t->vel / sim::Length(t->vel);
    EXPECT_GT(sim::Dot(nose, back), std::cos(5 * PI / 180));
    EXPECT_LT(sim::Length(t->angVel), 0.01);
}

TEST_F(Physics, AutopilotKillsTheRotation) {
    const double r = sim::EARTH_RADIUS + 400000;
    sim::VesselRecord* t = world->AddVessel("Talvek", "Talvek");
    t->pos = {r, 0, 0};
    t->vel = {0, 0, std::sqrt(sim::EARTH_GM / r)};
    t->angVel = {0.05, -0.03, 0.02};
    world->CallVisualCreated(*t);
    t->navMode = sim::NavMode::KillRot;
    for (int i = 0; i < 60 * 60; ++i) world->AdvanceFrame(1.0 / 60);
    EXPECT_LT(sim::Length(t->angVel), 1e-3);
}

TEST_F(Physics, OrbitHoldsAtTheHighestTimeAcceleration) {
    const double r = sim::EARTH_RADIUS + 400000;
    sim::VesselRecord* sat = Vessel("Mass = 1000\n", {r, 0, 0}, {0, 0, std::sqrt(sim::EARTH_GM / r)});
    world->SetTimeAcceleration(10000);
    double worst = 0;
    while (world->SimTime() < 2 * 5554) {
        world->AdvanceFrame(1.0 / 60);
        worst = std::max(worst, std::fabs(sim::Length(sat->pos) / r - 1));
    }
    EXPECT_LT(worst, 1e-4);
}
