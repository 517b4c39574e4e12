#include "sim/app/reports.h"

#include <cmath>

#include "sim/mathx.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

std::string EventsText(const World& world) {
    std::string out;
    for (const auto& e : world.events) out += FormatFixed(e.time, 2) + " " + e.vessel + " " + e.what + "\n";
    return out;
}

namespace {

std::string Degrees(double radians, const char* positive, const char* negative) {
    const double degrees = radians * 180 / 3.14159265358979323846;
    const std::string shown = FormatFixed(std::fabs(degrees), 4);
    // A value that shows as zero takes no side.
    return shown + (degrees >= 0 || shown.find_first_not_of("0.") == std::string::npos ? positive : negative);
}

std::string Place(const World& world, const VesselRecord& v) {
    if (v.landed) {
        double lon, lat;
        LonLatOnPlanet(OnPlanet(v, world.Mjd()).pos, lon, lat);
        return "landed at " + Degrees(lon, " E", " W") + ", " + Degrees(lat, " N", " S");
    }
    const double r = Length(v.pos), speed = Length(v.vel);
    const double energy = speed * speed / 2 - EARTH_GM / r;
    const double h = Length(Cross(v.pos, v.vel));
    if (energy < 0 && r > 0) {
        const double a = -EARTH_GM / (2 * energy);
        const double e = std::sqrt(std::max(0.0, 1 + 2 * energy * h * h / (EARTH_GM * EARTH_GM)));
        const double periapsis = a * (1 - e) - EARTH_RADIUS;
        if (periapsis > 0)
            return "in orbit, apoapsis " + FormatFixed((a * (1 + e) - EARTH_RADIUS) / 1000, 1) + " km, periapsis " +
                   FormatFixed(periapsis / 1000, 1) + " km";
    }
    return "in flight " + FormatFixed(GroundHeight(v), 0) + " m over the ground at " + FormatFixed(Airspeed(v), 1) +
           " m/s";
}

// Time in each flight configuration, from the module's log lines that name the one entered. Each
// step goes one configuration on, so the one before the first line is the number before it.
std::string ConfigurationTimes(const World& world, const VesselRecord& v) {
    const auto& entered = v.flightLog.configurations;
    if (entered.empty()) return "";
    std::string out = "; time in configuration";
    double from = v.flightLog.createdAt;
    int current = entered.front().second - 1;
    auto add = [&](double until) {
        if (current >= 0) out += " " + std::to_string(current) + ": " + FormatFixed(until - from, 2) + " s,";
    };
    for (const auto& [time, configuration] : entered) {
        add(time);
        from = time;
        current = configuration;
    }
    add(world.SimTime());
    out.pop_back();
    return out;
}

}  // namespace

std::string SummaryText(const World& world) {
    std::string out;
    for (const auto& owned : world.Vessels()) {
        const VesselRecord& v = *owned;
        const auto& log = v.flightLog;
        out += "  " + v.name + " (" + v.ClassName() + "): " + Place(world, v);
        if (log.touchdowns > 0) {
            out += "; " + std::to_string(log.touchdowns) + (log.touchdowns == 1 ? " touchdown " : " touchdowns, first ") +
                   FormatFixed(log.firstTouchdown, 2) + " m/s";
            if (log.touchdowns > 1) out += ", last " + FormatFixed(log.lastTouchdown, 2) + " m/s";
        }
        double used = 0;
        std::string perTank;
        for (const auto& tank : log.propellantUsed) {
            used += tank.used;
            perTank += (perTank.empty() ? "" : ", ") + FormatFixed(tank.used, 1);
        }
        out += "; peak load " + FormatFixed(log.peakLoad, 1) + " g; propellant used " + FormatFixed(used, 1) + " kg";
        if (log.propellantUsed.size() > 1) out += " (by tank " + perTank + ")";
        out += ConfigurationTimes(world, v) + "\n";
    }
    return out;
}

std::string LogText(const World& world) {
    std::string out;
    for (const auto& e : world.events)
        if (e.what.rfind("log ", 0) == 0) out += FormatFixed(e.time, 2) + " " + e.vessel + " " + e.what.substr(4) + "\n";
    return out;
}

std::string UnreadLines(const World& world) {
    std::string out;
    for (const auto& e : world.events)
        if (e.what.rfind("log payload line ", 0) == 0 || e.what.rfind("log scenario line ", 0) == 0 ||
            e.what.find(" has no ENDSTAGE") != std::string::npos)
            out += FormatFixed(e.time, 2) + " " + e.vessel + " " + e.what.substr(4) + "\n";
    return out;
}

std::string TraceText(const World& world) {
    std::string out;
    for (const auto& t : world.trace) out += TraceLine(t);
    return out;
}

std::string TraceLine(const TraceEntry& t) {
    return (t.vessel.empty() ? "-" : t.vessel) + " " + t.call + "(" + t.args + ")\n";
}

}  // namespace sim
