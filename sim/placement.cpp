// Where a vessel is put: from what its scenario block said, from the status oapiCreateVessel is
// given, or standing on the ground.
#include "sim/placement.h"

#include <algorithm>
#include <cmath>

#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;

// A vessel standing on its touchdown points: their normal n, taken in their order, along the
// local up, and its forward axis on the heading. The forward axis is +z, or +y when +z stands
// nearly along n (a capsule on its base), the same axis that a saved HEADING is taken from.
// Position and attitude in the planet's axes.
Mat3 LandedRotation(const VECTOR3& pos, double heading, const VECTOR3& n) {
    constexpr double NEARLY_ALONG = 0.1;  // horizontal share of +z below which +y gives the heading
    const VECTOR3 z{0, 0, 1};
    const VECTOR3 zAcross = z - n * Dot(n, z);
    const VECTOR3 axis = Length(zAcross) < NEARLY_ALONG ? VECTOR3{0, 1, 0} : z;
    const VECTOR3 across = axis - n * Dot(n, axis);
    const VECTOR3 forward = across / Length(across);
    const VECTOR3 side = Cross(n, forward);
    const Horizon h = HorizonOnPlanet(pos);
    const VECTOR3 heads = h.north * std::cos(heading) + h.east * std::sin(heading);
    const VECTOR3 beside = Cross(h.up, heads);
    // rot = [up heads beside] [n forward side]^T
    Mat3 r;
    const VECTOR3 global[3] = {h.up, heads, beside};
    const VECTOR3 local[3] = {n, forward, side};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            auto at = [](const VECTOR3& v, int k) { return k == 0 ? v.x : k == 1 ? v.y : v.z; };
            r.m[i][j] = at(global[0], i) * at(local[0], j) + at(global[1], i) * at(local[1], j) +
                        at(global[2], i) * at(local[2], j);
        }
    return r;
}

// Height of the centre of mass above the ground when the touchdown points stand on it (below it,
// for points whose order stands the vessel on its head).
double RestingAltitude(const VesselRecord& v) {
    return -Dot(TouchdownUp(v.def.touchdownPoints), v.def.touchdownPoints[0]);
}

}  // namespace

std::string CheckParsedState(const ParsedVesselState& s) {
    constexpr double DEEPEST = -MIN_LANDED_ALT;  // [m] below the mean radius a position still counts as on the surface
    if (s.landed) {
        if (s.rpos && s.arot) {
            const double r = Length(*s.rpos);
            if (r < EARTH_RADIUS + MIN_LANDED_ALT || r > EARTH_RADIUS + MAX_LANDED_ALT)
                return "a landed vessel's RPOS lies " + FormatFixed(r - EARTH_RADIUS, 0) +
                       " m from the mean radius; it must stand on the ground (-1000..100000 m)";
            return "";
        }
        if (s.lon && s.lat) return "";
        return "a landed vessel needs 'POS <longitude> <latitude>' (degrees), or RPOS and AROT";
    }
    if (!s.rpos) return "an orbiting vessel needs 'RPOS x y z', its position from Earth's centre in metres";
    if (Length(*s.rpos) < EARTH_RADIUS - DEEPEST)
        return "RPOS lies inside Earth (" + FormatFixed(Length(*s.rpos), 0) + " m from its centre, mean radius " +
               FormatFixed(EARTH_RADIUS, 0) + " m)";
    return "";
}

void PlaceLanded(World& world, VesselRecord& v, double lon, double lat, double heading, std::optional<double> alt) {
    const VECTOR3 place = PointOnPlanet(lon, lat, GroundRadius() + alt.value_or(RestingAltitude(v)));
    FixToPlanet(v, place, LandedRotation(place, heading, TouchdownUp(v.def.touchdownPoints)), world.Mjd());
}

void PlaceParsed(World& world, VesselRecord& v, const ParsedVesselState& s) {
    v.landed = s.landed;
    if (s.landed && s.rpos && s.arot) {
        // As earlier versions of talvek-sim saved a landed vessel: the global position and
        // orientation at the saved date are exact; POS, HEADING and ALT were derived from them.
        // Their global axes were that version's own, so the vessel is put back on the same spot.
        const Mat3 toPlanet = EarlierTalvekSimAxes(world.Mjd()).Transposed();
        FixToPlanet(v, toPlanet * *s.rpos, toPlanet * RotationFromAngles(*s.arot * DEG), world.Mjd());
    } else if (s.landed && s.lon && s.lat) {
        // As the simulator saves it: AROT, when given, is the attitude in the planet's axes and
        // holds over HEADING; without it the vessel stands on its touchdown points.
        PlaceLanded(world, v, *s.lon * DEG, *s.lat * DEG, s.heading.value_or(0.0) * DEG, s.alt);
        if (s.arot) FixToPlanet(v, v.groundPos, RotationFromAngles(*s.arot * DEG), world.Mjd());
    } else {
        v.pos = s.rpos.value_or(VECTOR3{0, 0, 0});
        v.vel = s.rvel.value_or(VECTOR3{0, 0, 0});
        v.rot = RotationFromAngles(s.arot ? *s.arot * DEG : VECTOR3{0, 0, 0});
        v.angVel = InternalAngularVelocity(s.vrot ? *s.vrot * DEG : VECTOR3{0, 0, 0});
    }
}

LandedPlace WhereLanded(const World& world, const VesselRecord& v) {
    LandedPlace place{};
    const PlanetFixed fixed = OnPlanet(v, world.Mjd());
    LonLatOnPlanet(fixed.pos, place.lon, place.lat);
    place.heading = HeadingOnPlanet(fixed.rot, fixed.pos);
    place.planetRot = fixed.rot;
    return place;
}

void PlaceFromStatus(World& world, VesselRecord& v, const VESSELSTATUS& status) {
    if (status.status == STATUS_LANDED) {
        // As in the simulator, a vessel created from a landed one (a payload released on the
        // ground) stands where its parent stands, whatever rpos and rvel say.
        PlaceLanded(world, v, status.vdata[0].x, status.vdata[0].y, status.vdata[0].z);
    } else {
        v.pos = status.rpos;
        v.vel = status.rvel;
        v.angVel = InternalAngularVelocity(status.vrot);
        v.rot = RotationFromAngles(status.arot);
        v.landed = false;
    }
}

}  // namespace sim
