// The cap on the time acceleration that keeps the descent sequence from being stepped over.
#include "spacecraft/time_acceleration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "spacecraft/talvek_vessel.h"

namespace {

constexpr double EARTH_GM = 3.986004e14;  // [m^3/s^2], the planet the descent is made for
// Above this height over the ground the air does not slow a capsule within an orbit; a capsule
// whose orbit stays above it waits for no height of the sequence.
constexpr double ATMOSPHERE_TOP = 120000;  // [m]
// A frame may take the capsule at most this share of the least time it needs to fall to the
// height where the sequence acts next: the rest allows for frames of uneven length.
constexpr double STEP_SHARE = 0.5;
// The sequence aims this far past each of its heights, so that the last frames before a height
// stay a few tenths of a second long instead of ever shorter: the sequence then acts within
// about half of it past the height.
constexpr double HEIGHT_MARGIN = 200;  // [m]
constexpr double REAL_TIME = 1;  // the time acceleration of real time

double Dot(const VECTOR3& a, const VECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

VECTOR3 Cross(const VECTOR3& a, const VECTOR3& b) {
    return VECTOR3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

const char* NextEventName(std::int16_t configuration) {
    switch (configuration) {
        case CONFIG_DESCENT:
            return "the drogue";
        case CONFIG_DROGUE:
            return "the main parachute";
        default:
            return "the landing";
    }
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

void TalvekVessel::CapTimeAccelerationBeforeNextEvent() {
    const double acceleration = oapiGetTimeAcceleration();
    const double step = oapiGetSimStep();  // of the frame just run
    if (!(acceleration > REAL_TIME) || !(step > 0)) return;
    const double height = GetAltitude(ALTMODE_GROUND);
    const std::optional<double> next = sequencer.NextEventHeight(height);
    if (!next) return;
    VESSELSTATUS status;
    GetStatus(status);
    const double radius = std::sqrt(Dot(status.rpos, status.rpos));
    const double groundRadius = radius - height;
    if (!(radius > 0) || !(groundRadius > 0)) return;
    if (height > ATMOSPHERE_TOP &&
        OrbitStaysAbove(status.rpos, status.rvel, groundRadius + ATMOSPHERE_TOP, EARTH_GM))
        return;
    const double descentRate = -Dot(status.rpos, status.rvel) / radius;
    // Nowhere above the ground does the planet pull harder than at the ground.
    const double gravity = EARTH_GM / (groundRadius * groundRadius);
    const double allowedStep = STEP_SHARE * LeastFallTime(height - (*next - HEIGHT_MARGIN), descentRate, gravity);
    const double capped = TimeAccelerationWithin(allowedStep, step / acceleration);
    if (!(capped < acceleration)) return;
    oapiSetTimeAcceleration(capped);
    char factor[32];
    std::snprintf(factor, sizeof factor, "%.0f", capped);
    LogEvent(std::string("time acceleration capped at x") + factor + " before " + NextEventName(sequencer.configuration));
}
