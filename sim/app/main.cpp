// talvek-sim: the headless host's command line.
#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <utility>
#include <vector>

#include "sim/app/dump.h"
#include "sim/app/output_file.h"
#include "sim/app/plot.h"
#include "sim/app/render.h"
#include "sim/app/reports.h"
#include "sim/app/script.h"
#include "sim/app/simulation.h"
#include "sim/app/telemetry.h"
#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/planet.h"
#include "sim/platform.h"
#include "sim/text.h"

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

struct RenderArgs {
    std::string scenario;
    std::string root = TALVEK_DEFAULT_ROOT;
    std::string vessel, script, out;
    double at = 0.0;  // [s] simulation time of the picture
    std::string size = "1600x1200";
};

fs::path Absolute(const fs::path& start, const std::string& p) {
    return p.empty() ? fs::path() : start / sim::platform::PathFromUtf8(p);
}

// SCENARIO: absolute, relative to the starting folder, or relative to ROOT/Scenarios.
fs::path FindScenario(const fs::path& start, const fs::path& root, const std::string& name) {
    std::error_code ignored;  // a name too long for the file system is a scenario that is not there
    const fs::path direct = Absolute(start, name);
    if (fs::is_regular_file(direct, ignored)) return direct;
    const fs::path inRoot = root / "Scenarios" / sim::platform::PathFromUtf8(name);
    if (fs::is_regular_file(inRoot, ignored)) return inRoot;
    if (fs::is_regular_file(fs::path(inRoot).concat(".scn"), ignored)) return fs::path(inRoot).concat(".scn");
    throw sim::InputError(name + ": no such scenario (looked in " + start.string() + " and " +
                          (root / "Scenarios").string() + ")");
}

// --root made absolute; it must hold a Config folder (its name in any case, as the host finds it).
fs::path HostRoot(const fs::path& start, const std::string& rootArg) {
    const fs::path root = fs::absolute(Absolute(start, rootArg)).lexically_normal();
    if (sim::RootFiles(root).FindAll("Config", file_case::Kind::Folder).empty())
        throw sim::InputError(rootArg + ": not a host root (it has no Config folder); give --root the folder that "
                                        "holds Config, Meshes, Modules and Scenarios");
    return root;
}

void CheckPathLengths(std::initializer_list<std::pair<const char*, const std::string*>> paths) {
    for (const auto& [option, value] : paths)
        if (const std::string problem = sim::PathLengthProblem(*value); !problem.empty())
            throw sim::InputError(std::string(option) + ": " + problem);
}

// Outputs are checked before the run, so that a long run does not end in a path that fails.
void CheckOutputFolder(const fs::path& start, const std::string& out) {
    if (out.empty()) return;
    const fs::path folder = Absolute(start, out).parent_path();
    if (!fs::is_directory(folder))
        throw sim::InputError(out + ": cannot be written; its folder " + folder.string() + " does not exist");
}

// A file the run reads or writes, with the name the user gave it by.
struct NamedFile {
    std::string name;  // "--save", "the scenario this run reads", "s.txt:3: save"
    fs::path path;     // absolute
    std::string shown;  // as the user wrote it
};

// Every output its own file, and none the run's own input: a save over the scenario or the
// script, or two outputs in one file, would leave only the last one written. The same file is
// found through any spelling of its path ("./x", "dir/../x", a link). Devices and pipes (such as
// /dev/null) are written in place and may take several outputs.
void CheckOutputTargets(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs) {
    auto shareable = [](const fs::path& p) {
        std::error_code ignored;
        const fs::file_status st = fs::status(p, ignored);
        return fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st);
    };
    for (size_t i = 0; i < outputs.size(); ++i) {
        const NamedFile& out = outputs[i];
        if (std::error_code ignored; fs::is_directory(out.path, ignored))
            throw sim::InputError(out.name + ": " + out.shown + " is a folder; give a file to write");
        for (const NamedFile& in : inputs)
            if (sim::SameFile(out.path, in.path))
                throw sim::InputError(out.name + ": " + out.shown + " is " + in.name +
                                      "; give the output a file of its own");
        for (size_t j = 0; j < i; ++j)
            if (!shareable(out.path) && sim::SameFile(out.path, outputs[j].path))
                throw sim::InputError(out.name + ": " + out.shown + " is also the file of " + outputs[j].name +
                                      "; give each output a file of its own");
    }
}

