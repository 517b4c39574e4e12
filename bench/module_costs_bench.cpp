// The module's own costs, each against a baseline timed in the same run (counter "ratio"):
//   build/default/bin/module_costs_bench
//   BM_SteadyStep      the per-frame step of a full stack in orbit (ovcTimestep of the built module,
//                      as the host calls it) / an exported entry point that does nothing
//   BM_PayloadLines    reading 50 payload lines and saving them again / a memcpy of their bytes
//                      (host_calls_ratio: the host calls among them alone / the same memcpy)
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "carrier/internal/test_access.h"
#include "sim/app/simulation.h"
#include "sim/platform.h"
#include "sim/file_handles.h"
#include "spacecraft/talvek_vessel.h"

namespace fs = std::filesystem;

namespace {

using TimestepFn = void (*)(VESSEL*, double);

void BM_SteadyStep(benchmark::State& state) {
    // The carriers find the message module relative to the current folder, as in the simulator.
    fs::current_path(TALVEK_BENCH_BUILD_ROOT);
    sim::HostOptions options;
    options.dispatch = sim::Dispatch::EntryPoints;
    sim::Simulation simulation(TALVEK_BENCH_BUILD_ROOT, fs::path(TALVEK_BENCH_BUILD_ROOT) / "Scenarios" / "Talvek-orbit.scn",
                               options);
    sim::RunLimits limits;
    limits.frames = 10;  // past the deferred set-up: every later step is a steady one
    simulation.Run(limits);
    sim::VesselRecord* talvek = simulation.GetWorld().FindByName("Talvek");
    if (!talvek || !talvek->module) throw std::runtime_error("Talvek-orbit.scn has no Talvek");
    const TimestepFn step = talvek->module->timestep;
    VESSEL* vessel = talvek->iface;

    std::string error;
    const sim::platform::Library empty = sim::platform::OpenLibrary(TALVEK_BENCH_EMPTY_ENTRY, error);
    if (!empty) throw std::runtime_error(error);
    const auto emptyStep = reinterpret_cast<TimestepFn>(sim::platform::LibrarySymbol(empty, "ovcTimestep"));

    double simt = 10.0;
    for (auto _ : state) step(vessel, simt += 1.0 / 60);
    const double figure = bench::NsPerCall([&] { step(vessel, simt += 1.0 / 60); });
    const double baseline = bench::NsPerCall([&] { emptyStep(vessel, simt += 1.0 / 60); });
    bench::ReportRatio(state, figure, baseline);
    sim::platform::CloseLibrary(empty);
}
BENCHMARK(BM_SteadyStep)->Unit(benchmark::kNanosecond);

// Fifty lines as a saved carrier holds them: names, meshes and classes, positions with two
// decimals, some numbers that need more, and a stage with payloads nested in it.
std::vector<std::string> FiftyLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) {
        const char* kind = i % 10 == 0 ? "STAGE" : "PAYLOAD";
        char line[256];
        std::snprintf(line, sizeof line,
                      "%s Relay-Satellite-Payload-%02d tlvdrogue Talvek-Relay-Satellite %.2f %.2f %.3f %.1f %d 0.%d",
                      kind, i, 0.25 * (i % 7) - 0.75, -0.5 * (i % 3), 1.125 + 0.37 * i, 1250.5 + 10.25 * i,
                      (i * 30) % 360, i % 10);
        lines.emplace_back(line);
    }
    return lines;
}

void BM_PayloadLines(benchmark::State& state) {
    const fs::path root = fs::temp_directory_path() / ("talvek-bench-lines-" + std::to_string(sim::platform::ProcessId()));
    fs::create_directories(root / "Config");
    std::ofstream(root / "Config" / "Shell.cfg") << "ClassName = Shell\n";
    fs::remove(root / "Meshes");
    fs::create_directory_symlink(fs::path(TALVEK_BENCH_BUILD_ROOT) / "Meshes", root / "Meshes");
    fs::current_path(root);
    {
        sim::World world(root);
        sim::VesselRecord* record = world.AddVessel("T", "Shell");
        TalvekVessel vessel(record->Handle());
        const std::vector<std::string> lines = FiftyLines();
        size_t bytes = 0;
        for (const std::string& l : lines) bytes += l.size() + 1;

        sim::ScenarioWriter out;
        auto readAndSave = [&] {
            PayloadCarrierTestAccess::DetachAll(vessel);
            for (const std::string& l : lines) vessel.ParsePayloadLine(l.c_str());
            out.text.clear();
            vessel.SavePayloadLines(&out);
            benchmark::DoNotOptimize(out.text.data());
        };
        std::vector<char> from(bytes, 'x'), to(bytes);
        auto copy = [&] {
            benchmark::DoNotOptimize(from.data());
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        };
        // The host calls that reading and saving make (a mesh look-up per line read, a scenario
        // write per line saved), alone: the part of the figure that is the host's.
        readAndSave();
        std::vector<std::string> saved;
        for (size_t at = 0, end; (end = out.text.find('\n', at)) != std::string::npos; at = end + 1)
            saved.push_back(out.text.substr(at, end - at));
        sim::ScenarioWriter hostOut;
        auto hostCalls = [&] {
            for (size_t i = 0; i < lines.size(); ++i) benchmark::DoNotOptimize(oapiLoadMesh("tlvdrogue"));
            hostOut.text.clear();
            for (std::string& l : saved) oapiWriteScenario_string(&hostOut, const_cast<char*>("PAYLOAD"), l.data());
        };
        for (auto _ : state) readAndSave();
        const double figure = bench::NsPerCall(readAndSave);
        const double baseline = bench::NsPerCall(copy);
        bench::ReportRatio(state, figure, baseline);
        state.counters["host_calls_ratio"] = bench::NsPerCall(hostCalls) / baseline;
        state.counters["bytes"] = static_cast<double>(bytes);
        state.counters["saved_bytes"] = static_cast<double>(out.text.size());
    }
    fs::remove_all(root);
}
BENCHMARK(BM_PayloadLines)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
