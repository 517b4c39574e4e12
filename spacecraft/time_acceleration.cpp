// The arithmetic of the cap on the time acceleration that keeps the descent sequence from being
// stepped over.
#include "spacecraft/time_acceleration.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double REAL_TIME = 1;  // the time acceleration of real time

double Dot(const VECTOR3& a, const VECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

VECTOR3 Cross(const VECTOR3& a, const VECTOR3& b) {
    return VECTOR3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

double LeastFallTime(double distance, double descentRate, double gravity) {
    if (!(distance > 0)) return 0;
    if (!(gravity > 0)) return descentRate > 0 ? distance / descentRate : std::numeric_limits<double>::infinity();
    // distance = descentRate t + gravity t^2 / 2, solved for t > 0.
    return (std::sqrt(descentRate * descentRate + 2 * gravity * distance) - descentRate) / gravity;
}

double TimeAccelerationWithin(double allowedStep, double frameSeconds) {
    if (!(frameSeconds > 0) || !(allowedStep > frameSeconds)) return REAL_TIME;
    return std::pow(10.0, std::floor(std::log10(allowedStep / frameSeconds)));
}

bool OrbitStaysAbove(const VECTOR3& position, const VECTOR3& velocity, double radius, double gm) {
    const double r = std::sqrt(Dot(position, position));
    if (!(r > radius) || !(gm > 0)) return false;
    const double energy = Dot(velocity, velocity) / 2 - gm / r;
    // Leaving the planet for good, or climbing away on an open path, it does not come back.
    if (energy >= 0) return Dot(position, velocity) >= 0;
    const VECTOR3 h = Cross(position, velocity);
    const double h2 = Dot(h, h);
    const double eccentricity = std::sqrt(std::max(0.0, 1 + 2 * energy * h2 / (gm * gm)));
    return h2 / (gm * (1 + eccentricity)) >= radius;
}
