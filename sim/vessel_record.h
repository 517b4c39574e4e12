// The host's record of one vessel: its class and module, what its module or class file defined,
// its state of flight, and what the end-of-run summary tells about it.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/orbiter.h"
#include "sim/class_config.h"
#include "sim/kept_lines.h"
#include "sim/mathx.h"
#include "sim/module_loader.h"
#include "sim/nav_mode.h"
#include "sim/records.h"
#include "sim/vessel_driver.h"

namespace sim {

struct VesselRecord {
    Id id = 0;
    std::string name;
    const VesselClass* cls = nullptr;
    const VesselModule* module = nullptr;  // null for a passive class
    VESSEL* iface = nullptr;               // the module's object, or the host's own for a passive vessel
    std::unique_ptr<VESSEL> passiveIface;
    // How the host calls the module; none until the module's object exists.
    const VesselDriver* driver = &PassiveDriver();

    VesselDefinition def;
    KeptVesselLines kept;  // its scenario's lines that the host writes back without modelling them

    // State, relative to the reference body in global axes.
    VECTOR3 pos{0, 0, 0};     // [m]
    VECTOR3 vel{0, 0, 0};     // [m/s]
    VECTOR3 angVel{0, 0, 0};  // [rad/s], vessel axes
    Mat3 rot;                 // vessel -> global
    bool landed = false;
    // While landed: where it stands and how, in the planet's own axes. Its global state follows
    // from them at each date, so that neither drifts while the planet turns.
    VECTOR3 groundPos{0, 0, 0};  // [m]
    Mat3 groundRot;              // vessel -> planet
    bool deletePending = false;
    bool hasVisual = false;
    NavMode navMode = NavMode::Off;  // the autopilot, as a flight script sets it
    bool motionHeld = false;         // its motion could not be computed once; the host warned
    struct ContactState {
        bool touching = false;  // resting on its touchdown points, not yet landed
        double restTime = 0.0;  // [s] at rest without thrust so far
    } contact;
    // What the end-of-run summary tells about the vessel's flight.
    struct FlightLog {
        int touchdowns = 0;
        double firstTouchdown = 0.0;  // [m/s] vertical speed, negative downwards
        double lastTouchdown = 0.0;
        double peakLoad = 0.0;        // [g] of drag and thrust together
        struct TankUse {
            Id tank;
            double used;  // [kg]
        };
        std::vector<TankUse> propellantUsed;  // per tank, in the order they were first drawn from
        double createdAt = 0.0;               // [s] of simulation time
        // [s], N: the vessel's module wrote a log line saying that it entered configuration N.
        std::vector<std::pair<double, int>> configurations;
        void DrawPropellant(Id tank, double mass);
    } flightLog;

    OBJHANDLE Handle() const { return HandleOf(id); }
    double Mass() const { return def.emptyMass + def.PropellantMass(); }
    std::string ClassName() const;
};

}  // namespace sim
