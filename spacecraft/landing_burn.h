// The descent module's soft-landing burn: its tank and thruster, which the main-parachute and
// landing configurations share, and when it starts so that it ends as the capsule meets the ground.
#pragma once

#include <optional>

#include "host/orbiter.h"
#include "spacecraft/configurations.h"
#include "spacecraft/step_inputs.h"

// On the capsule's axis through the centre of mass under the canopy and after it, so that the
// burn pushes without turning the capsule.
constexpr VECTOR3 LANDING_NOZZLE{0, -0.1, -1.5};  // [m], design frame
constexpr VECTOR3 LANDING_THRUST_DIRECTION{0, 0, 1};
constexpr double LANDING_MAX_THRUST = 60000;        // [N] at full level
constexpr double LANDING_ISP = 200;                 // [m/s]

// Below this height over the ground, under the main canopy, time runs at most at real speed: the
// burn lasts a quarter of a second and must start within a few centimetres.
constexpr double LANDING_APPROACH_HEIGHT = 50;      // [m]
constexpr double LANDING_APPROACH_TIME_ACCELERATION = 1;
// The burn aims to end this far above the ground: a burn still running at contact lifts the
// capsule off again, while the canopy lets it gain little speed over the last centimetres.
constexpr double LANDING_BURN_END_HEIGHT = 0.03;    // [m]

// Distance [m] that the capsule falls while a full-thrust burn empties `propellant` kg, hanging
// from a canopy that has held it at `speed` [m/s] (the drag then equals the weight of its
// `mass` [kg], and falls with the square of the speed as the burn brakes it).
double LandingBurnDistance(double speed, double mass, double propellant);

// The thruster level for the coming step of `step` seconds, for a capsule whose base is `height`
// over the ground, falling at `speed`: 0 while the burn can still wait a whole step, 1 once it is
// due, and the fraction of the step after the exact start in the step where it falls due, so that
// the impulse is that of a burn starting on time whatever the length of the steps.
double LandingBurnStartLevel(double height, double speed, double mass, double propellant, double step);

// What a step of the burn under the main canopy asks of the vessel, carried out in this order.
struct BurnStep {
    bool cutThrust = false;  // on the ground: a burn still running would lift the capsule off again
    bool land = false;       // on the ground, where the time step itself lands (older hosts)
    std::optional<TimeAccelerationCap> cap;
    std::optional<double> level;  // the thruster's level from now on
    bool started = false;         // that level starts the burn
};

class LandingBurn {
public:
    explicit LandingBurn(VESSEL& vessel) : vessel(vessel) {}
    LandingBurn(const LandingBurn&) = delete;
    LandingBurn& operator=(const LandingBurn&) = delete;

    // The tank is created full when missing and kept, with what it holds, through every rebuild.
    void CreateTank();
    // The thruster of the configuration's kind at the nozzle, its position less the centre-of-mass
    // shift: ready (one exhaust stream), or burning (three streams, at full level unless the
    // capsule stands on the ground, where it would only lift it off).
    void CreateThruster(LandingThruster kind, const VECTOR3& cogShift);
    // The thruster has been made (its handle may outlive the definition that made it).
    bool Ready() const { return thruster != nullptr; }
    void SetLevel(double level);

    // A step under the main canopy; `live` while the handle names a thruster of the present
    // definition, `landsInTimeStep` where no pre-step comes to land at contact.
    BurnStep Step(const StepInputs& in, bool live, bool landsInTimeStep) const;
    // The same, with what Step reads of the tank (0 without one) and the thruster.
    static BurnStep Plan(const StepInputs& in, bool live, bool landsInTimeStep, double propellant, double level);

    PROPELLANT_HANDLE tank = nullptr;
    THRUSTER_HANDLE thruster = nullptr;

private:
    VESSEL& vessel;
};
