// Touchdown speed of the descent module under its main parachute, with and without the landing
// burn (its tank emptied), at time acceleration 1 and 10, from the shipped descent scenario:
//   build/default/bin/landing_speeds
#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/app/simulation.h"
#include "sim/physics.h"

namespace fs = std::filesystem;

namespace {

// The first touchdown of the descent module, in m/s (negative: downwards); 0 if none.
double Touchdown(double timeAcceleration, bool burn) {
    const fs::path root = TALVEK_BENCH_BUILD_ROOT;
    fs::current_path(root);
    sim::Simulation s(root, root / "Scenarios" / "Talvek-descent.scn");
    sim::World& w = s.GetWorld();
    w.SetTimeAcceleration(timeAcceleration);
    sim::VesselRecord* t = w.FindByName("Talvek");
    bool emptied = false;
    while (w.SimTime() < 3600) {
        s.Frame(1.0 / 60);
        // The parachute set-ups create the landing tank; empty it for the run without a burn.
        if (!burn && !emptied && t->def.size == 80) {
            for (auto& tank : t->def.tanks) tank.mass = 0;
            emptied = true;
        }
        for (const auto& e : w.events)
            if (e.vessel == "Talvek" && e.what.rfind("touchdown ", 0) == 0) return std::stod(e.what.substr(10));
    }
    return 0;
}

}  // namespace

int main() {
    std::printf("%-22s %12s %12s\n", "time acceleration", "with burn", "tank emptied");
    for (double acc : {1.0, 10.0})
        std::printf("%-22g %10.2f m/s %10.2f m/s\n", acc, Touchdown(acc, true), Touchdown(acc, false));
    return 0;
}
