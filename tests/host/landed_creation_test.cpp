// Vessels created from a landed status stand where the status says, on their own touchdown
// points; and handles of deleted vessels, which the host can be told to give to new ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/orbiter.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/placement.h"
#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

namespace {

// A child class that stands on its base, +z up, so that its heading is taken from +y; its centre
// of mass 1.5 m over the points' plane.
constexpr const char* POD_CLASS = "Mass = 30\nSize = 1\nTouchdownPoints = -1 -1 -1.5  0 1 -1.5  1 -1 -1.5\n";

struct Place {
    const char* label;
    double lon, lat, heading;  // [rad]
};
void PrintTo(const Place& p, std::ostream* os) { *os << p.label; }

const Place PLACES[] = {
    {"north east", 0.3, 0.7, 0.5},
    {"south west", -2.5, -0.4, 5.9},
    {"equator heading north", 3.0, 0.0, 0.0},
};

class LandedCreation : public HostTest, public testing::WithParamInterface<Place> {
protected:
    void SetUp() override {
        HostTest::SetUp();
        root.Write("Config/Pod.cfg", POD_CLASS);
    }
    // The height of a vessel's lowest touchdown point over the ground [m].
    static double LowestPoint(const sim::VesselRecord& v) {
        double lowest = std::numeric_limits<double>::infinity();
        for (const VECTOR3& p : v.def.touchdownPoints)
            lowest = std::min(lowest, sim::Length(v.pos + v.rot * p) - sim::GroundRadius());
        return lowest;
    }
    // angle: the tolerance of longitude and latitude [rad] (the planet's turn, added up over
    // frames, and the date drift apart by about 1e-11 rad in a few seconds).
    void ExpectStandsAt(const sim::VesselRecord& v, const Place& p, double angle = 1e-12) const {
        double lon, lat;
        sim::LonLat(v.pos, world->Mjd(), lon, lat);
        EXPECT_NEAR(lon, p.lon, angle);
        EXPECT_NEAR(lat, p.lat, angle);
        EXPECT_NEAR(std::remainder(sim::HeadingOf(v.rot, v.pos, world->Mjd()) - p.heading, 2 * PI), 0, 1e-9);
        EXPECT_NEAR(LowestPoint(v), 0, 1e-6) << "on its touchdown points";
        EXPECT_TRUE(v.landed);
        EXPECT_NEAR(sim::Length(v.vel - sim::SurfaceVelocity(v.pos, world->Mjd())), 0, 1e-9)
            << "at rest on the turning ground";
        EXPECT_EQ(sim::Length(v.angVel), 0);
    }
};

}  // namespace

