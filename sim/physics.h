// Flight physics of the headless host: gravity, drag and aerodynamic moments in a rotating
// atmosphere, thrust with propellant use, attitude dynamics, the host's autopilot modes, and
// ground contact. Each frame's step is integrated in substeps small enough for its regime.
#pragma once

#include "host/hosttypes.h"
#include "sim/mathx.h"

namespace sim {

class World;
struct VesselRecord;

// Substep limits [s] by regime.
constexpr double SUBSTEP_VACUUM = 0.5;
constexpr double SUBSTEP_THRUST = 0.05;
constexpr double SUBSTEP_ATMOSPHERE = 0.02;
constexpr double SUBSTEP_NEAR_GROUND = 0.005;

// Advances every vessel by dt seconds of simulation time.
void StepPhysics(World& world, double dt);

// The vessel-frame up direction of a vessel standing on its touchdown points: the unit normal
// (p1 - (p2 + p3)/2) x (p3 - p2) of the points in their order (+y when points that share y are
// ordered so that p1 -> p2 -> p3 turns anticlockwise seen from above, +x right and +z ahead).
VECTOR3 TouchdownUp(const VECTOR3 (&p)[3]);

// A vessel's angular velocity as the simulator states it (VROT, VESSELSTATUS.vrot, the dump):
// positive x turns +z toward +y, positive y turns +z toward -x, as its torque F x r does. The
// physics here turns by the right-hand rule about its own vector, the opposite sense, so every
// value that crosses that boundary changes sign.
inline VECTOR3 HostAngularVelocity(const VECTOR3& internal) { return {-internal.x, -internal.y, -internal.z}; }
inline VECTOR3 InternalAngularVelocity(const VECTOR3& host) { return {-host.x, -host.y, -host.z}; }

// Stands a vessel landed at a place and attitude given in the planet's axes, its global state
// where they are at the date.
void FixToPlanet(VesselRecord& v, const VECTOR3& groundPos, const Mat3& groundRot, double mjd);
// A vessel's position and attitude in the planet's axes at a date: a landed vessel's own, else
// its global state turned into them.
struct PlanetFixed {
    VECTOR3 pos;
    Mat3 rot;
};
PlanetFixed OnPlanet(const VesselRecord& v, double mjd);

double Altitude(const VesselRecord& v);  // over the mean radius [m]
// The ground's distance from the body's centre, and a vessel's height over the ground [m].
double GroundRadius();
double GroundHeight(const VesselRecord& v);
double Airspeed(const VesselRecord& v);
// Rate of change of the distance from the body's centre [m/s].
double VerticalSpeed(const VesselRecord& v);
bool InGroundContact(const VesselRecord& v);
// Thrust [N] a thruster gives at its level at an ambient pressure [Pa].
double ThrusterThrust(double maxThrust, double level, double isp, double ispRef, double pRef, double pressure);

}  // namespace sim
