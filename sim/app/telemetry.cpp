#include "sim/app/telemetry.h"

#include <algorithm>
#include <stdexcept>

#include "sim/clock.h"
#include "sim/physics.h"
#include "sim/platform.h"
#include "sim/text.h"
#include "sim/world.h"

namespace sim {

SampleTrack::~SampleTrack() {
    if (file_) std::fclose(file_);
}

void SampleTrack::Add(const TelemetrySample& s) {
    if (failed_) return;
    if (!file_) {
        // Removed by the system when the process ends, however it ends.
        file_ = platform::OpenTemporaryFile();
        if (!file_) {
            failed_ = true;
            return;
        }
    }
    const auto index = static_cast<std::uint32_t>(std::find(names_.begin(), names_.end(), s.vessel) - names_.begin());
    if (index == names_.size()) names_.push_back(s.vessel);
    const Record r{s.time, s.altitude, s.airspeed, s.verticalSpeed, index};
    if (std::fwrite(&r, sizeof r, 1, file_) != 1) failed_ = true;
    else ++count_;
}

void SampleTrack::ForEach(const std::function<void(const TelemetrySample&)>& f) const {
    if (failed_ || (file_ && (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0)))
        throw std::runtime_error("the plot's samples could not be kept in a temporary file (is the temporary folder full?)");
    TelemetrySample s{0, "", 0, 0, 0, 0, "", 0, ""};
    Record r{};
    for (long i = 0; i < count_; ++i) {
        if (std::fread(&r, sizeof r, 1, file_) != 1)
            throw std::runtime_error("the plot's samples could not be read back from their temporary file");
        s.time = r.time;
        s.vessel = names_[r.vessel];
        s.altitude = r.altitude;
        s.airspeed = r.airspeed;
        s.verticalSpeed = r.verticalSpeed;
        f(s);
    }
    // Later samples go after the last one read.
    if (file_) std::fseek(file_, 0, SEEK_END);
}

Telemetry::Telemetry(TelemetryScope scope, std::function<void(std::string_view)> csvSink, bool plot)
    : scope_(scope), csvSink_(std::move(csvSink)), plot_(plot || scope == TelemetryScope::Focus) {
    if (scope_ == TelemetryScope::All && csvSink_) csvSink_(CSV_HEADER);
}

void Telemetry::AppendCsvRow(std::string& out, const TelemetrySample& s) {
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

void Telemetry::Sample(const World& world, const std::string& focus, bool force) {
    if (scope_ == TelemetryScope::None) return;
    const double now = world.SimTime();
    if (!force && now - lastSample_ < SAMPLE_INTERVAL - TIME_TOLERANCE) return;
    lastSample_ = now;
    for (const auto& v : world.Vessels()) {
        const bool isFocus = v->name == focus;
        if (scope_ == TelemetryScope::Focus && !isFocus) continue;
        const std::string mesh = v->def.meshes.empty() || !v->def.meshes[0].data ? "" : v->def.meshes[0].file;
        const TelemetrySample s{now, v->name, GroundHeight(*v), Airspeed(*v), VerticalSpeed(*v), v->Mass(),
                                v->landed ? "landed" : "flying", v->def.size, mesh};
        ++rows_;
        if (plot_ && isFocus) track_.Add(s);
        if (scope_ == TelemetryScope::All && csvSink_) {
            row_.clear();
            AppendCsvRow(row_, s);
            csvSink_(row_);
        }
    }
}

}  // namespace sim
