// talvek-sim: the headless host's command line.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>

#include "../errors.h"
#include "../planet.h"
#include "../text.h"
#include "dump.h"
#include "plot.h"
#include "reports.h"
#include "simulation.h"
#include "telemetry.h"

#ifndef TALVEK_DEFAULT_ROOT
#define TALVEK_DEFAULT_ROOT "root"
#endif

namespace fs = std::filesystem;

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_INTERNAL = 1;
constexpr double MAX_FRAME_DT = 60.0;  // [s] of real time in one frame
constexpr double MIN_FRAME_DT = 0.0001;  // [s], as the message says; shorter frames would make a run without end

struct RunArgs {
    std::string scenario;
    std::string root = TALVEK_DEFAULT_ROOT;
    std::string script, save, dump, trace, telemetry, plot, log;
    std::optional<double> until;
    std::optional<long> frames;
    double frameDt = 1.0 / 60.0;
    bool events = false;
    bool reuseHandles = false;
    bool strict = false;
    std::string entryPoints = "callbacks";
    std::string visuals = "all";
    std::optional<double> groundElevation;
};

fs::path Absolute(const fs::path& start, const std::string& p) { return p.empty() ? fs::path() : start / p; }

// SCENARIO: absolute, relative to the starting folder, or relative to ROOT/Scenarios.
fs::path FindScenario(const fs::path& start, const fs::path& root, const std::string& name) {
    std::error_code ignored;  // a name too long for the file system is a scenario that is not there
    const fs::path direct = start / name;
    if (fs::is_regular_file(direct, ignored)) return direct;
    const fs::path inRoot = root / "Scenarios" / name;
    if (fs::is_regular_file(inRoot, ignored)) return inRoot;
    if (fs::is_regular_file(fs::path(inRoot).concat(".scn"), ignored)) return fs::path(inRoot).concat(".scn");
    throw sim::InputError(name + ": no such scenario (looked in " + start.string() + " and " +
                          (root / "Scenarios").string() + ")");
}

