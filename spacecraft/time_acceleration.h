// How fast time may run while the descent sequence waits for its next height: the module looks
// at the capsule once a frame, so a frame must not carry it past the height where the sequence
// acts next (the drogue's, the main parachute's, the landing's).
#pragma once

#include "host/orbiter.h"

// The least time [s] a capsule `distance` metres above a height needs to fall to it, moving
// down at `descentRate` [m/s] (negative while it climbs), when nothing pulls it down harder than
// `gravity` [m/s^2]: the air and the speed across the ground only slow the fall.
double LeastFallTime(double distance, double descentRate, double gravity);

// The time acceleration for frames of `frameSeconds` of real time that keeps a frame within
// `allowedStep` seconds of simulated time: a power of ten, so that the user sees whole steps,
// and never below 1 (real time).
double TimeAccelerationWithin(double allowedStep, double frameSeconds);

// True when the orbit of a body at `position` with `velocity` [m, m/s; from the planet's centre,
// non-rotating] never comes closer than `radius` [m] to the centre, with the planet's
// gravitational parameter `gm` [m^3/s^2]: its periapsis lies that high or higher.
bool OrbitStaysAbove(const VECTOR3& position, const VECTOR3& velocity, double radius, double gm);
