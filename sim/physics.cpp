#include "physics.h"

#include "mathx.h"
#include "planet.h"
#include "world.h"

namespace sim {

void StepPhysics(World& world, double dt) {
    if (dt <= 0) return;
    const double mjd = world.Mjd();
    for (const auto& owned : world.Vessels()) {
        VesselRecord& v = *owned;
        if (v.landed) {
            // Carried round with the surface.
            double lon, lat;
            LonLat(v.pos, mjd, lon, lat);
            const double r = Length(v.pos);
            const double turn = EARTH_ROTATION_RATE * dt;
            v.pos = SurfacePoint(lon, lat, r, mjd + dt / 86400.0);
            v.rot = AxisRotation({0, -1, 0}, turn) * v.rot;
            v.vel = SurfaceVelocity(v.pos);
            continue;
        }
        v.pos += v.vel * dt;
        const double w = Length(v.angVel);
        if (w > 0) v.rot = Orthonormalised(v.rot * AxisRotation(v.angVel / w, w * dt));
    }
}

double Altitude(const VesselRecord& v) { return Length(v.pos) - EARTH_RADIUS; }

double Airspeed(const VesselRecord& v) { return Length(v.vel - SurfaceVelocity(v.pos)); }

bool InGroundContact(const VesselRecord& v) {
    if (v.landed) return true;
    for (const auto& p : v.def.touchdownPoints)
        if (Length(v.pos + v.rot * p) < EARTH_RADIUS) return true;
    return false;
}

}  // namespace sim