// The outputs named on the command line and the script's saves, against the scenario, the
// script and each other.
void CheckOutputs(std::vector<NamedFile> outputs, const sim::FlightScript& script, const fs::path& start,
                  const fs::path& scenario, const std::string& scenarioArg, const std::string& scriptArg) {
    for (const sim::ScriptAction& a : script.actions)
        if (a.kind == sim::ScriptAction::Kind::SAVE)
            outputs.push_back({sim::Where(script.file, a.line, "save"), a.file, a.file.string()});
    std::vector<NamedFile> inputs{{"the scenario this run reads", scenario, scenarioArg}};
    if (!scriptArg.empty()) inputs.push_back({"the flight script (--script)", Absolute(start, scriptArg), scriptArg});
    CheckOutputTargets(outputs, inputs);
}

// The flight script, if one is given; its saves are outputs too, so a missing folder is found
// now, not when the save falls due.
sim::FlightScript LoadScript(const fs::path& start, const std::string& file) {
    sim::FlightScript script;
    if (file.empty()) return script;
    script = sim::ReadScriptFile(Absolute(start, file), start);
    for (const sim::ScriptAction& a : script.actions)
        if (std::error_code ignored;
            a.kind == sim::ScriptAction::Kind::SAVE && !fs::is_directory(a.file.parent_path(), ignored))
            throw sim::InputError(sim::Where(script.file, a.line,
                                             "save: " + a.file.string() + " cannot be written; its folder " +
                                                 a.file.parent_path().string() + " does not exist"));
    return script;
}

