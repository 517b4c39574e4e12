// Telemetry of a run: samples of every vessel over time, written as CSV and plotted with
// gnuplot.
#pragma once

#include <filesystem>
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

class Telemetry {
public:
    static constexpr double SAMPLE_INTERVAL = 0.1;  // [s] of simulation time at the most

    // Samples every vessel when the interval has passed since the last sample (or force).
    void Sample(const World& world, bool force = false);
    std::string Csv() const;
    const std::vector<TelemetrySample>& Samples() const { return samples_; }

private:
    std::vector<TelemetrySample> samples_;
    double lastSample_ = -1e300;
};

// Writes a PNG of altitude and speeds over time for one vessel, its events marked. Throws
// std::runtime_error when gnuplot cannot make it.
void PlotTelemetry(const Telemetry& telemetry, const World& world, const std::string& vessel,
                   const std::filesystem::path& png);

}  // namespace sim
