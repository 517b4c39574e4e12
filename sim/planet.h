// The reference body: Earth, rotating about the global +y axis.
#pragma once

#include "host/hosttypes.h"
#include "sim/mathx.h"

namespace sim {

constexpr double EARTH_RADIUS = 6371010.0;          // mean radius [m]
// The ground's height over the mean radius that talvek-sim can be given (--ground-elevation, or
// 'GroundElevation' in a scenario's environment): the range of the real Earth's terrain.
constexpr double MIN_GROUND_ELEVATION = -420;       // [m]
constexpr double MAX_GROUND_ELEVATION = 9000;       // [m]
constexpr const char* GROUND_ELEVATION_RANGE =
    "expected 'GroundElevation <m>', the ground's height over the mean radius within -420..9000 m";
constexpr double EARTH_GM = 3.986004e14;            // [m^3/s^2]
constexpr double EARTH_SIDEREAL_DAY = 86164.1;      // [s]
constexpr double EARTH_ROTATION_RATE = 2.0 * 3.14159265358979323846 / EARTH_SIDEREAL_DAY;  // [rad/s]
constexpr const char* EARTH_NAME = "Earth";

// Velocity of the rotating surface and atmosphere at a global position [m/s].
VECTOR3 SurfaceVelocity(const VECTOR3& pos);
// Rotation angle of the planet about +y at a modified Julian date [rad].
double RotationAngle(double mjd);
// The planet's own axes in global ones at a date: turns a direction fixed to the planet into
// the global frame (the frame of a landed vessel's saved AROT).
Mat3 PlanetRotation(double mjd);
// Global position of a point at longitude and latitude [rad] and a radius [m], at a date.
VECTOR3 SurfacePoint(double lon, double lat, double radius, double mjd);
// Longitude and latitude [rad] of a global position at a date.
void LonLat(const VECTOR3& pos, double mjd, double& lon, double& lat);

// The local horizon at a global position at a date, in global axes. At a pole, north lies along
// the meridian of the point's longitude, so that a heading there turns with the planet too.
struct Horizon {
    VECTOR3 up, north, east;
};
Horizon HorizonAt(const VECTOR3& pos, double mjd);
// Heading [rad, 0..2 pi] of a vessel on the horizon: of its +z axis, or of its +y axis when +z
// stands nearly vertical (a capsule on its base).
double HeadingOf(const Mat3& rot, const VECTOR3& pos, double mjd);

}  // namespace sim