// "1 vessel", "4 vessels".
std::string Counted(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void PrintClassWarnings(const sim::Simulation& simulation) {
    for (const std::string& w : simulation.ClassCheck().warnings) std::cerr << "talvek-sim: warning: " << w << "\n";
}

int Run(const RunArgs& args) {
    const fs::path start = fs::current_path();
    const fs::path root = HostRoot(start, args.root);
    if (!(args.frameDt >= MIN_FRAME_DT) || args.frameDt > MAX_FRAME_DT)
        throw sim::InputError("--frame-dt: the frame length must be above 0, from 0.0001 to " +
                              sim::FormatDouble(MAX_FRAME_DT) + " seconds");
    CheckPathLengths({{"SCENARIO", &args.scenario}, {"--root", &args.root}, {"--script", &args.script},
                      {"--save", &args.save}, {"--dump", &args.dump}, {"--trace", &args.trace},
                      {"--telemetry", &args.telemetry}, {"--plot", &args.plot}, {"--log", &args.log}});
    if (args.groundElevation && !(*args.groundElevation >= sim::MIN_GROUND_ELEVATION &&
                                  *args.groundElevation <= sim::MAX_GROUND_ELEVATION))
        throw sim::InputError("--ground-elevation: the ground's height over the mean radius must be within -420..9000 m");
    if (args.until && !(*args.until <= sim::MAX_RUN_TIME))
        throw sim::InputError("--until: give a simulation time in seconds, from 0 to 1e8 (about three years)");
    for (const std::string* out : {&args.save, &args.dump, &args.trace, &args.telemetry, &args.plot, &args.log})
        CheckOutputFolder(start, *out);
    const fs::path scenario = FindScenario(start, root, args.scenario);
    sim::FlightScript script = LoadScript(start, args.script);
    std::vector<NamedFile> outputs;
    for (const auto& [option, value] : {std::pair{"--save", &args.save}, {"--dump", &args.dump}, {"--trace", &args.trace},
                                        {"--telemetry", &args.telemetry}, {"--plot", &args.plot}, {"--log", &args.log}})
        if (!value->empty()) outputs.push_back({option, Absolute(start, *value), *value});
    CheckOutputs(std::move(outputs), script, start, scenario, args.scenario, args.script);

    // The outputs that grow with the flight are written as it goes, into new files that take
    // their targets' places at the end.
    std::optional<sim::OutputFile> traceFile, telemetryFile;

    // The host runs with its root as the working folder, as modules expect.
    fs::current_path(root);
    sim::HostOptions options;
    options.tracing = !args.trace.empty();
    if (options.tracing) {
        traceFile.emplace(Absolute(start, args.trace));
        options.onTrace = [&traceFile](const sim::TraceEntry& t) { traceFile->Write(sim::TraceLine(t)); };
    }
    if (!args.telemetry.empty()) {
        telemetryFile.emplace(Absolute(start, args.telemetry));
        options.telemetryRows = [&telemetryFile](std::string_view row) { telemetryFile->Write(row); };
    }
    options.plot = !args.plot.empty();
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
    sim::Simulation simulation(root, scenario, options, std::move(script));
    PrintClassWarnings(simulation);
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

    // Each output on its own: one that cannot be written leaves the others to be written.
    std::vector<std::string> failed = simulation.FailedSaves();
    auto attempt = [&](const std::string& path, auto&& write) {
        if (path.empty()) return;
        try {
            write();
        } catch (const std::exception& e) {
            failed.push_back(e.what());
        }
    };
    attempt(args.save, [&] { sim::WriteTextFile(Absolute(start, args.save), simulation.SaveText()); });
    attempt(args.dump, [&] { sim::WriteTextFile(Absolute(start, args.dump), sim::DumpWorld(world).dump(2) + "\n"); });
    attempt(args.trace, [&] { traceFile->Commit(); });
    attempt(args.telemetry, [&] { telemetryFile->Commit(); });
    attempt(args.plot, [&] {
        sim::PlotTelemetry(simulation.GetTelemetry(), world, simulation.PlottedVessel(), Absolute(start, args.plot));
    });
    attempt(args.log, [&] { sim::WriteTextFile(Absolute(start, args.log), sim::LogText(world)); });
    if (args.events) std::cout << sim::EventsText(world);
    std::cout << "talvek-sim: " << Counted(frames, "frame", "frames") << ", " << sim::FormatFixed(world.SimTime(), 2)
              << " s simulated, " << Counted(static_cast<long>(world.Vessels().size()), "vessel", "vessels") << "\n"
              << sim::SummaryText(world);
    if (world.DroppedMessages() > 0)
        std::cout << "talvek-sim: " << world.DroppedMessages()
                  << " message(s) dropped, sent to vessels whose class has no module to read them (the warnings "
                     "above name them): what they held is lost\n";
    std::string notWritten;
    for (const std::string& f : failed) notWritten += "\n" + f;
    if (failure)
        throw sim::InputError(*failure + "\n(the run stopped at " + sim::FormatFixed(world.SimTime(), 2) +
                              " s; the outputs asked for hold the flight up to there)" + notWritten);
    if (!failed.empty())
        std::cerr << notWritten.substr(1) << "\ntalvek-sim: " << failed.size()
                  << " of the outputs asked for could not be written (above); the others were\n";
    if (args.strict) {
        const std::string unread = sim::UnreadLines(world);
        if (!unread.empty())
            std::cerr << "talvek-sim: --strict: a module could not read these lines whole (see the log lines above):\n"
                      << unread;
        const sim::ClassCheckReport& check = simulation.ClassCheck();
        if (check.warnedAboutNamedClass)
            std::cerr << "talvek-sim: --strict: the warnings above concern classes this scenario names\n";
        if (check.warnedAboutPayloadLine)
            std::cerr << "talvek-sim: --strict: the warnings above concern PAYLOAD or STAGE lines of this scenario\n";
        if (world.ModuleFaults() > 0)
            std::cerr << "talvek-sim: --strict: a module did what the simulator fails on (" << world.ModuleFaults()
                      << " module fault(s), see the warnings above)\n";
        if (world.DroppedMessages() > 0)
            std::cerr << "talvek-sim: --strict: " << world.DroppedMessages()
                      << " message(s) were dropped for vessels without a module to read them (see the warnings "
                         "above)\n";
        if (!unread.empty() || check.warnedAboutNamedClass || check.warnedAboutPayloadLine ||
            world.ModuleFaults() > 0 || world.DroppedMessages() > 0)
            return EXIT_BAD_INPUT;
    }
    return failed.empty() ? 0 : EXIT_BAD_INPUT;
}

// WIDTHxHEIGHT in pixels.
std::pair<int, int> PictureSize(const std::string& text) {
    constexpr long MIN_W = 400, MIN_H = 300, MAX_W = 4000, MAX_H = 3000;  // [px]
    const size_t x = text.find_first_of("xX");
    long w = 0, h = 0;
    if (x == std::string::npos || !sim::ParseLong(text.substr(0, x), w) || !sim::ParseLong(text.substr(x + 1), h) ||
        w < MIN_W || h < MIN_H || w > MAX_W || h > MAX_H)
        throw sim::InputError("--size: '" + text + "' is not a picture size; give WIDTHxHEIGHT in pixels, from " +
                              std::to_string(MIN_W) + "x" + std::to_string(MIN_H) + " to " + std::to_string(MAX_W) +
                              "x" + std::to_string(MAX_H) + " (for instance 1600x1200)");
    return {static_cast<int>(w), static_cast<int>(h)};
}

int Render(const RenderArgs& args) {
    const fs::path start = fs::current_path();
    const fs::path root = HostRoot(start, args.root);
    CheckPathLengths({{"SCENARIO", &args.scenario}, {"--root", &args.root}, {"--script", &args.script},
                      {"--out", &args.out}});
    if (!(args.at >= 0 && args.at <= sim::MAX_RUN_TIME))
        throw sim::InputError("--at: give the simulation time of the picture in seconds, from 0 to 1e8 (about three years)");
    const auto [width, height] = PictureSize(args.size);
    CheckOutputFolder(start, args.out);
    const fs::path scenario = FindScenario(start, root, args.scenario);
    sim::FlightScript script = LoadScript(start, args.script);
    CheckOutputs({{"--out", Absolute(start, args.out), args.out}}, script, start, scenario, args.scenario, args.script);

    fs::current_path(root);
    sim::HostOptions options;
    options.events = false;
    sim::Simulation simulation(root, scenario, options, std::move(script));
    PrintClassWarnings(simulation);
    // --at 0 runs no frame: the picture shows the vessel as its module defined it at the load.
    simulation.Run(sim::RunLimits{args.at, std::nullopt, 1.0 / 60.0});
    const sim::World& world = simulation.GetWorld();
    const std::string time = sim::FormatFixed(world.SimTime(), 2);

    const sim::VesselRecord* vessel = world.FindByName(args.vessel);
    if (!vessel) {
        std::vector<std::string> present;
        for (const auto& v : world.Vessels()) present.push_back(v->name);
        throw sim::InputError("--vessel: no vessel '" + args.vessel + "' at " + time + " s in " + scenario.string() +
                              (present.empty() ? "; it holds no vessel then"
                                               : "; the vessels then: " + sim::NameList(present)));
    }
    const sim::VesselGeometry geometry = sim::CollectGeometry(*vessel);
    const sim::Image image = [&, w = width, h = height] {
        try {
            return sim::RenderVessel(
                geometry, {w, h, vessel->name + " at " + time + " s (" + scenario.filename().string() + ")"});
        } catch (const sim::RenderTooLarge& e) {
            throw sim::InputError("--vessel: " + vessel->name + " at " + time + " s: " + e.what());
        }
    }();
    sim::WriteTextFile(Absolute(start, args.out), sim::EncodePng(image));
    std::cout << "talvek-sim: drew " << vessel->name << " at " << time << " s (" << geometry.meshes << " meshes, "
              << geometry.triangles.size() << " triangles) to " << args.out << "\n";
    for (const std::string& f : simulation.FailedSaves()) std::cerr << f << "\n";
    return simulation.FailedSaves().empty() ? 0 : EXIT_BAD_INPUT;
}

}  // namespace

