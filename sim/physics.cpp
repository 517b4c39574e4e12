#include "sim/physics.h"

#include <algorithm>
#include <cmath>

#include "sim/atmosphere.h"
#include "sim/clock.h"
#include "sim/landed_grid.h"
#include "sim/mathx.h"
#include "sim/planet.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

namespace {

constexpr double NEAR_GROUND_MARGIN = 50.0;     // [m] below size + this, substeps are short
constexpr double NEAR_GROUND_LOOKAHEAD = 0.2;   // [s] of travel towards the ground that also counts as near
constexpr double VACUUM_DENSITY = 1e-12;        // [kg/m^3] below it drag is not computed
constexpr double STANDARD_GRAVITY = 9.80665;     // [m/s^2] the unit of a load in g
constexpr double REST_TIME = 5.0;               // [s] at rest in contact, without thrust, before it counts as landed
// Below this sine of the angle between two unit vectors they count as parallel: their cross
// product gives no axis to turn about.
constexpr double PARALLEL_SINE = 1e-12;
constexpr double MIN_FLYING_MASS = 1e-3;       // [kg] the mass the integration divides by, at least

// Autopilot gains: the simulator's navigation modes ask for 5 deg/s of rotation at 20 deg from
// the target and less in proportion, never more than 5 deg/s. The gain sets how far the vessel
// lags a target that turns (retrograde, along an orbit): a burn's direction, and where it lands.
constexpr double AP_ATTITUDE_GAIN = 0.25;       // [1/s] desired rotation rate per radian of error
constexpr double AP_MAX_RATE = 0.0872664626;    // [rad/s] 5 deg/s
constexpr double AP_RATE_GAIN = 2.0;            // [1/s]

VECTOR3 Normalised(const VECTOR3& v) {
    const double l = Length(v);
    return l > 0 ? v / l : VECTOR3{0, 0, 0};
}

double Component(const VECTOR3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Forces that depend on where the vessel is and how it moves, in global axes, and the
// aerodynamic torque in vessel axes.
struct Aero {
    VECTOR3 force{0, 0, 0};
    VECTOR3 torque{0, 0, 0};
};

// The sum of cw times cross section over the axes, each weighted by the airflow's share along it
// [m^2]; u is the direction of the airflow over the vessel, in vessel axes. The first SetCW value
// holds for airflow along z either way, as in the simulator's legacy model (vessels without
// airfoils); the second is kept with the vessel but never flown.
double DragArea(const VesselDefinition& d, const VECTOR3& u) {
    return d.cw[2] * d.crossSections.x * std::fabs(u.x) + d.cw[3] * d.crossSections.y * std::fabs(u.y) +
           d.cw[0] * d.crossSections.z * std::fabs(u.z);
}

// The drag force and the aerodynamic moments (pitch and bank, not the rotational drag) at the
// substep's start, where the air density rho is known.
Aero AerodynamicForces(const VesselRecord& v, double rho, double mass, double mjd) {
    Aero a;
    if (rho < VACUUM_DENSITY) return a;
    const VesselDefinition& d = v.def;
    const VECTOR3 relative = v.vel - SurfaceVelocity(v.pos, mjd);  // velocity through the air, global
    const double speed = Length(relative);
    if (speed <= 0) return a;
    // u: the direction of the airflow over the vessel, in vessel axes.
    const VECTOR3 u = v.rot.Transposed() * (relative / -speed);
    const double q = 0.5 * rho * speed * speed;
    a.force = relative / -speed * (q * 0.5 * DragArea(d, u));
    const double alpha = std::atan2(-u.y, u.z);
    const double beta = std::atan2(u.x, u.z);
    a.torque.x = -d.size * mass * rho * speed * d.crossSections.y * std::sin(alpha) * d.pitchMomentScale;
    a.torque.y = -d.size * mass * rho * speed * d.crossSections.x * std::sin(beta) * d.bankMomentScale;
    return a;
}

double DensityAt(const VECTOR3& pos) { return Atmosphere(Length(pos) - EARTH_RADIUS).density; }

VECTOR3 Gravity(const VECTOR3& pos) {
    const double r = Length(pos);
    if (r < 1.0) return {0, 0, 0};  // at the centre there is no direction to fall in
    return pos * (-EARTH_GM / (r * r * r));
}

// Torque [N m, vessel axes] of a group at full level.
VECTOR3 GroupTorque(const VesselDefinition& d, const ThrusterGroup& g) {
    VECTOR3 t{0, 0, 0};
    for (Id id : g.thrusters)
        for (const Thruster& th : d.thrusters)
            if (th.id == id) t += Cross(th.pos, Normalised(th.dir) * th.maxThrust);
    return t;
}

bool IsAttitudeGroup(int type) { return type >= THGROUP_ATT_PITCHUP && type <= THGROUP_ATT_BANKRIGHT; }

// A vessel's attitude groups, in definition order, with their torques at full level. Neither
// changes while the physics runs (only levels do), so they are worked out once per frame.
struct AttitudeGroups {
    std::vector<const ThrusterGroup*> groups;
    std::vector<VECTOR3> torques;
    std::vector<double> levels;  // the autopilot's scratch, one per group

    void Collect(const VesselDefinition& d) {
        groups.clear();
        torques.clear();
        for (const auto& g : d.groups)
            if (IsAttitudeGroup(g.type)) {
                groups.push_back(&g);
                torques.push_back(GroupTorque(d, g));
            }
        levels.resize(groups.size());
    }
};

// The host's autopilot: turns the vessel's +z towards the target direction (or stops its
// rotation) with its attitude thruster groups.
void Autopilot(VesselRecord& v, double mass, AttitudeGroups& attitude) {
    if (v.navMode == NavMode::Off) return;
    VECTOR3 desiredRate{0, 0, 0};
    if (v.navMode == NavMode::Prograde || v.navMode == NavMode::Retrograde) {
        VECTOR3 target = v.rot.Transposed() * Normalised(v.vel);
        if (v.navMode == NavMode::Retrograde) target = -target;
        const VECTOR3 axis = Cross(VECTOR3{0, 0, 1}, target);
        const double s = Length(axis);
        const double angle = std::atan2(s, target.z);
        VECTOR3 turn = s > PARALLEL_SINE ? axis / s * angle : (target.z < 0 ? VECTOR3{1, 0, 0} * PI : VECTOR3{0, 0, 0});
        desiredRate = turn * AP_ATTITUDE_GAIN;
        const double rate = Length(desiredRate);
        if (rate > AP_MAX_RATE) desiredRate = desiredRate * (AP_MAX_RATE / rate);
    }
    const VECTOR3 inertia = v.def.pmi * mass;
    const VECTOR3 wanted{inertia.x * (desiredRate.x - v.angVel.x) * AP_RATE_GAIN,
                         inertia.y * (desiredRate.y - v.angVel.y) * AP_RATE_GAIN,
                         inertia.z * (desiredRate.z - v.angVel.z) * AP_RATE_GAIN};
    // Every attitude group off, then on each axis the group that turns the right way the most.
    std::vector<double>& levels = attitude.levels;
    std::fill(levels.begin(), levels.end(), 0.0);
    for (int axis = 0; axis < 3; ++axis) {
        const double need = Component(wanted, axis);
        double* best = nullptr;
        double bestTorque = 0;
        for (size_t i = 0; i < levels.size(); ++i) {
            const double t = Component(attitude.torques[i], axis);
            if (t * need > 0 && std::fabs(t) > bestTorque) {
                bestTorque = std::fabs(t);
                best = &levels[i];
            }
        }
        if (best) *best = std::max(*best, std::min(1.0, std::fabs(need) / bestTorque));
    }
    for (size_t i = 0; i < levels.size(); ++i) SetGroupLevel(v.def, *attitude.groups[i], levels[i]);
}

// Thrust over one substep: force (global) and torque (vessel axes); propellant drawn from the
// tanks, levels held at 0 when a tank is empty.
struct Propulsion {
    VECTOR3 force{0, 0, 0};
    VECTOR3 torque{0, 0, 0};
    bool thrusting = false;
};

// A tank that runs dry within the substep still gives full thrust for all of it and is then
// clamped at 0, as the simulator does over its step. The rule applies per substep here, so the
// thrust this adds is at most one substep's worth, never a whole frame's at a high time
// acceleration.
Propulsion Thrust(VesselRecord& v, double pressure, double h) {
    Propulsion p;
    VesselDefinition& d = v.def;
    for (Thruster& th : d.thrusters) {
        if (th.level <= 0) continue;
        Tank* tank = d.FindTank(th.tank);
        if (!tank || tank->mass <= 0 || th.isp <= 0 || tank->efficiency <= 0) {
            th.level = 0;
            continue;
        }
        const double thrust = ThrusterThrust(th.maxThrust, th.level, th.isp, th.ispRef, th.pRef, pressure);
        const VECTOR3 f = Normalised(th.dir) * thrust;
        p.force += v.rot * f;
        p.torque += Cross(th.pos, f);
        p.thrusting = p.thrusting || thrust > 0;
    }
    for (const Thruster& th : d.thrusters) {
        if (th.level <= 0) continue;
        Tank* tank = d.FindTank(th.tank);
        const double flow = th.maxThrust * th.level / (tank->efficiency * th.isp);  // [kg/s]
        if (flow <= 0) continue;
        const double before = tank->mass;
        tank->mass = std::max(0.0, tank->mass - flow * h);
        v.flightLog.DrawPropellant(tank->id, before - tank->mass);
    }
    // A tank that ran dry stops its thrusters from the next substep on.
    for (Thruster& th : d.thrusters)
        if (const Tank* tank = d.FindTank(th.tank); th.level > 0 && tank && tank->mass <= 0) th.level = 0;
    return p;
}

// Carries a vessel resting on the planet from where it stands at one date to where it stands at
// another: its place and attitude in the planet's axes stay as they were (a landed vessel's are
// kept as such).
void CarryWithSurface(VesselRecord& v, double fromMjd, double toMjd) {
    if (v.landed) {
        FixToPlanet(v, v.groundPos, v.groundRot, toMjd);
        return;
    }
    const Mat3 turn = CarriedByPlanet(fromMjd, toMjd);
    v.pos = turn * v.pos;
    v.rot = Orthonormalised(turn * v.rot);
    v.vel = SurfaceVelocity(v.pos, toMjd);
}

// Moves a vessel that has come to rest onto the grid of the landed lines it is saved with (under
// a centimetre, a hundredth of a degree of heading), so that a saved landing reads back the same.
void SnapToSavedGrid(VesselRecord& v, double mjd) {
    auto snap = [](double value, int decimals) {
        const double scale = std::pow(10.0, decimals);
        return std::round(value * scale) / scale;
    };
    const PlanetFixed fixed = OnPlanet(v, mjd);
    double lon, lat;
    LonLatOnPlanet(fixed.pos, lon, lat);
    lon = snap(lon / PI * 180, LANDED_POS_DECIMALS) * PI / 180;
    lat = snap(lat / PI * 180, LANDED_POS_DECIMALS) * PI / 180;
    const double alt = snap(GroundHeight(v), LANDED_ALT_DECIMALS);
    // The attitude onto the grid of the saved AROT, in the planet's axes.
    VECTOR3 angles = AnglesFromRotation(fixed.rot) / PI * 180;
    angles = {snap(angles.x, AROT_DECIMALS), snap(angles.y, AROT_DECIMALS), snap(angles.z, AROT_DECIMALS)};
    FixToPlanet(v, PointOnPlanet(lon, lat, GroundRadius() + alt), RotationFromAngles(angles * (PI / 180)), mjd);
}

bool BelowSurface(const VesselRecord& v) {
    for (const VECTOR3& p : v.def.touchdownPoints)
        if (Length(v.pos + v.rot * p) < GroundRadius()) return true;
    return false;
}

// Puts the vessel on its touchdown points: their normal, taken in their order, turned to the
// surface's up, the points on the surface, the vessel at rest on the turning planet. The order
// is not second-guessed: points whose normal points away from the centre of mass stand the
// vessel on its head, with the centre of mass below the ground, as the real simulator does.
void SettleOnSurface(VesselRecord& v, double mjd) {
    const VECTOR3 n = TouchdownUp(v.def.touchdownPoints);
    const double height = -Dot(n, v.def.touchdownPoints[0]);  // of the centre of mass above the points' plane
    const VECTOR3 up = v.pos / Length(v.pos);
    const VECTOR3 current = v.rot * n;
    const VECTOR3 axis = Cross(current, up);
    const double s = Length(axis);
    const double angle = std::atan2(s, Dot(current, up));
    if (s > PARALLEL_SINE) {
        v.rot = Orthonormalised(AxisRotation(axis / s, angle) * v.rot);
    } else if (Dot(current, up) < 0) {
        // Exactly the wrong way up: turn over about the vessel's forward axis (its right axis if
        // the normal lies along forward), which keeps the heading.
        VECTOR3 turn = VECTOR3{0, 0, 1} - n * n.z;
        if (Length(turn) < 1e-6) turn = VECTOR3{1, 0, 0} - n * n.x;
        v.rot = Orthonormalised(AxisRotation(Normalised(v.rot * turn), PI) * v.rot);
    }
    v.pos = up * (GroundRadius() + height);
    v.vel = SurfaceVelocity(v.pos, mjd);
    v.angVel = {0, 0, 0};
}

// air: the atmosphere at the vessel's altitude over the mean radius.
double SubstepFor(const VesselRecord& v, bool thrusting, const AtmosphereState& air, double mjd) {
    // Near the ground, over the ground wherever it lies; the air by the height over the mean radius.
    const double overGround = GroundHeight(v);
    const double airspeed = Length(v.vel - SurfaceVelocity(v.pos, mjd));
    if (overGround < v.def.size + NEAR_GROUND_MARGIN + airspeed * NEAR_GROUND_LOOKAHEAD)
        return SUBSTEP_NEAR_GROUND;
    if (air.density >= VACUUM_DENSITY) return SUBSTEP_ATMOSPHERE;
    return thrusting ? SUBSTEP_THRUST : SUBSTEP_VACUUM;
}

bool AnyThrusterOn(const VesselRecord& v) {
    for (const Thruster& th : v.def.thrusters)
        if (th.level > 0) return true;
    return v.navMode != NavMode::Off;
}

// Drag alone over h, at the air density rho: the velocity through the air w keeps its direction
// (and so its drag area) and decays as w' = -c |w| w. Its exact solution w / (1 + c |w| h) slows
// the vessel towards the air's own motion and never past it, however large c h is.
void DragDecay(VesselRecord& v, double h, double mass, double rho, double mjd) {
    if (rho < VACUUM_DENSITY) return;
    const VECTOR3 air = SurfaceVelocity(v.pos, mjd);
    const VECTOR3 w = v.vel - air;
    const double speed = Length(w);
    if (speed <= 0) return;
    // drag = 1/2 rho |w|^2 * 1/2 * DragArea, so the deceleration is c |w|^2.
    const double c = 0.25 * rho * DragArea(v.def, v.rot.Transposed() * (w / -speed)) / mass;  // [1/m]
    const double fraction = 1.0 / (1.0 + c * speed * h);
    if (std::isfinite(fraction)) v.vel = air + w * fraction;
}

// Translation: drag for half the substep, gravity and thrust (held) by RK4 over the whole of it,
// then drag for the other half, each at the air density where it acts. Drag is solved exactly
// on its own, so that it stays stable for the stiffest drag a class may define (a large cross
// section on a small mass).
void Translate(VesselRecord& v, double h, double mass, double rho, const VECTOR3& thrustForce, double mjd) {
    const VECTOR3 held = thrustForce / mass;
    DragDecay(v, h / 2, mass, rho, mjd);
    auto accel = [&](const VECTOR3& p) { return Gravity(p) + held; };
    const VECTOR3 p0 = v.pos, v0 = v.vel;
    const VECTOR3 a1 = accel(p0);
    const VECTOR3 v2 = v0 + a1 * (h / 2);
    const VECTOR3 a2 = accel(p0 + v0 * (h / 2));
    const VECTOR3 v3 = v0 + a2 * (h / 2);
    const VECTOR3 a3 = accel(p0 + v2 * (h / 2));
    const VECTOR3 v4 = v0 + a3 * h;
    const VECTOR3 a4 = accel(p0 + v3 * h);
    v.pos = p0 + (v0 + v2 * 2 + v3 * 2 + v4) * (h / 6);
    v.vel = v0 + (a1 + a2 * 2 + a3 * 2 + a4) * (h / 6);
    DragDecay(v, h / 2, mass, DensityAt(v.pos), mjd + h / SECONDS_PER_DAY);
}

// Rotation about the vessel's axes with the inertia PMI times mass; torque [N m] in vessel axes,
// rho the air density at the substep's start. Rotational drag (a torque -Size mass rho rotDrag w
// on each axis) is a decay of the rate: it is solved exactly, together with the other torques
// held over the substep, so that it can never overshoot. The turn itself keeps the angular
// momentum fixed in global axes, so its size never changes without a torque, whatever the
// inertia's proportions and the rate.
void Rotate(VesselRecord& v, double h, double mass, double rho, const VECTOR3& torque) {
    const VesselDefinition& d = v.def;
    const VECTOR3 inertia = d.pmi * mass;
    const bool rigid = inertia.x > 0 && inertia.y > 0 && inertia.z > 0;
    if (rigid) {
        // Size times density: times rotDrag over PMI, the rate of the decay (the mass, in the
        // torque and in the inertia alike, cancels).
        const double air = rho >= VACUUM_DENSITY ? d.size * rho : 0.0;
        auto step = [&](double w, double pmi, double rotDrag, double t, double i) {
            const double k = air * rotDrag / pmi;  // [1/s] rate of the decay
            const double x = k * h;
            // (1 - e^-kh) / k: the time over which the held torque acts undamped; h without drag.
            const double span = x > 0 ? -std::expm1(-x) / k : h;
            return w * std::exp(-x) + t / i * span;
        };
        v.angVel = {step(v.angVel.x, d.pmi.x, d.rotDrag.x, torque.x, inertia.x),
                    step(v.angVel.y, d.pmi.y, d.rotDrag.y, torque.y, inertia.y),
                    step(v.angVel.z, d.pmi.z, d.rotDrag.z, torque.z, inertia.z)};
    }
    const double w = Length(v.angVel);
    if (!(w > 0)) return;
    const Mat3 turn = AxisRotation(v.angVel / w, w * h);
    v.rot = Orthonormalised(v.rot * turn);
    if (!rigid) return;
    // The momentum I w is fixed in global axes; in the vessel's, which turned, it turns back.
    const VECTOR3 momentum =
        turn.Transposed() * VECTOR3{inertia.x * v.angVel.x, inertia.y * v.angVel.y, inertia.z * v.angVel.z};
    v.angVel = {momentum.x / inertia.x, momentum.y / inertia.y, momentum.z / inertia.z};
}

// Where the vessel was when the substep began.
struct SubstepStart {
    VECTOR3 pos;
    Mat3 rot;
};

// Ground contact after the substep's motion: a vessel resting on its touchdown points stays on
// them (back where it started, carried by the planet) unless its thrust lifts it, and lands
// after resting long enough; a vessel whose points went below the surface touches down.
void GroundContact(World& world, VesselRecord& v, const SubstepStart& start, double h, double now, double mass,
                   const Propulsion& thrust) {
    if (v.contact.touching) {
        const VECTOR3 up = v.pos / Length(v.pos);
        const double lift = Dot(thrust.force, up) / mass - Dot(Gravity(v.pos), -up);
        if (lift > 0) {
            v.contact.touching = false;
            v.contact.restTime = 0;
            return;
        }
        v.pos = start.pos;
        v.angVel = {0, 0, 0};
        v.rot = start.rot;
        CarryWithSurface(v, world.MjdAt(now), world.MjdAt(now + h));
        v.contact.restTime = thrust.thrusting ? 0.0 : v.contact.restTime + h;
        if (v.contact.restTime >= REST_TIME - TIME_TOLERANCE) {
            SnapToSavedGrid(v, world.MjdAt(now + h));
            v.contact.touching = false;
            v.contact.restTime = 0;
            world.AddEvent(v, "landed", now + h);
        }
        return;
    }
    if (BelowSurface(v)) {
        const double speed = VerticalSpeed(v);
        world.AddEvent(v, "touchdown " + FormatFixed(speed, 2) + " m/s", now + h);
        if (v.flightLog.touchdowns++ == 0) v.flightLog.firstTouchdown = speed;
        v.flightLog.lastTouchdown = speed;
        SettleOnSurface(v, world.MjdAt(now + h));
        v.contact.touching = true;
        v.contact.restTime = 0;
    }
}

// air: the atmosphere at the vessel's altitude at the substep's start.
void Substep(World& world, VesselRecord& v, double h, double now, const AtmosphereState& air,
             AttitudeGroups& attitude) {
    const double mass = std::max(v.Mass(), MIN_FLYING_MASS);
    Autopilot(v, mass, attitude);
    const Propulsion thrust = Thrust(v, air.pressure, h);
    const SubstepStart start{v.pos, v.rot};
    const double mjd = world.MjdAt(now);
    // Drag and moments at the start, the state the rotation starts from.
    const Aero aero0 = AerodynamicForces(v, air.density, mass, mjd);
    // What the crew feels: everything but gravity.
    const double load = Length(aero0.force / mass + thrust.force / mass) / STANDARD_GRAVITY;  // [g]
    v.flightLog.peakLoad = std::max(v.flightLog.peakLoad, load);
    Translate(v, h, mass, air.density, thrust.force, mjd);
    Rotate(v, h, mass, air.density, thrust.torque + aero0.torque);
    GroundContact(world, v, start, h, now, mass, thrust);
}

struct Motion {
    VECTOR3 pos, vel;
    Mat3 rot;
    VECTOR3 angVel;
};

bool FiniteMotion(const VesselRecord& v) {
    for (const auto& row : v.rot.m)
        for (double e : row)
            if (!std::isfinite(e)) return false;
    return IsFinite(v.pos) && IsFinite(v.vel) && IsFinite(v.angVel);
}

// From what a class file and a scenario may hold, the physics keeps every state finite. A module
// can set values far beyond those (a size, inertia or mass near the largest number); a substep
// that they make non-finite is not taken: the vessel stays where it was, without rotation, so
// that every output can still be written, and the host warns once.
void HoldMotion(World& world, VesselRecord& v, const Motion& before) {
    v.pos = before.pos;
    v.vel = before.vel;
    v.rot = before.rot;
    v.angVel = {0, 0, 0};
    if (v.motionHeld) return;
    v.motionHeld = true;
    world.Warn("vessel '" + v.name + "': its motion is not finite with the values its module set (size, masses, "
               "inertia, thrust or drag beyond what a class file may hold); it is held where it was");
}

}  // namespace

double ThrusterThrust(double maxThrust, double level, double isp, double ispRef, double pRef, double pressure) {
    const double eta = ispRef != 0 && pRef > 0 && isp > 0 ? (isp - ispRef) / (pRef * isp) : 0.0;
    return std::max(0.0, maxThrust * level * (1 - pressure * eta));
}

void StepPhysics(World& world, double dt) {
    if (!(dt > 0) || !std::isfinite(dt)) return;
    AttitudeGroups attitude;  // reused from vessel to vessel
    for (const auto& owned : world.Vessels()) {
        VesselRecord& v = *owned;
        if (v.navMode != NavMode::Off) attitude.Collect(v.def);
        if (v.landed) {
            // A landed vessel lifts off only under thrust.
            if (!AnyThrusterOn(v)) {
                CarryWithSurface(v, world.Mjd(), world.MjdAt(world.SimTime() + dt));
                continue;
            }
            v.landed = false;
        }
        double done = 0;
        while (done < dt && !v.landed) {
            const AtmosphereState air = Atmosphere(Altitude(v));
            const double mjd = world.MjdAt(world.SimTime() + done);
            const double h = std::min(SubstepFor(v, AnyThrusterOn(v), air, mjd), dt - done);
            const Motion before{v.pos, v.vel, v.rot, v.angVel};
            Substep(world, v, h, world.SimTime() + done, air, attitude);
            if (!FiniteMotion(v)) HoldMotion(world, v, before);
            done += h;
        }
        if (v.landed && done < dt)
            CarryWithSurface(v, world.MjdAt(world.SimTime() + done), world.MjdAt(world.SimTime() + dt));
    }
}

VECTOR3 TouchdownUp(const VECTOR3 (&p)[3]) {
    const VECTOR3 n = Cross(p[0] - (p[1] + p[2]) * 0.5, p[2] - p[1]);
    const double length = Length(n);
    return length > 0 ? n / length : VECTOR3{0, 1, 0};
}

void FixToPlanet(VesselRecord& v, const VECTOR3& groundPos, const Mat3& groundRot, double mjd) {
    const Mat3 axes = PlanetRotation(mjd);
    v.landed = true;
    v.groundPos = groundPos;
    v.groundRot = groundRot;
    v.pos = axes * groundPos;
    v.rot = axes * groundRot;
    v.vel = SurfaceVelocity(v.pos, mjd);
    v.angVel = {0, 0, 0};
}

PlanetFixed OnPlanet(const VesselRecord& v, double mjd) {
    if (v.landed) return {v.groundPos, v.groundRot};
    const Mat3 toPlanet = PlanetRotation(mjd).Transposed();
    return {toPlanet * v.pos, toPlanet * v.rot};
}

double Altitude(const VesselRecord& v) { return Length(v.pos) - EARTH_RADIUS; }

double GroundRadius() {
    const World* w = World::Current();
    return EARTH_RADIUS + (w ? w->groundElevation : 0.0);
}

double GroundHeight(const VesselRecord& v) { return Length(v.pos) - GroundRadius(); }

double Airspeed(const VesselRecord& v) {
    const World* w = World::Current();
    return Length(v.vel - SurfaceVelocity(v.pos, w ? w->Mjd() : DEFAULT_START_MJD));
}

double VerticalSpeed(const VesselRecord& v) {
    const double r = Length(v.pos);
    return r > 0 ? Dot(v.vel, v.pos) / r : 0.0;
}

bool InGroundContact(const VesselRecord& v) {
    if (v.landed || v.contact.touching) return true;
    for (const auto& p : v.def.touchdownPoints)
        if (Length(v.pos + v.rot * p) < GroundRadius()) return true;
    return false;
}

}  // namespace sim
