#include "sim/planet.h"

#include <cmath>

#include "sim/clock.h"

namespace sim {

namespace {

constexpr double TWO_PI = 2.0 * 3.14159265358979323846;

// The angle brought into 0..2 pi.
double PositiveAngle(double a) {
    a = std::fmod(a, TWO_PI);
    return a < 0 ? a + TWO_PI : a;
}

// A turn by the angle about +y: +x goes towards +z, as a point of the planet moves east.
Mat3 AboutY(double a) {
    Mat3 r;
    r.m[0][0] = std::cos(a);
    r.m[0][2] = -std::sin(a);
    r.m[2][0] = std::sin(a);
    r.m[2][2] = std::cos(a);
    return r;
}

// The tilt of an axis of obliquity e whose node lies at longitude l: +y to the axis, +x to the
// node's direction turned as the axis is.
Mat3 Tilt(double e, double l) {
    const double se = std::sin(e), ce = std::cos(e), sl = std::sin(l), cl = std::cos(l);
    Mat3 r;
    r.m[0][0] = cl, r.m[0][1] = -sl * se, r.m[0][2] = -sl * ce;
    r.m[1][0] = 0, r.m[1][1] = ce, r.m[1][2] = -se;
    r.m[2][0] = sl, r.m[2][1] = cl * se, r.m[2][2] = cl * ce;
    return r;
}

// Whole turns dropped, so that the angle keeps its precision at any date.
double TurnsFraction(double turns) { return turns - std::floor(turns); }

VECTOR3 Local(const VECTOR3& pos, double mjd) { return PlanetRotation(mjd).Transposed() * pos; }

}  // namespace

PlanetOrientation EarthOrientation(double mjd) {
    // The node of the axis against the precession reference moves at a steady rate.
    const double precessionRate = EARTH_PRECESSION_PERIOD != 0 ? TWO_PI / EARTH_PRECESSION_PERIOD : 0.0;  // [rad/day]
    const double node = EARTH_LAN + precessionRate * (mjd - EARTH_LAN_MJD);
    // The axis against the reference, then the reference's own tilt against the ecliptic's normal.
    Mat3 relative = Tilt(EARTH_OBLIQUITY, node);
    if (EARTH_PRECESSION_OBLIQUITY != 0) {
        Mat3 tiltX;
        const double s = std::sin(EARTH_PRECESSION_OBLIQUITY), c = std::cos(EARTH_PRECESSION_OBLIQUITY);
        tiltX.m[1][1] = c, tiltX.m[1][2] = -s, tiltX.m[2][1] = s, tiltX.m[2][2] = c;
        relative = AboutY(EARTH_PRECESSION_LAN) * tiltX * relative;
    }
    // The same axis by its obliquity and node against the ecliptic.
    const VECTOR3 axis{relative.m[0][1], relative.m[1][1], relative.m[2][1]};
    const double obliquity = std::acos(axis.y);
    const double lan = std::atan2(-axis.x, axis.z);
    PlanetOrientation o;
    o.tilt = Tilt(obliquity, lan);
    // How far the ecliptic-based node frame is turned about the axis against the reference-based
    // one (0 when the reference is the ecliptic's normal).
    const double cl = std::cos(lan), sl = std::sin(lan);
    const double offset = std::atan2(-(cl * relative.m[0][2] + sl * relative.m[2][2]),
                                     cl * relative.m[0][0] + sl * relative.m[2][0]);
    // The sidereal rotation from the epoch, less the node's motion along the equator.
    const double turns = TurnsFraction((mjd - EARTH_ROTATION_EPOCH) * (SECONDS_PER_DAY / EARTH_SIDEREAL_DAY));
    o.rotation = PositiveAngle(EARTH_ROTATION_OFFSET + TWO_PI * turns - (node - EARTH_LAN) * std::cos(EARTH_OBLIQUITY) +
                               offset);
    o.axes = o.tilt * AboutY(o.rotation);
    return o;
}

VECTOR3 RotationAxis(double mjd) {
    const Mat3 t = EarthOrientation(mjd).tilt;
    return {t.m[0][1], t.m[1][1], t.m[2][1]};
}

double RotationAngle(double mjd) { return EarthOrientation(mjd).rotation; }

Mat3 PlanetRotation(double mjd) { return EarthOrientation(mjd).axes; }

VECTOR3 SurfaceVelocity(const VECTOR3& pos, double mjd) {
    // A point at longitude lon moves to lon + w t: d/dt (cos, sin) = w (-sin, cos) in the
    // planet's (x, z).
    const Mat3 axes = PlanetRotation(mjd);
    const VECTOR3 p = axes.Transposed() * pos;
    return axes * VECTOR3{-EARTH_ROTATION_RATE * p.z, 0.0, EARTH_ROTATION_RATE * p.x};
}

VECTOR3 PointOnPlanet(double lon, double lat, double radius) {
    return {radius * std::cos(lat) * std::cos(lon), radius * std::sin(lat), radius * std::cos(lat) * std::sin(lon)};
}

VECTOR3 SurfacePoint(double lon, double lat, double radius, double mjd) {
    return PlanetRotation(mjd) * PointOnPlanet(lon, lat, radius);
}

void LonLatOnPlanet(const VECTOR3& p, double& lon, double& lat) {
    const double r = Length(p);
    lat = r > 0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, p.y / r))) : 0.0;
    lon = std::atan2(p.z, p.x);
}