TEST_P(LandedCreation, ChildOfALandedVesselStandsWhereItsParentStands) {
    const Place& place = GetParam();
    sim::VesselRecord* parent = Probe("Parent");
    sim::PlaceLanded(*world, *parent, place.lon, place.lat, place.heading);
    VESSELSTATUS status;
    parent->iface->GetStatus(status);
    EXPECT_EQ(status.status, 1);
    EXPECT_NEAR(status.vdata[0].x, place.lon, 1e-12);
    EXPECT_NEAR(status.vdata[0].y, place.lat, 1e-12);
    EXPECT_NEAR(std::remainder(status.vdata[0].z - place.heading, 2 * PI), 0, 1e-9);
    EXPECT_NEAR(status.vrot.x, 1.0, 1e-9) << "the height of its centre of mass, on its touchdown points";

    // What a carrier does with its status before it releases a vessel: a place and speed of its
    // own, which a landed status does not read.
    status.rpos = {7e6, 0, 0};
    status.rvel = {0, 0, 7500};
    status.arot = {1, 2, 3};
    status.vrot = {0.5, 0.5, 0.5};
    const OBJHANDLE h = oapiCreateVessel("Child", "Pod", status);
    sim::VesselRecord* child = world->Find(h);
    ASSERT_NE(child, nullptr);
    ExpectStandsAt(*child, place);
    EXPECT_NEAR(sim::GroundHeight(*child), 1.5, 1e-9) << "the child's own touchdown points, not the parent's height";

    for (int i = 0; i < 30; ++i) world->AdvanceFrame(0.1);
    std::vector<std::string> events;
    for (const auto& e : world->events)
        if (e.vessel == "Child") events.push_back(e.what);
    EXPECT_THAT(events, testing::ElementsAre("created Pod")) << "it neither fell nor touched down";
    ExpectStandsAt(*child, place, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Places, LandedCreation, testing::ValuesIn(PLACES), [](const auto& info) {
    std::string n = info.param.label;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

TEST_F(HostTest, LandedStatusIsCheckedOnlyWhereItIsRead) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double INF = std::numeric_limits<double>::infinity();
    struct Case {
        const char* label;
        VECTOR3 where;  // vdata[0]: longitude, latitude, heading [rad]
        VECTOR3 rpos;
        bool created;
    };
    const Case cases[] = {
        {"rpos not finite, not read", {0.1, 0.2, 0.3}, {NaN, 0, 0}, true},
        {"at the pole", {0.1, PI05, 0.3}, {0, 0, 0}, true},
        {"longitude not finite", {NaN, 0.2, 0.3}, {7e6, 0, 0}, false},
        {"heading infinite", {0.1, 0.2, INF}, {7e6, 0, 0}, false},
        {"latitude beyond the pole", {0.1, 1.6, 0.3}, {7e6, 0, 0}, false},
        {"latitude beyond the south pole", {0.1, -1.6, 0.3}, {7e6, 0, 0}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        VESSELSTATUS s{};
        s.status = 1;
        s.vdata[0] = c.where;
        s.rpos = c.rpos;
        const size_t before = world->Vessels().size();
        testing::internal::CaptureStderr();
        const OBJHANDLE h = oapiCreateVessel(("V" + std::to_string(++n)).c_str(), "Probe", s);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(h != nullptr, c.created);
        EXPECT_EQ(world->Vessels().size(), before + (c.created ? 1 : 0));
        if (c.created) {
            const sim::VesselRecord* v = world->Find(h);
            ASSERT_NE(v, nullptr);
            EXPECT_TRUE(v->landed);
            EXPECT_TRUE(sim::IsFinite(v->pos));
            EXPECT_EQ(err, "");
        } else {
            EXPECT_THAT(err, testing::HasSubstr("not created"));
        }
    }
}

TEST_F(HostTest, DeletedVesselsHandlesGoToNewVesselsOnlyWhenAsked) {
    for (const bool reuse : {false, true}) {
        SCOPED_TRACE(reuse ? "reused" : "never reused");
        world->reuseHandles = reuse;
        sim::VesselRecord* first = Probe(reuse ? "A1" : "A0");
        sim::VesselRecord* second = Probe(reuse ? "B1" : "B0");
        const OBJHANDLE firstHandle = first->Handle(), secondHandle = second->Handle();
        world->RequestDelete(*first);
        world->RequestDelete(*second);
        world->ApplyDeletions();
        EXPECT_FALSE(oapiIsVessel(firstHandle));
        VESSELSTATUS s{};
        s.rpos = {7e6, 0, 0};
        const OBJHANDLE next = oapiCreateVessel(reuse ? "C1" : "C0", "Probe", s);
        const OBJHANDLE after = oapiCreateVessel(reuse ? "D1" : "D0", "Probe", s);
        ASSERT_NE(next, nullptr);
        if (reuse) {
            EXPECT_EQ(next, secondHandle) << "the handle freed last";
            EXPECT_EQ(after, firstHandle);
            EXPECT_TRUE(oapiIsVessel(firstHandle)) << "a stale handle names the newcomer";
            EXPECT_EQ(std::string(oapiGetVesselInterface(firstHandle)->GetName()), "D1");
        } else {
            EXPECT_NE(next, firstHandle);
            EXPECT_NE(next, secondHandle);
            EXPECT_NE(after, firstHandle);
            EXPECT_FALSE(oapiIsVessel(firstHandle));
        }
    }
}
