#include "planet.h"

#include <cmath>

namespace sim {

VECTOR3 SurfaceVelocity(const VECTOR3& pos) {
    // A point at longitude lon moves to lon + w t: d/dt (cos, sin) = w (-sin, cos) in (x, z).
    return {-EARTH_ROTATION_RATE * pos.z, 0.0, EARTH_ROTATION_RATE * pos.x};
}

double RotationAngle(double mjd) {
    const double turns = mjd * 86400.0 / EARTH_SIDEREAL_DAY;
    return 2.0 * 3.14159265358979323846 * (turns - std::floor(turns));
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

}  // namespace sim
