#include "sim/planet.h"

#include <cmath>

#include "sim/clock.h"

namespace sim {

VECTOR3 SurfaceVelocity(const VECTOR3& pos) {
    // A point at longitude lon moves to lon + w t: d/dt (cos, sin) = w (-sin, cos) in (x, z).
    return {-EARTH_ROTATION_RATE * pos.z, 0.0, EARTH_ROTATION_RATE * pos.x};
}

double RotationAngle(double mjd) {
    const double turns = mjd * SECONDS_PER_DAY / EARTH_SIDEREAL_DAY;
    return 2.0 * 3.14159265358979323846 * (turns - std::floor(turns));
}

Mat3 PlanetRotation(double mjd) {
    // A point at longitude l lies at l + the rotation angle in the x-z plane.
    const double a = RotationAngle(mjd);
    Mat3 r;
    r.m[0][0] = std::cos(a);
    r.m[0][2] = -std::sin(a);
    r.m[2][0] = std::sin(a);
    r.m[2][2] = std::cos(a);
    return r;
}

VECTOR3 SurfacePoint(double lon, double lat, double radius, double mjd) {
    const double l = lon + RotationAngle(mjd);
    return {radius * std::cos(lat) * std::cos(l), radius * std::sin(lat), radius * std::cos(lat) * std::sin(l)};
}

void LonLat(const VECTOR3& pos, double mjd, double& lon, double& lat) {
    const double r = std::sqrt(pos.x * pos.x + pos.y * pos.y + pos.z * pos.z);
    lat = r > 0 ? std::asin(pos.y / r) : 0.0;
    lon = std::atan2(pos.z, pos.x) - RotationAngle(mjd);
    lon = std::remainder(lon, 2.0 * 3.14159265358979323846);
}

Horizon HorizonAt(const VECTOR3& pos, double mjd) {
    constexpr double AT_A_POLE = 1e-9;  // [-] horizontal share of up below which north is the meridian's
    const VECTOR3 up = pos / Length(pos);
    VECTOR3 north = VECTOR3{0, 1, 0} - up * up.y;
    if (Length(north) < AT_A_POLE) {
        // At a pole every way is south: north is taken along the meridian of the point's
        // longitude, as it is just short of the pole, so that it turns with the planet. A point
        // exactly on the axis has no longitude, and takes the prime meridian's.
        const double l = pos.x == 0 && pos.z == 0 ? RotationAngle(mjd) : std::atan2(pos.z, pos.x);
        north = up.y > 0 ? VECTOR3{-std::cos(l), 0, -std::sin(l)} : VECTOR3{std::cos(l), 0, std::sin(l)};
    }
    north = north / Length(north);
    return {up, north, Cross(up, north)};
}

double HeadingOf(const Mat3& rot, const VECTOR3& pos, double mjd) {
    constexpr double NEARLY_VERTICAL = 0.1;  // horizontal share below which +z gives no heading
    const Horizon h = HorizonAt(pos, mjd);
    VECTOR3 axis{rot.m[0][2], rot.m[1][2], rot.m[2][2]};
    if (Length(axis - h.up * Dot(axis, h.up)) < NEARLY_VERTICAL) axis = {rot.m[0][1], rot.m[1][1], rot.m[2][1]};
    double heading = std::atan2(Dot(axis, h.east), Dot(axis, h.north));
    if (heading < 0) heading += 2 * 3.14159265358979323846;
    return heading;
}

}  // namespace sim