int Run(const RunArgs& args) {
    const fs::path start = fs::current_path();
    const fs::path root = fs::absolute(Absolute(start, args.root)).lexically_normal();
    if (!fs::is_directory(root / "Config"))
        throw sim::InputError(args.root + ": not a host root (it has no Config folder); give --root the folder that "
                                          "holds Config, Meshes, Modules and Scenarios");
    if (!(args.frameDt >= MIN_FRAME_DT) || args.frameDt > MAX_FRAME_DT)
        throw sim::InputError("--frame-dt: the frame length must be above 0, from 0.0001 to " +
                              sim::FormatDouble(MAX_FRAME_DT) + " seconds");
    for (const auto& [option, value] : {std::pair{"SCENARIO", &args.scenario}, {"--root", &args.root},
                                        {"--script", &args.script}, {"--save", &args.save}, {"--dump", &args.dump},
                                        {"--trace", &args.trace}, {"--telemetry", &args.telemetry}, {"--plot", &args.plot}, {"--log", &args.log}})
        if (const std::string problem = sim::PathLengthProblem(*value); !problem.empty())
            throw sim::InputError(std::string(option) + ": " + problem);
    if (args.groundElevation && !(*args.groundElevation >= sim::MIN_GROUND_ELEVATION &&
                                  *args.groundElevation <= sim::MAX_GROUND_ELEVATION))
        throw sim::InputError("--ground-elevation: the ground's height over the mean radius must be within -420..9000 m");
    if (args.until && !std::isfinite(*args.until))
        throw sim::InputError("--until: give a simulation time in seconds, 0 or more");
    // Outputs are checked before the run, so that a long run does not end in a path that fails.
    for (const std::string* out : {&args.save, &args.dump, &args.trace, &args.telemetry, &args.plot, &args.log}) {
        if (out->empty()) continue;
        const fs::path folder = Absolute(start, *out).parent_path();
        if (!fs::is_directory(folder))
            throw sim::InputError(*out + ": cannot be written; its folder " + folder.string() + " does not exist");
    }
    const fs::path scenario = FindScenario(start, root, args.scenario);
    sim::FlightScript script;
    if (!args.script.empty()) script = sim::ReadScriptFile(Absolute(start, args.script), start);
    // A script's saves are outputs too: a missing folder is found now, not when the save falls due.
    for (const sim::ScriptAction& a : script.actions)
        if (std::error_code ignored;
            a.kind == sim::ScriptAction::Kind::SAVE && !fs::is_directory(a.file.parent_path(), ignored))
            throw sim::InputError(sim::Where(script.file, a.line,
                                             "save: " + a.file.string() + " cannot be written; its folder " +
                                                 a.file.parent_path().string() + " does not exist"));

    // The host runs with its root as the working folder, as modules expect.
    fs::current_path(root);
    sim::HostOptions options;
    options.tracing = !args.trace.empty();
    options.dispatch = args.entryPoints == "legacy" ? sim::Dispatch::EntryPoints : sim::Dispatch::Callbacks;
    options.visuals = args.visuals == "none"    ? sim::Visuals::None
                      : args.visuals == "focus" ? sim::Visuals::Focus
                                                : sim::Visuals::All;
    options.telemetry = !args.telemetry.empty() ? sim::TelemetryScope::All
                        : !args.plot.empty()    ? sim::TelemetryScope::Focus
                                                : sim::TelemetryScope::None;
    options.events = args.events || !args.plot.empty() || !args.log.empty() || args.strict;
    options.groundElevation = args.groundElevation;
    options.reuseHandles = args.reuseHandles;
    sim::Simulation simulation(root, scenario, options);
    for (const std::string& w : simulation.ClassCheck().warnings) std::cerr << "talvek-sim: warning: " << w << "\n";
    simulation.SetScript(std::move(script));
    // An input error found during the flight (a class file read only when its vessel is created)
    // still leaves the flight so far in every output asked for.
    long frames = 0;
    std::optional<std::string> failure;
    try {
        frames = simulation.Run(sim::RunLimits{args.until, args.frames, args.frameDt});
    } catch (const sim::InputError& e) {
        failure = e.what();
        frames = simulation.FramesRun();
    }
    sim::World& world = simulation.GetWorld();

    auto writeOutputs = [&] {
        if (!args.save.empty()) sim::WriteTextFile(Absolute(start, args.save), simulation.SaveText());
        if (!args.dump.empty()) sim::WriteTextFile(Absolute(start, args.dump), sim::DumpWorld(world).dump(2) + "\n");
        if (!args.trace.empty()) sim::WriteTextFile(Absolute(start, args.trace), sim::TraceText(world));
        if (!args.telemetry.empty())
            sim::WriteTextFile(Absolute(start, args.telemetry), simulation.GetTelemetry().Csv());
        if (!args.plot.empty())
            sim::PlotTelemetry(simulation.GetTelemetry(), world, simulation.FocusVessel(), Absolute(start, args.plot));
        if (!args.log.empty()) sim::WriteTextFile(Absolute(start, args.log), sim::LogText(world));
        if (args.events) std::cout << sim::EventsText(world);
        std::cout << "talvek-sim: " << frames << " frames, " << sim::FormatFixed(world.SimTime(), 2) << " s simulated, "
                  << world.Vessels().size() << " vessels\n"
                  << sim::SummaryText(world);
    };
    if (failure) {
        try {
            writeOutputs();
        } catch (const std::exception&) {
            // The run's own error is the one to report.
        }
        throw sim::InputError(*failure + "\n(the run stopped at " + sim::FormatFixed(world.SimTime(), 2) +
                              " s; the outputs asked for hold the flight up to there)");
    }
    writeOutputs();
    if (args.strict) {
        const std::string unread = sim::UnreadLines(world);
        if (!unread.empty())
            std::cerr << "talvek-sim: --strict: a module could not read these lines whole (see the log lines above):\n"
                      << unread;
        if (simulation.ClassCheck().warnedAboutNamedClass)
            std::cerr << "talvek-sim: --strict: the warnings above concern classes this scenario names\n";
        if (!unread.empty() || simulation.ClassCheck().warnedAboutNamedClass) return EXIT_BAD_INPUT;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"talvek-sim: the headless host for the Talvek vessel module"};
    app.require_subcommand(1);
    RunArgs args;
    CLI::App* run = app.add_subcommand("run", "load a scenario, simulate it and report");
    run->add_option("SCENARIO", args.scenario, "scenario file")->required();
    run->add_option("--root", args.root, "host root (default: the root assembled by the build)");
    run->add_option("--script", args.script, "flight script");
    run->add_option("--until", args.until, "stop at this simulation time [s]")->check(CLI::NonNegativeNumber);
    run->add_option("--frames", args.frames, "stop after N frames")
        ->check(CLI::Validator(
            [](const std::string& text) {
                long n;
                return sim::ParseLong(text, n) && n >= 0 ? std::string() : "expects a whole number of frames, 0 or more";
            },
            "N>=0"));
    run->add_option("--frame-dt", args.frameDt, "real-time length of one frame [s] (default 1/60)");
    run->add_option("--save", args.save, "write the scenario as it stands at the end");
    run->add_option("--dump", args.dump, "write the host's record of every vessel as JSON");
    run->add_option("--trace", args.trace, "write the trace of host calls");
    run->add_option("--telemetry", args.telemetry, "write altitude, speeds and mass over time as CSV");
    run->add_option("--plot", args.plot, "write a PNG of altitude and speeds of the focus vessel, events marked");
    run->add_flag("--events", args.events, "print the event timeline");
    run->add_option("--log", args.log, "write the modules' log lines, with time and vessel");
    run->add_flag("--strict", args.strict,
                  "exit with status 2 after the run when a module reported a scenario line it could not read whole");
    run->add_flag("--reuse-handles", args.reuseHandles,
                  "give new vessels the handles of deleted ones, as the simulator may (default: never reused)");
    run->add_option("--entry-points", args.entryPoints,
                    "how modules are called: callbacks (ovcInit/ovcExit and the VESSEL2 callbacks, as the "
                    "current simulator; default) or legacy (the eight exported entry points of older hosts)")
        ->check(CLI::IsMember({"callbacks", "legacy"}));
    run->add_option("--ground-elevation", args.groundElevation,
                    "the ground's height over the mean radius everywhere [m] (default: the scenario's, else 0)");
    run->add_option("--visuals", args.visuals,
                    "which vessels get a visual: all (default, as if every vessel were in view), focus (the "
                    "focus vessel only) or none")
        ->check(CLI::IsMember({"all", "focus", "none"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return EXIT_BAD_INPUT;
    }
    try {
        return Run(args);
    } catch (const sim::InputError& e) {
        std::cerr << e.what() << "\n";
        return EXIT_BAD_INPUT;
    } catch (const std::exception& e) {
        std::cerr << "talvek-sim: internal failure: " << e.what() << "\n";
        return EXIT_INTERNAL;
    }
}
