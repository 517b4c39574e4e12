// Telemetry of a run: samples of every vessel over time, written as CSV (and plotted, plot.h).
#pragma once

#include <string>
#include <vector>

namespace sim {

class World;

struct TelemetrySample {
    double time;           // [s]
    std::string vessel;
    double altitude;       // [m]
    double airspeed;       // [m/s]
    double verticalSpeed;  // [m/s]
    double mass;           // [kg]
    std::string status;    // flying or landed
    double size;           // [m]
    std::string mesh;      // the vessel's first mesh, which tells its configuration
};

// Which vessels are sampled: what the requested outputs use, and nothing when none is requested,
// so that a long run without outputs keeps no samples at all.
enum class TelemetryScope {
    None,   // no output needs samples
    Focus,  // the plot: only the focus vessel
    All,    // the CSV: every vessel
};

class Telemetry {
public:
    static constexpr double SAMPLE_INTERVAL = 0.1;  // [s] of simulation time at the most

    explicit Telemetry(TelemetryScope scope = TelemetryScope::None) : scope_(scope) {}
    TelemetryScope Scope() const { return scope_; }

    // Samples the vessels of the scope when the interval has passed since the last sample (or
    // force); with the focus scope only the vessel named focus.
    void Sample(const World& world, const std::string& focus, bool force = false);
    std::string Csv() const;
    const std::vector<TelemetrySample>& Samples() const { return samples_; }

private:
    TelemetryScope scope_;
    std::vector<TelemetrySample> samples_;
    double lastSample_ = -1e300;
};

}  // namespace sim
