// Telemetry of a run: samples of every vessel over time, written as CSV (and plotted, plot.h).
// Nothing of it grows in memory with the flight: the CSV's rows go out as they are taken, and
// the plot's samples wait in a temporary file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
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
// so that a long run without outputs takes no samples at all.
enum class TelemetryScope {
    None,   // no output needs samples
    Focus,  // the plot: only the focus vessel
    All,    // the CSV: every vessel
};

// The samples the plot draws (time, vessel, altitude, airspeed, vertical speed), kept in a
// temporary file that goes with the process, and read back in the order they were added.
class SampleTrack {
public:
    SampleTrack() = default;
    ~SampleTrack();
    SampleTrack(const SampleTrack&) = delete;
    SampleTrack& operator=(const SampleTrack&) = delete;

    void Add(const TelemetrySample& s);
    // Calls f with each sample (its mass, status, size and mesh left empty). Throws
    // std::runtime_error when the temporary file could not be written or read.
    void ForEach(const std::function<void(const TelemetrySample&)>& f) const;
    long Size() const { return count_; }

private:
    struct Record {
        double time, altitude, airspeed, verticalSpeed;
        std::uint32_t vessel;  // index into names_
    };
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    long count_ = 0;
    std::vector<std::string> names_;  // the few vessels that have been the focus
};

class Telemetry {
public:
    static constexpr double SAMPLE_INTERVAL = 0.1;  // [s] of simulation time at the most

    // With the All scope each row of the CSV goes to csvSink as it is taken, the header first;
    // with a plot the focus vessel's samples go to the track.
    explicit Telemetry(TelemetryScope scope = TelemetryScope::None,
                       std::function<void(std::string_view)> csvSink = nullptr, bool plot = false);
    TelemetryScope Scope() const { return scope_; }

    // Samples the vessels of the scope when the interval has passed since the last sample (or
    // force); with the focus scope only the vessel named focus.
    void Sample(const World& world, const std::string& focus, bool force = false);
    // Rows taken so far, one per vessel and sampling time.
    long Rows() const { return rows_; }
    const SampleTrack& Track() const { return track_; }

    static constexpr const char* CSV_HEADER = "time,vessel,altitude,airspeed,vertical_speed,mass,status,size,mesh\n";
    // One row of the CSV, its line end included.
    static void AppendCsvRow(std::string& out, const TelemetrySample& s);

private:
    TelemetryScope scope_;
    std::function<void(std::string_view)> csvSink_;
    bool plot_;
    SampleTrack track_;
    std::string row_;  // reused for each row
    long rows_ = 0;
    double lastSample_ = -1e300;
};

}  // namespace sim
