// A fixed amount of the module's work for tools/callgrind.sh, which counts the instructions of
// each talvek_measured_* function under callgrind: no timing, so no noise.
//   step_driver [STEPS] [REBUILDS]
// Steps: the per-frame step of a full stack in orbit through the built module's ovcTimestep, as
// the host calls it; empty calls: an exported entry point that does nothing, the same number of
// times; rebuilds: the full-stack set-up (what each rebuild into the stack runs).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "sim/app/simulation.h"
#include "sim/platform.h"
#include "spacecraft/talvek_vessel.h"
#include "spacecraft/internal/test_access.h"

namespace fs = std::filesystem;

using TimestepFn = void (*)(VESSEL*, double);

// The measured loops stay functions of their own, so that a profile shows them by name.
#if defined(_MSC_VER)
#define NOINLINE __declspec(noinline)
#else
#define NOINLINE __attribute__((noinline))
#endif

extern "C" NOINLINE void talvek_measured_steps(TimestepFn step, VESSEL* vessel, long n) {
    for (long i = 0; i < n; ++i) step(vessel, 10.0 + static_cast<double>(i) / 60);
}

extern "C" NOINLINE void talvek_measured_empty_calls(TimestepFn step, VESSEL* vessel, long n) {
    for (long i = 0; i < n; ++i) step(vessel, 10.0 + static_cast<double>(i) / 60);
}

extern "C" NOINLINE void talvek_measured_rebuilds(TalvekVessel& vessel, long n) {
    for (long i = 0; i < n; ++i) Inside(vessel).Define(CONFIG_FULL_STACK);
}

int main(int argc, char** argv) {
    const long steps = argc > 1 ? std::atol(argv[1]) : 1000;
    const long rebuilds = argc > 2 ? std::atol(argv[2]) : 20;
    const fs::path root = TALVEK_BENCH_BUILD_ROOT;
    // The carriers find the message module relative to the current folder, as in the simulator.
    fs::current_path(root);
    sim::HostOptions options;
    options.dispatch = sim::Dispatch::EntryPoints;
    options.events = false;
    sim::Simulation simulation(root, root / "Scenarios" / "Talvek-orbit.scn", options);
    sim::RunLimits limits;
    limits.frames = 10;  // past the deferred set-up: every later step is a steady one
    simulation.Run(limits);
    sim::VesselRecord* talvek = simulation.GetWorld().FindByName("Talvek");
    if (!talvek || !talvek->module) throw std::runtime_error("Talvek-orbit.scn has no Talvek");

    std::string error;
    const sim::platform::Library empty = sim::platform::OpenLibrary(TALVEK_BENCH_EMPTY_ENTRY, error);
    if (!empty) throw std::runtime_error(error);
    const auto emptyStep = reinterpret_cast<TimestepFn>(sim::platform::LibrarySymbol(empty, "ovcTimestep"));

    // The set-up on an object of the spacecraft linked in, on a passive vessel of the same world.
    sim::VesselRecord* shell = simulation.GetWorld().AddVessel("Shell", "tlvorbit");
    TalvekVessel vessel(shell->Handle());

    talvek_measured_steps(talvek->module->timestep, talvek->iface, steps);
    talvek_measured_empty_calls(emptyStep, talvek->iface, steps);
    talvek_measured_rebuilds(vessel, rebuilds);
    std::printf("%ld %ld\n", steps, rebuilds);
    sim::platform::CloseLibrary(empty);
    return 0;
}
