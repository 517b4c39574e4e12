// The reference body: Earth, with the simulator's axis, precession and rotation. The global frame
// is the ecliptic of J2000 (left-handed, +y its north normal); the planet's own frame has +y along
// its rotation axis and longitude 0 on +x, longitude growing towards +z. Every turn between the
// two frames is made here.
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
constexpr const char* EARTH_NAME = "Earth";

// Earth's axis and rotation, as the simulator's configuration of the planet gives them.
constexpr double EARTH_OBLIQUITY = 0.4090928023;         // [rad] of the axis against the precession reference
constexpr double EARTH_LAN = 0.0;                        // [rad] longitude of the axis's node at EARTH_LAN_MJD
constexpr double EARTH_LAN_MJD = 51544.5;                // [MJD]
constexpr double EARTH_PRECESSION_PERIOD = -9413040.4;   // [days] negative: the node moves westward
// The reference the axis precesses about, against the ecliptic's normal: its tilt and the
// longitude of its node (both 0 for Earth: the axis precesses about the ecliptic's normal).
constexpr double EARTH_PRECESSION_OBLIQUITY = 0.0;       // [rad]
constexpr double EARTH_PRECESSION_LAN = 0.0;             // [rad]
constexpr double EARTH_SIDEREAL_DAY = 86164.10132;       // [s]
constexpr double EARTH_ROTATION_OFFSET = 4.88948754;     // [rad] rotation angle at EARTH_ROTATION_EPOCH
// The date the rotation is counted from: the epoch of the planet's orbital elements, J2000.
constexpr double EARTH_ROTATION_EPOCH = 51544.5;         // [MJD]
constexpr double EARTH_ROTATION_RATE = 2.0 * 3.14159265358979323846 / EARTH_SIDEREAL_DAY;  // [rad/s]

// The planet's orientation at one date.
struct PlanetOrientation {
    Mat3 tilt;        // the axis's tilt and precession: turns the axis (+y) to its global direction
    double rotation;  // [rad, 0..2 pi] about the axis, from the prime meridian on the tilted +x
    Mat3 axes;        // tilt * Ry(rotation): turns a vector fixed to the planet into global axes
};
PlanetOrientation EarthOrientation(double mjd);

// The direction of the rotation axis (north) in global axes at a date.
VECTOR3 RotationAxis(double mjd);
// Rotation angle of the planet about its axis at a date [rad, 0..2 pi].
double RotationAngle(double mjd);
// The planet's own axes in global ones at a date: turns a direction fixed to the planet into
// the global frame (the frame of a landed vessel's saved AROT).
Mat3 PlanetRotation(double mjd);
// Velocity of the rotating surface and atmosphere at a global position at a date [m/s].
VECTOR3 SurfaceVelocity(const VECTOR3& pos, double mjd);
// A point at longitude and latitude [rad] and a radius [m], in the planet's axes; and its
// global position at a date.
VECTOR3 PointOnPlanet(double lon, double lat, double radius);
VECTOR3 SurfacePoint(double lon, double lat, double radius, double mjd);
// Longitude and latitude [rad] of a position in the planet's axes; of a global position at a date.
void LonLatOnPlanet(const VECTOR3& local, double& lon, double& lat);
void LonLat(const VECTOR3& pos, double mjd, double& lon, double& lat);
// The turn that carries a point fixed to the planet from where it is at one date to where it is
// at another, in global axes.
Mat3 CarriedByPlanet(double fromMjd, double toMjd);

// The planet's axes as talvek-sim gave them before it followed the simulator: the axis on global
// +y, the rotation angle 0 at MJD 0 and a sidereal day of 86164.1 s. Only a landed vessel saved
// by such a version with RPOS and AROT (a form the simulator never writes) is read through them.
Mat3 EarlierTalvekSimAxes(double mjd);

// The local horizon at a position in the planet's axes, in those axes; at a global position at a
// date, in global axes. At a pole, north lies along the meridian of the point's longitude, so that
// a heading there turns with the planet too: only a position kept in the planet's axes holds that
// longitude exactly (in global axes, rounding buries it).
struct Horizon {
    VECTOR3 up, north, east;
};
Horizon HorizonOnPlanet(const VECTOR3& local);
Horizon HorizonAt(const VECTOR3& pos, double mjd);
// Heading [rad, 0..2 pi] of a vessel on the horizon: of its +z axis, or of its +y axis when +z
// stands nearly vertical (a capsule on its base). From its attitude and position in the planet's
// axes; from global ones at a date.
double HeadingOnPlanet(const Mat3& localRot, const VECTOR3& local);
double HeadingOf(const Mat3& rot, const VECTOR3& pos, double mjd);

}  // namespace sim
