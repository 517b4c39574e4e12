// The sense of a vessel's angular velocity wherever it crosses into or out of the host: a
// positive x component turns +z toward +y, a positive y component turns +z toward -x, in a
// scenario's VROT, in VESSELSTATUS.vrot of GetStatus and oapiCreateVessel, and in the dump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "sim/app/dump.h"
#include "sim/app/simulation.h"
#include "sim/mathx.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {

const double DEGREE = PI / 180;

struct Sense {
    VECTOR3 vrot;      // [deg/s]
    const char* line;  // the VROT line as read and as saved
    VECTOR3 towards;   // the vessel axis, as it stood at the start, that +z turns toward
};


const Sense SENSES[] = {
    {{10, 0, 0}, "VROT 10.0000 0.0000 0.0000", {0, 1, 0}},
    {{-10, 0, 0}, "VROT -10.0000 0.0000 0.0000", {0, -1, 0}},
    {{0, 10, 0}, "VROT 0.0000 10.0000 0.0000", {-1, 0, 0}},
    {{0, -10, 0}, "VROT 0.0000 -10.0000 0.0000", {1, 0, 0}},
};

const char* const ORBITING = "BEGIN_SHIPS\nP:Probe\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
                             "  AROT 10 20 30\n";

// How far the vessel's +z has turned toward an axis of its starting attitude [degrees].
double TurnedToward(const sim::Mat3& start, const sim::Mat3& now, const VECTOR3& axis) {
    return std::asin(sim::Dot(now * VECTOR3{0, 0, 1}, start * axis)) / DEGREE;
}

void ExpectNear(const VECTOR3& a, const VECTOR3& b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

}  // namespace

TEST_F(HostTest, AVrotLineTurnsTheVesselAsInTheSimulatorAndIsPassedAndSavedAsRead) {
    for (const Sense& c : SENSES) {
        SCOPED_TRACE(c.line);
        const auto file = root.Write("Scenarios/r.scn", std::string(ORBITING) + "  " + c.line + "\nEND\nEND_SHIPS\n");
        world.reset();
        sim::Simulation s(root.Path(), file);
        sim::VesselRecord& v = *s.GetWorld().FindByName("P");
        EXPECT_THAT(s.SaveText(), HasSubstr(std::string("  ") + c.line + "\n")) << "saved as read";
        VESSELSTATUS status;
        v.iface->GetStatus(status);
        ExpectNear(status.vrot, c.vrot * DEGREE, 1e-12);
        const auto dumped = sim::DumpWorld(s.GetWorld())["vessels"][0]["angularVelocity"];
        ExpectNear({dumped[0], dumped[1], dumped[2]}, c.vrot * DEGREE, 1e-12);

        const sim::Mat3 start = v.rot;
        for (int i = 0; i < 60; ++i) s.Frame(1.0 / 60);
        EXPECT_NEAR(TurnedToward(start, v.rot, c.towards), 10, 0.01) << "one second at 10 deg/s";
    }
}

TEST_F(HostTest, ACreatedVesselTurnsAsItsStatusSays) {
    for (const Sense& c : SENSES) {
        SCOPED_TRACE(c.line);
        world.reset();
        world = std::make_unique<sim::World>(root.Path());
        VESSELSTATUS st{};
        st.rpos = {6771010, 0, 0};
        st.rvel = {0, 0, 7672.593};
        st.arot = {0.1, 0.2, 0.3};
        st.vrot = c.vrot * DEGREE;
        sim::VesselRecord* v = world->Find(oapiCreateVessel("New", "Probe", st));
        ASSERT_NE(v, nullptr);
        const sim::Mat3 start = v->rot;
        for (int i = 0; i < 60; ++i) world->AdvanceFrame(1.0 / 60);
        EXPECT_NEAR(TurnedToward(start, v->rot, c.towards), 10, 0.01);
    }
}
