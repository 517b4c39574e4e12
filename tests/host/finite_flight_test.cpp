// Every state stays finite for every class value and scenario state that talvek-sim accepts: the
// corners of the documented ranges, each flown for a while in the regime where it is hardest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "tests/host/host_fixture.h"

namespace {

struct CornerCase {
    const char* name;
    std::string cls;     // the class file
    double altitude;     // [m] over the mean radius, above the pole
    VECTOR3 velocity;    // [m/s] global
    VECTOR3 rotation;    // [deg/s] as VROT gives it
    double thrust;       // level of the main engine, 0..1
    double timeAcceleration;
    double seconds;      // [s] of simulation time flown
};

void PrintTo(const CornerCase& c, std::ostream* os) { *os << c.name; }

// A class of the given values and a main engine at the edge of the accepted ranges.
std::string Class(const std::string& size, const std::string& mass, const std::string& sections,
                  const std::string& rotResistance, const std::string& inertia, const std::string& cw) {
    return "Size = " + size + "\nMass = " + mass + "\nCrossSections = " + sections + "\nRotResistance = " + rotResistance +
           "\nInertia = " + inertia + "\nCW = " + cw +
           "\nPropellantResource1 = 1e9 0.001\nMaxMainThrust = 1e9\nIsp = 1\n"
           "TouchdownPoints = 0 -1 1  -1 -1 -1  1 -1 -1\n";
}

const std::string STIFF = Class("1e6", "0", "1e6 1e6 1e6", "1e6 1e6 1e6", "1e-6 1 1e6", "1000 1000 1000 1000");
const std::string TINY = Class("0.001", "0", "0 0 0", "0 0 0", "1e-6 1e-6 1e-6", "0 0 0 0");
const std::string LOPSIDED = Class("1", "1e9", "1e6 0 1e-3", "0 1e6 0", "1e6 1e-6 1", "0 1000 0 1000");
const std::string HEAVY = Class("1e6", "1e9", "1e6 1e6 1e6", "1e6 1e6 1e6", "1e6 1e6 1e6", "1000 1000 1000 1000");
// The case first reported: NaN from 6 s on.
const std::string LARGE_DAMPED =
    "Size = 200\nMass = 1000\nRotResistance = 1 1 1\nInertia = 1 1 1\nCrossSections = 10 10 10\nCW = 1 1 1 1\n"
    "TouchdownPoints = 0 -1 1  -1 -1 -1  1 -1 -1\n";

constexpr double MAX_RATE = 3600;  // [deg/s] the largest VROT accepted
constexpr double MAX_SPEED = 1e6;  // [m/s] the largest RVEL accepted

class FiniteFlight : public HostTest, public testing::WithParamInterface<CornerCase> {};

}  // namespace

TEST_P(FiniteFlight, KeepsEveryStateFinite) {
    const CornerCase& c = GetParam();
    root.Write("Config/Corner.cfg", c.cls);
    sim::VesselRecord* v = world->AddVessel("C", "Corner");
    v->pos = sim::RotationAxis(world->Mjd()) * (sim::EARTH_RADIUS + c.altitude);
    v->vel = c.velocity;
    v->angVel = sim::InternalAngularVelocity(c.rotation * (PI / 180));
    for (sim::Thruster& th : v->def.thrusters) th.level = c.thrust;
    world->SetTimeAcceleration(c.timeAcceleration);
    auto finite = [&] {
        bool rot = true;
        for (const auto& row : v->rot.m)
            for (double e : row) rot = rot && std::isfinite(e);
        return sim::IsFinite(v->pos) && sim::IsFinite(v->vel) && sim::IsFinite(v->angVel) && rot &&
               std::isfinite(v->Mass());
    };
    while (world->SimTime() < c.seconds) {
        world->AdvanceFrame(1.0 / 60);
        ASSERT_TRUE(finite()) << "at " << world->SimTime() << " s: position " << v->pos.x << " " << v->pos.y << " "
                              << v->pos.z << ", rotation " << v->angVel.x << " " << v->angVel.y << " " << v->angVel.z;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corners, FiniteFlight,
    testing::Values(
        CornerCase{"LargeDampedAtTwoKilometres", LARGE_DAMPED, 2000, {0, 0, 0}, {1, 0, 0}, 0, 1, 20},
        CornerCase{"StiffAtTwoKilometres", STIFF, 2000, {0, -100, 0}, {MAX_RATE, MAX_RATE, MAX_RATE}, 0, 1, 10},
        CornerCase{"StiffAtTheEdgeOfTheAir", STIFF, 150000, {0, 0, 7800}, {MAX_RATE, -MAX_RATE, MAX_RATE}, 0, 100, 600},
        CornerCase{"StiffFastestUnderThrust", STIFF, 2000, {MAX_SPEED, 0, 0}, {MAX_RATE, MAX_RATE, MAX_RATE}, 1, 1, 5},
        CornerCase{"StiffInVacuum", STIFF, 1e9, {0, 0, 0}, {MAX_RATE, MAX_RATE, -MAX_RATE}, 0, 100000, 1e6},
        CornerCase{"TinyAndSpinning", TINY, 2000, {0, 0, 0}, {MAX_RATE, MAX_RATE, MAX_RATE}, 1, 1, 10},
        CornerCase{"TinyInVacuumUnderThrust", TINY, 1e9, {0, 0, 0}, {MAX_RATE, 0, MAX_RATE}, 1, 100000, 1e6},
        CornerCase{"LopsidedAtSeaLevel", LOPSIDED, 10, {300, 0, 300}, {MAX_RATE, MAX_RATE, MAX_RATE}, 0, 1, 10},
        CornerCase{"LopsidedInVacuum", LOPSIDED, 1e9, {0, 0, 0}, {-MAX_RATE, MAX_RATE, MAX_RATE}, 0, 100000, 1e6},
        CornerCase{"HeavyAtTwoKilometres", HEAVY, 2000, {0, -MAX_SPEED, 0}, {MAX_RATE, MAX_RATE, MAX_RATE}, 1, 1, 10}),
    [](const testing::TestParamInfo<CornerCase>& info) { return std::string(info.param.name); });
