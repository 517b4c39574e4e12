// The soft-landing burn under the main canopy, and the canopy's release on the ground.
#include "spacecraft/landing_burn.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <limits>

#include "spacecraft/hull_definitions.h"
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr double STANDARD_GRAVITY = 9.81;  // [m/s^2]; the prediction hardly depends on it
constexpr int BURN_INTEGRATION_STEPS = 64;
constexpr double NO_THRUST = 0;
constexpr double FULL_THRUST = 1;

double Dot(const VECTOR3& a, const VECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
}  // namespace

double LandingBurnDistance(double speed, double mass, double propellant) {
    if (!(speed > 0) || !(mass > 0) || !(propellant > 0)) return 0;
    const double flow = LANDING_MAX_THRUST / LANDING_ISP;  // [kg/s]
    const double h = std::min(propellant, mass) / flow / BURN_INTEGRATION_STEPS;
    // Downward acceleration: gravity, less thrust and the canopy's drag (its drag at `speed`
    // balanced the weight of the full mass).
    auto accel = [&](double v, double m) {
        return STANDARD_GRAVITY - (LANDING_MAX_THRUST + mass * STANDARD_GRAVITY * (v / speed) * (v / speed)) / m;
    };
    double v = speed, m = mass, fallen = 0;
    for (int i = 0; i < BURN_INTEGRATION_STEPS; ++i) {
        const double vMid = v + accel(v, m) * h / 2;
        const double mMid = m - flow * h / 2;
        fallen += vMid * h;
        v += accel(vMid, mMid) * h;
        m -= flow * h;
    }
    return fallen;
}

double LandingBurnStartLevel(double height, double speed, double mass, double propellant, double step) {
    if (!(speed > 0) || !(step > 0) || !(propellant > 0)) return NO_THRUST;
    const double lead = height - LANDING_BURN_END_HEIGHT - LandingBurnDistance(speed, mass, propellant);
    const double wait = lead / speed;  // [s] until the burn is due
    if (!(wait < step)) return NO_THRUST;
    if (wait <= 0) return FULL_THRUST;
    return 1 - wait / step;
}

void TalvekVessel::LandUnderMainChute() {
    if (sequencer.definedConfiguration == CONFIG_MAIN_CHUTE) SetThrusterLevel(landingThruster, NO_THRUST);
    ReleaseMainChute();
    sequencer.SwitchTo(CONFIG_LANDING);
    LogEvent("on the ground: main parachute released (configuration 4)");
}

TalvekVessel::GroundApproach TalvekVessel::MeasureGroundApproach() {
    VESSELSTATUS status;
    GetStatus(status);
    const double radius = std::sqrt(Dot(status.rpos, status.rpos));
    if (!(radius > 0)) return {std::numeric_limits<double>::infinity(), 0};
    const VECTOR3 up{status.rpos.x / radius, status.rpos.y / radius, status.rpos.z / radius};
    double lowest = std::numeric_limits<double>::infinity();
    for (const VECTOR3& design : CAPSULE_TOUCHDOWN) {
        VECTOR3 global;
        GlobalRot(design - cogShift, global);
        lowest = std::min(lowest, Dot(global, up));
    }
    return {GetAltitude(ALTMODE_GROUND) + lowest, -Dot(status.rvel, up)};
}

void TalvekVessel::StepMainChuteLanding() {
    // The handle names a live thruster only while the main-parachute set-up defines the vessel; a
    // baseline set-up since then has cleared it.
    const bool thrusterLive = sequencer.definedConfiguration == CONFIG_MAIN_CHUTE;
    if (GroundContact()) {
        // A burn still running would lift the capsule off again. The simulator places a vessel
        // created during its state update (the post-step) where the planet stood at the frame's
        // start, some 500 m off: the canopy is released at the next pre-step, outside the update.
        // Older hosts have no pre-step and get it now.
        if (thrusterLive) SetThrusterLevel(landingThruster, NO_THRUST);
        if (RouteOf(HostEvent::TimeStep) == HostRoute::EntryPoint) LandUnderMainChute();
        return;
    }
    if (!(GetAltitude(ALTMODE_GROUND) < LANDING_APPROACH_HEIGHT)) return;
    if (oapiGetTimeAcceleration() > LANDING_APPROACH_TIME_ACCELERATION) {
        oapiSetTimeAcceleration(LANDING_APPROACH_TIME_ACCELERATION);
        LogEvent("time acceleration capped at x1 for the landing");
    }
    if (!thrusterLive || !landingTank) return;
    const double propellant = GetPropellantMass(landingTank);
    if (!(propellant > 0)) return;
    if (GetThrusterLevel(landingThruster) > 0) {
        SetThrusterLevel(landingThruster, FULL_THRUST);
        return;
    }
    const GroundApproach approach = MeasureGroundApproach();
    const double level =
        LandingBurnStartLevel(approach.height, approach.descentSpeed, GetMass(), propellant, oapiGetSimStep());
    if (level > 0) {
        SetThrusterLevel(landingThruster, level);
        char height[32];
        std::snprintf(height, sizeof height, "%.2f", approach.height);
        LogEvent(std::string("landing burn started ") + height + " m over the ground");
    }
}
