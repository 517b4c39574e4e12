#include "telemetry.h"

#include "../physics.h"
#include "../text.h"
#include "../world.h"

namespace sim {

void Telemetry::Sample(const World& world, const std::string& focus, bool force) {
    if (scope_ == TelemetryScope::None) return;
    const double now = world.SimTime();
    if (!force && now - lastSample_ < SAMPLE_INTERVAL - 1e-9) return;
    lastSample_ = now;
    for (const auto& v : world.Vessels()) {
        if (scope_ == TelemetryScope::Focus && v->name != focus) continue;
        const std::string mesh = v->def.meshes.empty() || !v->def.meshes[0].data ? "" : v->def.meshes[0].file;
        samples_.push_back(TelemetrySample{now, v->name, GroundHeight(*v), Airspeed(*v), VerticalSpeed(*v), v->Mass(),
                                           v->landed ? "landed" : "flying", v->def.size, mesh});
    }
}

std::string Telemetry::Csv() const {
    std::string out = "time,vessel,altitude,airspeed,vertical_speed,mass,status,size,mesh\n";
    for (const auto& s : samples_)
        out += FormatFixed(s.time, 3) + "," + s.vessel + "," + FormatFixed(s.altitude, 3) + "," +
               FormatFixed(s.airspeed, 3) + "," + FormatFixed(s.verticalSpeed, 3) + "," + FormatFixed(s.mass, 3) + "," +
               s.status + "," + FormatDouble(s.size) + "," + s.mesh + "\n";
    return out;
}

}  // namespace sim
