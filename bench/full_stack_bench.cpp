// The full stack's set-up (DefineConfiguration of its row) against the same number of bare host calls made directly, in one run:
//   build/default/bin/full_stack_bench
// BM_FullStackSetUpRatio times both back to back and reports their ratio (counter "ratio").
// The ratio of the two times is the cost of the set-up's own work (tables, shifts, payload
// walk, animation records) over the host calls it cannot avoid.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "bench_support.h"
#include "sim/platform.h"
#include "sim/world.h"
#include "spacecraft/talvek_vessel.h"
#include "spacecraft/internal/test_access.h"

namespace fs = std::filesystem;

namespace {

// A scratch root with a bare vessel class and the built meshes.
struct Bench {
    fs::path root;
    std::unique_ptr<sim::World> world;
    sim::VesselRecord* record = nullptr;
    std::unique_ptr<TalvekVessel> vessel;

    Bench() {
        root = fs::temp_directory_path() / ("talvek-bench-" + std::to_string(sim::platform::ProcessId()));
        fs::create_directories(root / "Config");
        std::ofstream(root / "Config" / "Shell.cfg") << "ClassName = Shell\n";
        fs::remove(root / "Meshes");
        fs::create_directory_symlink(fs::path(TALVEK_BENCH_BUILD_ROOT) / "Meshes", root / "Meshes");
        fs::current_path(root);
        world = std::make_unique<sim::World>(root);
        record = world->AddVessel("T", "Shell");
        vessel = std::make_unique<TalvekVessel>(record->Handle());
    }
    ~Bench() {
        vessel.reset();
        world.reset();
        fs::remove_all(root);
    }

    // The number of host calls that one set-up makes.
    size_t HostCallsPerSetup() {
        world->tracing = true;
        world->trace.clear();
        Inside(*vessel).Define(CONFIG_FULL_STACK);
        const size_t n = world->trace.size();
        world->trace.clear();
        world->tracing = false;
        return n;
    }
};

void BM_FullStackSetUp(benchmark::State& state) {
    Bench b;
    const size_t calls = b.HostCallsPerSetup();
    for (auto _ : state) Inside(*b.vessel).Define(CONFIG_FULL_STACK);
    state.counters["host_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_FullStackSetUp);

void BM_BareHostCalls(benchmark::State& state) {
    Bench b;
    const size_t calls = b.HostCallsPerSetup();
    VESSEL& v = *b.vessel;
    for (auto _ : state)
        for (size_t i = 0; i < calls; ++i) v.SetSize(15.0 + static_cast<double>(i & 1));
    state.counters["host_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_BareHostCalls);

void BM_FullStackSetUpRatio(benchmark::State& state) {
    Bench b;
    const size_t calls = b.HostCallsPerSetup();
    VESSEL& v = *b.vessel;
    auto setup = [&] { Inside(*b.vessel).Define(CONFIG_FULL_STACK); };
    auto bare = [&] {
        for (size_t i = 0; i < calls; ++i) v.SetSize(15.0 + static_cast<double>(i & 1));
    };
    for (auto _ : state) setup();
    const double figure = bench::NsPerCall(setup);
    const double baseline = bench::NsPerCall(bare);
    bench::ReportRatio(state, figure, baseline);
    state.counters["host_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_FullStackSetUpRatio);

}  // namespace

BENCHMARK_MAIN();
