#include "sim/app/telemetry.h"

#include "sim/clock.h"
#include "sim/physics.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

void Telemetry::Sample(const World& world, const std::string& focus, bool force) {
    if (scope_ == TelemetryScope::None) return;
    const double now = world.SimTime();
    if (!force && now - lastSample_ < SAMPLE_INTERVAL - TIME_TOLERANCE) return;
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
    // Appended in place: a flight has tens of thousands of rows.
    for (const auto& s : samples_) {
        AppendFixed(out, s.time, 3);
        out += ',';
        out += s.vessel;
        for (double value : {s.altitude, s.airspeed, s.verticalSpeed, s.mass}) {
            out += ',';
            AppendFixed(out, value, 3);
        }
        out += ',';
        out += s.status;
        out += ',';
        out += FormatDouble(s.size);
        out += ',';
        out += s.mesh;
        out += '\n';
    }
    return out;
}

}  // namespace sim
