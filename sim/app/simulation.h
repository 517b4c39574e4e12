// A run of the headless host: a world loaded from a scenario, driven frame by frame with
// the actions of a flight script.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/app/class_check.h"
#include "sim/app/output_file.h"
#include "sim/app/script.h"
#include "sim/app/telemetry.h"
#include "sim/clock.h"
#include "sim/scenario.h"
#include "sim/world.h"

namespace sim {

struct RunLimits {
    std::optional<double> until;  // [s] stop after the first frame whose end reaches it
    std::optional<long> frames;   // stop after this many frames
    double frameDt = 1.0 / 60.0;  // [s] real-time length of one frame
};

// How the world calls its modules and which vessels it gives a visual.
struct HostOptions {
    bool tracing = false;
    Dispatch dispatch = Dispatch::Callbacks;
    Visuals visuals = Visuals::All;
    std::optional<double> groundElevation;  // [m] overrides the scenario's
    bool reuseHandles = false;  // new vessels take the handles of deleted ones (World::reuseHandles)
    // What the telemetry samples: none unless an output asks for it. With the All scope the CSV's
    // rows go to telemetryRows as they are taken; with plot the focus vessel's samples are kept
    // for the plot.
    TelemetryScope telemetry = TelemetryScope::None;
    std::function<void(std::string_view)> telemetryRows;
    bool plot = false;
    // With tracing, each host call goes to onTrace when it is set (World::onTrace).
    std::function<void(const TraceEntry&)> onTrace;
    bool events = true;  // keep the event timeline (for --events and the plot's marks)
};

constexpr double DEFAULT_RUN_LIMIT = SECONDS_PER_DAY;  // [s] a run with no limit ends after one simulated day
// [s] the latest time a run may be asked to reach (--until, render --at): about three years, far
// longer than any flight of these vessels. The highest time acceleration reaches it in 60 000
// frames of the default length; the clock still adds the shortest frame's step (1e-5 s) to within
// a thousandth of it there; and the date, from the latest a scenario may give, stays within the
// range whose turn of the planet is computed to the second. A time far beyond it would never be
// reached: the loop would run without end.
constexpr double MAX_RUN_TIME = 1e8;
constexpr double ATMOSPHERE_TOP = 120000.0;    // [m] above it a vessel no longer counts as flying in atmosphere

class Simulation {
public:
    // Checks the root's class files and the script's vessel names, then loads the scenario into a
    // new world on the given root. Throws InputError, with every mistake found in a class the
    // scenario names, or the first script line that names a vessel the flight can never hold.
    Simulation(const std::filesystem::path& root, const std::filesystem::path& scenarioFile,
               const HostOptions& options = {}, FlightScript script = {});

    World& GetWorld() { return world_; }
    const Scenario& GetScenario() const { return scenario_; }
    void SetScript(FlightScript script) { script_ = std::move(script); }

    // One frame: the script's actions that are due at its start other than keys, the world's step
    // (pre-steps, physics, post-steps, deletions, visuals), then the keyboard: the keys pressed in
    // the frame before come up, and the script's keys that are due go down.
    void Frame(double frameDt);
    // Frames until a limit is reached; without limits, until the script is done and no vessel
    // flies in atmosphere, or one simulated day has passed. Returns the number of frames run.
    long Run(const RunLimits& limits);
    long FramesRun() const { return frames_; }

    std::string SaveText() { return SaveScenario(world_, scenario_); }
    const Telemetry& GetTelemetry() const { return telemetry_; }
    // What the check of the class files found that does not stop the run.
    const ClassCheckReport& ClassCheck() const { return classCheck_; }
    // The vessel that had the focus when the flight began (the scenario's focus, else its first
    // vessel): the plot follows it through the flight, wherever the focus goes. Empty without vessels.
    const std::string& PlottedVessel() const { return plotted_; }
    // The script's saves that could not be written, one message each ("SCRIPT:LINE: save: ...");
    // the flight goes on without them.
    const std::vector<std::string>& FailedSaves() const { return failedSaves_; }

private:
    // The actions due now: the keys, or every other action.
    void RunDueActions(bool keys);
    void Carry(ScriptAction& a);
    // A key combination's events for the focus vessel: the modifiers and then the letter going
    // down, or the letter and then the modifiers coming up; a timeline line with the letter's answer.
    void PressKeys(VesselRecord& v, const KeyCombo& combo);
    void ReleaseKeys();
    bool AnyVesselInAtmosphere() const;

    Scenario scenario_;
    ClassCheckReport classCheck_;
    World world_;
    FlightScript script_;
    Telemetry telemetry_;
    long frames_ = 0;
    std::string plotted_;
    std::vector<KeyCombo> held_;  // pressed in the last frame: they come up in the next
    std::vector<std::string> failedSaves_;
};

}  // namespace sim
