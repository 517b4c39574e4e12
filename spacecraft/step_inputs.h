// What the spacecraft measures of itself once per time step and hands to its subsystems, and
// what a subsystem may ask of the vessel in return.
#pragma once

#include "host/orbiter.h"

struct StepInputs {
    double step = 0;              // [s] simulated time of the frame just run
    double timeAcceleration = 1;  // of that frame
    double groundHeight = 0;      // [m] of the centre of mass over the ground below it
    double airspeed = 0;          // [m/s]
    // [m], [m/s]: from the planet's centre, in its non-rotating frame.
    VECTOR3 position{0, 0, 0};
    VECTOR3 velocity{0, 0, 0};
    double descentSpeed = 0;      // [m/s] along the local vertical, positive downwards
    // [m] of the capsule's base (its lowest touchdown point, as the vessel stands turned) over the ground.
    double baseHeight = 0;
    double mass = 0;              // [kg]
    bool contact = false;         // a touchdown point on the ground
};

// Time acceleration held at `most` at the highest, said in the log as "time acceleration capped
// at x<most> <reason>" when it was higher.
struct TimeAccelerationCap {
    double most;
    const char* reason;
};
