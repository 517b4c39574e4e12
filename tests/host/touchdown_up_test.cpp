// The up direction of a vessel standing on its touchdown points is their normal taken in their
// order, (p1 - (p2 + p3)/2) x (p3 - p2): points that give -y stand the vessel on its head.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "sim/app/simulation.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "tests/host/host_fixture.h"

namespace {

constexpr double HALF_HEIGHT = 0.5;  // [m] of the centre of mass above the points' plane

struct OrderCase {
    const char* name;
    const char* points;  // TouchdownPoints, x right, y up, z forward
    VECTOR3 start;       // orientation angles [rad] while falling
    double up;           // +1: the vessel's +y ends along the local up; -1: on its head
};

// The same three points (ahead, behind left, behind right) in both turning orders.
constexpr const char* ANTICLOCKWISE = "0 -0.5 1  -1 -0.5 -1  1 -0.5 -1";
constexpr const char* CLOCKWISE = "0 -0.5 1  1 -0.5 -1  -1 -0.5 -1";

const OrderCase ORDERS[] = {
    {"anticlockwise, falling upright", ANTICLOCKWISE, {0, 0, 0}, +1},
    {"anticlockwise, falling inverted", ANTICLOCKWISE, {0, 0, PI}, +1},
    {"anticlockwise, falling tilted", ANTICLOCKWISE, {0.4, 0, 0.3}, +1},
    {"clockwise, falling upright", CLOCKWISE, {0, 0, 0}, -1},
    {"clockwise, falling inverted", CLOCKWISE, {0, 0, PI}, -1},
    {"clockwise, falling tilted", CLOCKWISE, {0.4, 0, 0.3}, -1},
};

class TouchdownUp : public HostTest {};

}  // namespace

TEST(TouchdownNormal, IsTheCrossProductOfThePointsInTheirOrder) {
    struct Case {
        VECTOR3 p[3];
        VECTOR3 up;
    };
    const Case cases[] = {
        {{{0, -2, 4}, {-2, -2, -4}, {2, -2, -4}}, {0, 1, 0}},
        {{{0, -2, 4}, {2, -2, -4}, {-2, -2, -4}}, {0, -1, 0}},
        {{{-1, -1, -1.5}, {0, 1, -1.5}, {1, -1, -1.5}}, {0, 0, 1}},
        {{{0, 1, -70}, {-1, -1, -70}, {1, -1, -70}}, {0, 0, -1}},
        {{{-1, 0, 0}, {1, 1, 0}, {1, -1, 0}}, {0, 0, 1}},
        {{{0, 0, 0}, {0, 1, 1}, {0, 1, -1}}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        const VECTOR3 n = sim::TouchdownUp(c.p);
        EXPECT_NEAR(n.x, c.up.x, 1e-12) << c.p[0].x << " " << c.p[0].y << " " << c.p[0].z;
        EXPECT_NEAR(n.y, c.up.y, 1e-12) << c.p[0].x << " " << c.p[0].y << " " << c.p[0].z;
        EXPECT_NEAR(n.z, c.up.z, 1e-12) << c.p[0].x << " " << c.p[0].y << " " << c.p[0].z;
    }
}

TEST_F(TouchdownUp, AVesselStandsAsItsPointsOrderSaysAndIsNotTurnedUpright) {
    int count = 0;
    for (const OrderCase& c : ORDERS) {
        SCOPED_TRACE(c.name);
        const std::string cls = "Test" + std::to_string(++count);
        root.Write("Config/" + cls + ".cfg", std::string("Mass = 50\nSize = 1\nCW = 1 1 1 1\nCrossSections = 2 2 2\n"
                                                         "TouchdownPoints = ") +
                                                 c.points + "\n");
        sim::VesselRecord* v = world->AddVessel("V" + std::to_string(count), cls);
        v->pos = {0, sim::EARTH_RADIUS + 30, 0};  // above the pole, where the ground is at rest
        v->vel = {0, 0, 0};
        v->rot = sim::RotationFromAngles(c.start);
        for (int i = 0; i < 6000 && !v->landed; ++i) world->AdvanceFrame(1.0 / 60);
        ASSERT_TRUE(v->landed);
        const VECTOR3 localUp = sim::HorizonAt(v->pos, world->Mjd()).up;
        EXPECT_NEAR(sim::Dot(v->rot * VECTOR3{0, 1, 0}, localUp), c.up, 1e-6) << "the vessel's +y";
        EXPECT_NEAR(sim::Altitude(*v), c.up * HALF_HEIGHT, 0.02) << "the centre of mass above or below the ground";
        for (const VECTOR3& p : v->def.touchdownPoints)
            EXPECT_NEAR(sim::Length(v->pos + v->rot * p) - sim::EARTH_RADIUS, 0, 0.02) << "each point on the ground";
        EXPECT_TRUE(v->iface->GroundContact());
    }
}

namespace {

struct PlacedCase {
    const char* name;
    const char* points;
    VECTOR3 up;     // the vessel axis that ends along the local up
    double height;  // [m] of the centre of mass over the ground
};

const PlacedCase PLACED[] = {
    {"anticlockwise: +y up", ANTICLOCKWISE, {0, 1, 0}, HALF_HEIGHT},
    {"clockwise: on its head", CLOCKWISE, {0, -1, 0}, -HALF_HEIGHT},
    {"a capsule on its base: +z up", "-1 -1 -1.5  0 1 -1.5  1 -1 -1.5", {0, 0, 1}, 1.5},
};

}  // namespace

TEST_F(TouchdownUp, ALandedLineWithoutAttitudeStandsTheVesselOnItsPointsAtItsHeading) {
    int count = 0;
    for (const PlacedCase& c : PLACED) {
        SCOPED_TRACE(c.name);
        const std::string cls = "Placed" + std::to_string(++count);
        root.Write("Config/" + cls + ".cfg", std::string("Mass = 50\nSize = 1\nTouchdownPoints = ") + c.points + "\n");
        const auto file = root.Write("Scenarios/p" + std::to_string(count) + ".scn",
                                     "BEGIN_SHIPS\nV:" + cls + "\n  STATUS Landed Earth\n  POS 10 20\n  HEADING 30\nEND\nEND_SHIPS\n");
        world.reset();
        sim::Simulation s(root.Path(), file);
        const sim::VesselRecord& v = *s.GetWorld().FindByName("V");
        const sim::Horizon h = sim::HorizonAt(v.pos, s.GetWorld().Mjd());
        EXPECT_NEAR(sim::Dot(v.rot * c.up, h.up), 1, 1e-9);
        EXPECT_NEAR(sim::GroundHeight(v), c.height, 1e-6);
        for (const VECTOR3& p : v.def.touchdownPoints)
            EXPECT_NEAR(sim::Length(v.pos + v.rot * p) - sim::GroundRadius(), 0, 1e-6) << "each point on the ground";
        EXPECT_NEAR(sim::HeadingOf(v.rot, v.pos, s.GetWorld().Mjd()) * 180 / PI, 30, 1e-6) << "saved back as it was read";
    }
}
