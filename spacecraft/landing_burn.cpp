// The soft-landing burn: its tank, its thruster and when it starts.
#include "spacecraft/landing_burn.h"

#include <algorithm>
#include <cmath>

#include "spacecraft/constants.h"
#include "spacecraft/exhaust.h"

namespace {
constexpr double STANDARD_GRAVITY = 9.81;  // [m/s^2]; the prediction hardly depends on it
constexpr int BURN_INTEGRATION_STEPS = 64;
constexpr double NO_THRUST = 0;
constexpr double FULL_THRUST = 1;

constexpr double TANK_CAPACITY_LANDING = TANK_CAPACITY[static_cast<int>(Tank::Landing)];  // [kg]
// The burning thruster's streams, at positions handed over as they stand, not reduced by the shift.
constexpr VECTOR3 BURNING_STREAMS[3] = {{0, 1, -0.7}, {-0.7, -0.7, -0.7}, {0.7, -0.7, -0.7}};
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

void LandingBurn::CreateTank() {
    if (!tank) tank = vessel.CreatePropellantResource(TANK_CAPACITY_LANDING, TANK_FULL, TANK_EFFICIENCY);
}

void LandingBurn::CreateThruster(LandingThruster kind, const VECTOR3& cogShift) {
    if (kind == LandingThruster::None) return;
    // In no group: the burn's own steps fire it.
    thruster = vessel.CreateThruster(LANDING_NOZZLE - cogShift, LANDING_THRUST_DIRECTION, LANDING_MAX_THRUST, tank,
                                     LANDING_ISP, ISP_REF_NONE, P_REF);
    if (kind == LandingThruster::Ready) {
        vessel.AddExhaustStream(thruster, ExhaustSpec(ENGINE_EXHAUST_LONG));
        return;
    }
    for (const VECTOR3& position : BURNING_STREAMS) vessel.AddExhaustStream(thruster, position, ExhaustSpec(ENGINE_EXHAUST_LONG));
    vessel.SetThrusterLevel(thruster, vessel.GroundContact() ? NO_THRUST : FULL_THRUST);
}

void LandingBurn::SetLevel(double level) { vessel.SetThrusterLevel(thruster, level); }

BurnStep LandingBurn::Step(const StepInputs& in, bool live, bool landsInTimeStep) const {
    // The tank and the thruster are read only where the plan looks at them: a handle that is not
    // live names a thruster the host no longer has.
    const bool reads = live && tank && !in.contact && in.groundHeight < LANDING_APPROACH_HEIGHT;
    const double propellant = reads ? vessel.GetPropellantMass(tank) : 0;
    const double level = reads && propellant > 0 ? vessel.GetThrusterLevel(thruster) : 0;
    return Plan(in, live, landsInTimeStep, propellant, level);
}

BurnStep LandingBurn::Plan(const StepInputs& in, bool live, bool landsInTimeStep, double propellant, double level) {
    BurnStep step;
    if (in.contact) {
        // The simulator places a vessel created during its state update (the post-step) where the
        // planet stood at the frame's start, some 500 m off: the canopy is released at the next
        // pre-step, outside the update. Older hosts have no pre-step and land now.
        step.cutThrust = live;
        step.land = landsInTimeStep;
        return step;
    }
    if (!(in.groundHeight < LANDING_APPROACH_HEIGHT)) return step;
    step.cap = TimeAccelerationCap{LANDING_APPROACH_TIME_ACCELERATION, "for the landing"};
    if (!live || !(propellant > 0)) return step;
    if (level > 0) {
        step.level = FULL_THRUST;
        return step;
    }
    const double start = LandingBurnStartLevel(in.baseHeight, in.descentSpeed, in.mass, propellant, in.step);
    if (start > 0) {
        step.level = start;
        step.started = true;
    }
    return step;
}
