// Earth as the simulator has it: the axis tilted in the ecliptic frame and precessing, the
// rotation counted from the simulator's offset, checked against the numbers its core gives, and
// an orbit that its core saved flown over the same ground.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "host_fixture.h"
#include "sim/app/simulation.h"
#include "sim/clock.h"
#include "sim/mathx.h"
#include "sim/planet.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double DEG = PI / 180;

// The planet's rotation matrix and rotation angle as the simulator's core returns them
// (oapiGetRotationMatrix, oapiGetPlanetCurrentRotation for Earth) at the start of a scenario of
// that date.
struct CoreAxes {
    double mjd;
    double rotation;  // [rad]
    double m[3][3];
};

const CoreAxes CORE_AXES[] = {
    {51544.5,
     4.8894875400000002,
     {{0.17617426004162684, 0, 0.9843589945232305},
      {0.39155551952133255, 0.91748206283384037, -0.070078095797048753},
      {-0.90313172086421845, 0.39777715416821136, 0.16163672352121722}}},
    {61000.5,
     4.1945999263285021,
     {{-0.49998223774287137, 0.0025106973367952164, 0.8660320192351515},
      {0.34563478764193101, 0.91748206283384037, 0.19688386919673806},
      {-0.79407452768197273, 0.39776923055591418, -0.45959251920544564}}},
    {73000.25,
     1.7057715308566366,
     {{-0.12153202225533261, 0.0056966381734258427, -0.99257116413889968},
      {-0.39415923896579441, 0.91748206283384037, 0.053527177359419767},
      {0.91097116414540547, 0.39773636078649138, -0.10925806791208972}}},
};

class EarthAxes : public testing::TestWithParam<CoreAxes> {};

TEST_P(EarthAxes, AreTheSimulatorsAtTheDate) {
    const CoreAxes& c = GetParam();
    const sim::Mat3 axes = sim::PlanetRotation(c.mjd);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(axes.m[i][j], c.m[i][j], 1e-9) << "element " << i + 1 << j + 1;
    EXPECT_NEAR(sim::RotationAngle(c.mjd), c.rotation, 1e-9);
    // The prime meridian on the equator: the planet's +x, the matrix's first column.
    const VECTOR3 meridian = sim::SurfacePoint(0, 0, 1, c.mjd);
    EXPECT_NEAR(meridian.x, c.m[0][0], 1e-9);
    EXPECT_NEAR(meridian.y, c.m[1][0], 1e-9);
    EXPECT_NEAR(meridian.z, c.m[2][0], 1e-9);
}

INSTANTIATE_TEST_SUITE_P(CoreNumbers, EarthAxes, testing::ValuesIn(CORE_AXES));

// The axis, worked out on its own: tilted from the ecliptic's normal (+y) by the obliquity
// towards +z at J2000, its node turning westward once in 25 771.5 years.
VECTOR3 AxisAt(double mjd) {
    constexpr double OBLIQUITY = 23.439291 * DEG;
    const double node = -2 * PI * (mjd - 51544.5) / (25771.5 * 365.25);
    return {-std::sin(node) * std::sin(OBLIQUITY), std::cos(OBLIQUITY), std::cos(node) * std::sin(OBLIQUITY)};
}

TEST(EarthFrame, TheAxisIsTiltedAndPrecesses) {
    for (double mjd : {51544.5, 61000.5, 51544.5 + 25771.5 * 365.25 / 4}) {
        SCOPED_TRACE(mjd);
        const VECTOR3 axis = sim::RotationAxis(mjd), expected = AxisAt(mjd);
        EXPECT_NEAR(axis.x, expected.x, 1e-7);
        EXPECT_NEAR(axis.y, expected.y, 1e-7);
        EXPECT_NEAR(axis.z, expected.z, 1e-7);
        // The north pole lies on it.
        const VECTOR3 pole = sim::SurfacePoint(0, PI / 2, 1, mjd);
        EXPECT_NEAR(sim::Length(pole - axis), 0, 1e-12);
    }
    // A quarter of the precession later the axis leans towards +x: the node went westward.
    EXPECT_NEAR(sim::RotationAxis(51544.5 + 9413040.4 / 4).x, std::sin(23.439291 * DEG), 1e-6);
}