void LonLat(const VECTOR3& pos, double mjd, double& lon, double& lat) { LonLatOnPlanet(Local(pos, mjd), lon, lat); }

Mat3 CarriedByPlanet(double fromMjd, double toMjd) {
    return PlanetRotation(toMjd) * PlanetRotation(fromMjd).Transposed();
}

Mat3 EarlierTalvekSimAxes(double mjd) {
    constexpr double EARLIER_SIDEREAL_DAY = 86164.1;  // [s]
    return AboutY(TWO_PI * TurnsFraction(mjd * (SECONDS_PER_DAY / EARLIER_SIDEREAL_DAY)));
}

Horizon HorizonOnPlanet(const VECTOR3& p) {
    constexpr double AT_A_POLE = 1e-9;  // [-] horizontal share of up below which north is the meridian's
    const VECTOR3 up = p / Length(p);
    VECTOR3 north = VECTOR3{0, 1, 0} - up * up.y;
    if (Length(north) < AT_A_POLE) {
        // At a pole every way is south: north is taken along the meridian of the point's
        // longitude, as it is just short of the pole, so that it turns with the planet. A point
        // exactly on the axis has no longitude, and takes the prime meridian's.
        const double l = p.x == 0 && p.z == 0 ? 0.0 : std::atan2(p.z, p.x);
        north = up.y > 0 ? VECTOR3{-std::cos(l), 0, -std::sin(l)} : VECTOR3{std::cos(l), 0, std::sin(l)};
    }
    north = north / Length(north);
    return {up, north, Cross(up, north)};
}

Horizon HorizonAt(const VECTOR3& pos, double mjd) {
    const Mat3 axes = PlanetRotation(mjd);
    const Horizon h = HorizonOnPlanet(axes.Transposed() * pos);
    return {axes * h.up, axes * h.north, axes * h.east};
}

double HeadingOnPlanet(const Mat3& rot, const VECTOR3& p) {
    constexpr double NEARLY_VERTICAL = 0.1;  // horizontal share below which +z gives no heading
    const Horizon h = HorizonOnPlanet(p);
    VECTOR3 axis{rot.m[0][2], rot.m[1][2], rot.m[2][2]};
    if (Length(axis - h.up * Dot(axis, h.up)) < NEARLY_VERTICAL) axis = {rot.m[0][1], rot.m[1][1], rot.m[2][1]};
    double heading = std::atan2(Dot(axis, h.east), Dot(axis, h.north));
    if (heading < 0) heading += TWO_PI;
    return heading;
}

double HeadingOf(const Mat3& rot, const VECTOR3& pos, double mjd) {
    const Mat3 toPlanet = PlanetRotation(mjd).Transposed();
    return HeadingOnPlanet(toPlanet * rot, toPlanet * pos);
}

}  // namespace sim
