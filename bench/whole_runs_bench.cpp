// Whole runs of the host with the module, each against a baseline timed in the same run:
//   build/default/bin/whole_runs_bench
//   BM_FrameScaling/N   the frame cost per vessel with N Talveks in orbit / the same with 1 (ratio)
//   BM_LoadTalveks      loading a scenario of 1 000 Talveks / one of 100 (ratio; linear is 10)
//   BM_DemoFlight       the demo flight in talvek-sim with every output: simulated seconds per wall
//                       second, and the same without outputs
//   BM_OrbitFramesZero  talvek-sim run Talvek-orbit.scn --frames 0 --save / the same with one
//                       passive vessel (ratio)
//   BM_MemoryPerVessel  heap bytes per Talvek with 1 000 in orbit after 60 frames, and their
//                       growth per vessel over the next 30 simulated seconds
// The in-process rows drive sim::Simulation as talvek-sim does, without outputs.
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "sim/app/simulation.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

constexpr double ORBIT_RADIUS = 6771010.0;  // [m] 400 km up
constexpr double ORBIT_SPEED = 7672.593;    // [m/s] circular there
const fs::path ROOT = TALVEK_BENCH_BUILD_ROOT;

// A scratch folder for generated scenarios and outputs, removed at the end of the run.
const fs::path& Scratch() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("talvek-bench-runs-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

// n vessels of a class spread along one circular orbit, so that none touch.
fs::path OrbitScenario(int n, const std::string& cls = "Talvek") {
    const fs::path file = Scratch() / (cls + "-" + std::to_string(n) + ".scn");
    if (fs::exists(file)) return file;
    std::ostringstream s;
    s << "BEGIN_SHIPS\n";
    s.setf(std::ios::fixed);
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        s.precision(3);
        s << "V" << i << ":" << cls << "\n  STATUS Orbiting Earth\n  RPOS " << ORBIT_RADIUS * std::cos(a) << " 0.000 "
          << ORBIT_RADIUS * std::sin(a);
        s.precision(4);
        s << "\n  RVEL " << -ORBIT_SPEED * std::sin(a) << " 0.0000 " << ORBIT_SPEED * std::cos(a)
          << "\n  AROT 0.000 0.000 0.000\n";
        if (cls == "Talvek") s << "  CONFIGURATION 0\n  PANELS 0.0\n";
        s << "END\n";
    }
    s << "END_SHIPS\n";
    std::ofstream(file) << s.str();
    return file;
}

sim::HostOptions NoOutputs() {
    sim::HostOptions options;
    options.events = false;
    return options;
}

std::unique_ptr<sim::Simulation> Load(const fs::path& scenario) {
    // The carriers find the message module relative to the current folder, as in the simulator.
    fs::current_path(ROOT);
    return std::make_unique<sim::Simulation>(ROOT, scenario, NoOutputs());
}

constexpr double FRAME = 1.0 / 60;  // [s]

// Nanoseconds per vessel of one frame with n Talveks in orbit, after the set-ups of the first frames.
double FrameNsPerVessel(int n) {
    auto simulation = Load(OrbitScenario(n));
    for (int i = 0; i < 5; ++i) simulation->Frame(FRAME);
    return bench::NsPerCall([&] { simulation->Frame(FRAME); }, 3) / n;
}

void BM_FrameScaling(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
    }
    const double one = FrameNsPerVessel(1);
    const double many = FrameNsPerVessel(n);
    bench::ReportRatio(state, many, one);
    state.counters["vessels"] = n;
}
BENCHMARK(BM_FrameScaling)->Arg(1)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1);

// Seconds to load a scenario (the host's set-up of every vessel, module calls included): the best
// of a few loads, the teardown untimed.
double LoadSeconds(const fs::path& scenario, int repeats = 5) {
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        auto simulation = Load(scenario);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
        simulation.reset();
    }
    return best;
}

void BM_LoadTalveks(benchmark::State& state) {
    for (auto _ : state) {
    }
    const double hundred = LoadSeconds(OrbitScenario(100));
    const double thousand = LoadSeconds(OrbitScenario(1000));
    bench::ReportRatio(state, thousand * 1e9, hundred * 1e9);
}
BENCHMARK(BM_LoadTalveks)->Iterations(1);

// Wall seconds of one talvek-sim run (standard output and error discarded).
double RunSeconds(const std::vector<std::string>& args) {
    std::vector<std::string> all = {TALVEK_BENCH_SIM_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start talvek-sim");
    int status = 0;
    waitpid(pid, &status, 0);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("talvek-sim failed");
    return elapsed.count();
}

double BestRunSeconds(const std::vector<std::string>& args, int repeats) {
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) best = std::min(best, RunSeconds(args));
    return best;
}

void BM_DemoFlight(benchmark::State& state) {
    for (auto _ : state) {
    }
    const std::string out = (Scratch() / "demo").string();
    const std::vector<std::string> flight = {"run", "Talvek-deorbit.scn", "--script",
                                             (ROOT / "Scenarios" / "Talvek-deorbit.txt").string()};
    std::vector<std::string> outputs = flight;
    for (const std::string& a : std::initializer_list<std::string>{"--events", "--telemetry", out + ".csv", "--plot", out + ".png", "--dump", out + ".json",
                          "--save", out + ".scn", "--log", out + ".log", "--trace", out + ".trace"})
        outputs.push_back(a);
    const double withOutputs = BestRunSeconds(outputs, 2);
    const double without = BestRunSeconds(flight, 2);
    // The flight's length in simulated seconds, from the dump of the run with outputs.
    std::ifstream dump(out + ".json");
    std::string head(64, '\0');
    dump.read(head.data(), static_cast<std::streamsize>(head.size()));
    const double simulated = std::stod(head.substr(head.find(':') + 1));
    state.counters["simulated_s"] = simulated;
    state.counters["sim_s_per_wall_s"] = simulated / withOutputs;
    state.counters["sim_s_per_wall_s_no_outputs"] = simulated / without;
}
BENCHMARK(BM_DemoFlight)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OrbitFramesZero(benchmark::State& state) {
    for (auto _ : state) {
    }
    const std::string saved = (Scratch() / "frames0.scn").string();
    const double talvek = BestRunSeconds({"run", "Talvek-orbit.scn", "--frames", "0", "--save", saved}, 15);
    const double passive =
        BestRunSeconds({"run", OrbitScenario(1, "tlvorbit").string(), "--frames", "0", "--save", saved}, 15);
    bench::ReportRatio(state, talvek * 1e9, passive * 1e9);
}
BENCHMARK(BM_OrbitFramesZero)->Iterations(1);

size_t HeapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void BM_MemoryPerVessel(benchmark::State& state) {
    for (auto _ : state) {
    }
    constexpr int VESSELS = 1000;
    const fs::path scenario = OrbitScenario(VESSELS);
    malloc_trim(0);
    const size_t before = HeapBytes();
    auto simulation = Load(scenario);
    for (int i = 0; i < 60; ++i) simulation->Frame(FRAME);
    const size_t loaded = HeapBytes();
    for (int i = 0; i < 30 * 60; ++i) simulation->Frame(FRAME);
    const size_t later = HeapBytes();
    state.counters["bytes_per_vessel"] = static_cast<double>(loaded - before) / VESSELS;
    state.counters["growth_per_vessel_30s"] = (static_cast<double>(later) - static_cast<double>(loaded)) / VESSELS;
}
BENCHMARK(BM_MemoryPerVessel)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(Scratch());
    return 0;
}