int main(int argc, char** argv) {
    sim::platform::PrepareProcess();
    const CLI::Validator outputPath(
        [](std::string& path) { return path.empty() ? std::string("give a file to write, not an empty path") : std::string(); },
        "FILE");
    CLI::App app{"talvek-sim: the headless host for the Talvek vessel module"};
    app.require_subcommand(1);
    // Options are written "--name" on every system: a path that starts with '/' (a root-relative
    // path on Windows, as Unix-style paths are under Wine) is an argument, not an option "/name".
    app.allow_windows_style_options(false);
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
    run->add_option("--save", args.save, "write the scenario as it stands at the end")->check(outputPath);
    run->add_option("--dump", args.dump, "write the host's record of every vessel as JSON")->check(outputPath);
    run->add_option("--trace", args.trace, "write the trace of host calls")->check(outputPath);
    run->add_option("--telemetry", args.telemetry, "write altitude, speeds and mass over time as CSV")->check(outputPath);
    run->add_option("--plot", args.plot, "write a PNG of altitude and speeds of the vessel focused at the start, events marked")
        ->check(outputPath);
    run->add_flag("--events", args.events, "print the event timeline");
    run->add_option("--log", args.log, "write the modules' log lines, with time and vessel")->check(outputPath);
    run->add_flag("--strict", args.strict,
                  "exit with status 2 after the run when a module reported a scenario line it could not read "
                  "whole, the checks before the flight warned about a class or a PAYLOAD or STAGE line of the "
                  "scenario, messages were dropped for a vessel without a module, or a module did what the "
                  "simulator fails on (a module fault)");
    run->add_flag("--reuse-handles", args.reuseHandles,
                  "give new vessels the handles of deleted ones, as the simulator may (default: never reused)");
    run->add_option("--entry-points", args.entryPoints,
                    "how modules are called: callbacks (ovcInit/ovcExit and the VESSEL2 callbacks, as the "
                    "current simulator; default) or legacy (the eight exported entry points of older hosts)")
        ->check(CLI::IsMember({"callbacks", "legacy"}));
    run->add_option("--ground-elevation", args.groundElevation,
                    "the ground's height over the mean radius everywhere [m] (default: the scenario's, else 0)");
    run->add_option("--visuals", args.visuals,
                    "which vessels are in view and get a visual, from the first frame on: all (default), focus "
                    "(the focus vessel only) or none")
        ->check(CLI::IsMember({"all", "focus", "none"}));

    RenderArgs renderArgs;
    CLI::App* render = app.add_subcommand("render", "load a scenario, run it to a moment and draw one vessel to a PNG");
    render->add_option("SCENARIO", renderArgs.scenario, "scenario file")->required();
    render->add_option("--vessel", renderArgs.vessel, "the vessel to draw")->required();
    render->add_option("--out", renderArgs.out, "the PNG file to write")->required()->check(outputPath);
    render->add_option("--at", renderArgs.at, "simulation time of the picture [s] (default 0: as loaded)");
    render->add_option("--root", renderArgs.root, "host root (default: the root assembled by the build)");
    render->add_option("--script", renderArgs.script, "flight script to carry out up to that time");
    render->add_option("--size", renderArgs.size, "picture size WIDTHxHEIGHT in pixels (default 1600x1200)");

    // The arguments as UTF-8, so that any file name reaches the files as given.
    std::vector<std::string> arguments = sim::platform::Arguments(argc, argv);
    std::vector<char*> argumentPointers;
    for (std::string& a : arguments) argumentPointers.push_back(a.data());
    try {
        app.parse(static_cast<int>(argumentPointers.size()), argumentPointers.data());
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return EXIT_BAD_INPUT;
    }
    try {
        return render->parsed() ? Render(renderArgs) : Run(args);
    } catch (const sim::InputError& e) {
        std::cerr << e.what() << "\n";
        return EXIT_BAD_INPUT;
    } catch (const std::exception& e) {
        std::cerr << "talvek-sim: internal failure: " << e.what() << "\n";
        return EXIT_INTERNAL;
    }
}