TEST(EarthFrame, OneSiderealDayTurnsThePlanetOnceLessItsPrecession) {
    constexpr double SIDEREAL_DAY = 86164.10132 / 86400;  // [days]
    for (double mjd : {51544.5, 61000.5, 61000.5 + 0.3}) {
        SCOPED_TRACE(mjd);
        // The node moved westward by 2 pi day / period; the rotation, counted from it, by its share
        // along the equator.
        const double nodeStep = 2 * PI * SIDEREAL_DAY / -9413040.4;
        const double turned = std::remainder(sim::RotationAngle(mjd + SIDEREAL_DAY) - sim::RotationAngle(mjd), 2 * PI);
        EXPECT_NEAR(turned, -nodeStep * std::cos(0.4090928023), 1e-9);
        // A place on the ground comes back to within the axis's own motion over the day (metres).
        const VECTOR3 before = sim::SurfacePoint(0.7, 0.4, sim::EARTH_RADIUS, mjd);
        const VECTOR3 after = sim::SurfacePoint(0.7, 0.4, sim::EARTH_RADIUS, mjd + SIDEREAL_DAY);
        EXPECT_LT(sim::Length(after - before), std::fabs(nodeStep) * sim::EARTH_RADIUS);
        EXPECT_GT(sim::Length(sim::SurfacePoint(0.7, 0.4, sim::EARTH_RADIUS, mjd + SIDEREAL_DAY / 2) - before), 1e6);
    }
}

TEST(EarthFrame, TheGroundMovesEastwardAboutTheAxis) {
    const double mjd = 61000.5;
    for (double lat : {0.0, 0.5, -1.2}) {
        SCOPED_TRACE(lat);
        const VECTOR3 p = sim::SurfacePoint(-1.0, lat, sim::EARTH_RADIUS, mjd);
        const VECTOR3 v = sim::SurfaceVelocity(p, mjd);
        const sim::Horizon h = sim::HorizonAt(p, mjd);
        EXPECT_NEAR(sim::Dot(v, h.east), sim::EARTH_ROTATION_RATE * sim::EARTH_RADIUS * std::cos(lat), 1e-9);
        EXPECT_NEAR(sim::Length(v - h.east * sim::Dot(v, h.east)), 0, 1e-9);
        // North points along the axis's side of the horizon.
        EXPECT_GT(sim::Dot(h.north, sim::RotationAxis(mjd)), 0);
        // And a place read back is the place.
        double lon, back;
        sim::LonLat(p, mjd, lon, back);
        EXPECT_NEAR(lon, -1.0, 1e-12);
        EXPECT_NEAR(back, lat, 1e-12);
    }
}

// Where the simulator's core saw the Talvek of the saved orbit (a 400 km circular orbit, 51.6
// degrees to the equator): its latitude and longitude [deg] at its simulation times [s]; the
// scenario was saved at MJD 61000.5069446512, 600.018 s after its start.
struct TrackPoint {
    double time, lat, lon;
};
constexpr double SAVED_AT = 600.01786368;  // [s]
const TrackPoint CORE_TRACK[] = {
    {900.02, 41.892385, -39.047228},   {1200.02, 50.024051, -14.638495},  {1500.02, 51.003659, 14.924967},
    {1800.02, 44.355248, 41.078878},   {2100.02, 32.752264, 59.971743},   {2400.02, 18.722753, 73.789890},
    {2700.02, 3.682731, 85.194906},    {3000.02, -11.529809, 96.170317},  {3300.02, -26.174722, 108.539903},
    {3600.02, -39.187094, 124.608799}, {3900.02, -48.614662, 147.195349}, {4200.03, -51.520618, 176.171947},
    {4500.03, -46.534152, -156.143872}, {4800.03, -35.850123, -135.592819}, {5100.03, -22.241830, -120.820894},
    {5400.03, -7.356518, -109.034966}, {5700.03, 7.879255, -98.117792},   {6000.03, 22.738422, -86.267893},
    {6300.03, 36.279405, -71.346378},
};

TEST_F(HostTest, AnOrbitSavedByTheSimulatorPassesOverTheSameGround) {
    constexpr double AGREE = 0.005;        // [deg] about 500 m
    constexpr double LONGEST_FRAME = 0.5;  // [s]
    world.reset();
    sim::Simulation s(talvek_test::BuildRoot(), talvek_test::TestData() / "orbit-saved-by-the-simulator.scn");
    sim::World& w = s.GetWorld();
    const sim::VesselRecord& talvek = *w.FindByName("Talvek");
    for (const TrackPoint& p : CORE_TRACK) {
        const double until = p.time - SAVED_AT;
        while (w.SimTime() < until - 1e-9) s.Frame(std::min(LONGEST_FRAME, until - w.SimTime()));
        double lon, lat;
        sim::LonLat(talvek.pos, w.Mjd(), lon, lat);
        SCOPED_TRACE(p.time);
        EXPECT_NEAR(lat / DEG, p.lat, AGREE);
        EXPECT_NEAR(std::remainder(lon / DEG - p.lon, 360.0), 0, AGREE);
    }
}

}  // namespace
