// Touchdown of the descent module under its main parachute, with and without the landing burn
// (its tank emptied), at time acceleration 1 and 10, over ground at 0 and 1500 m, from the
// shipped descent scenario:
//   build/default/bin/landing_speeds
// Goal: one touchdown, and a touchdown speed of at most the canopy's steady speed less 80 % of
// the burn's delta-v.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/app/simulation.h"
#include "sim/physics.h"

namespace fs = std::filesystem;

namespace {

constexpr double CANOPY_MEASURE_HEIGHT = 60;  // [m] over the ground: steady under the canopy, before the burn
constexpr double BURN_ISP = 200;              // [m/s]
constexpr double BURN_PROPELLANT = 70;        // [kg]
constexpr double GOAL_SHARE = 0.8;

struct Landing {
    double canopySpeed = 0;  // [m/s] downwards, steady under the main canopy
    double deltaV = 0;       // [m/s] of the burn, from the mass under the canopy
    double touchdown = 0;    // [m/s] vertical speed at the first touchdown (negative: down)
    int touchdowns = 0;
};

Landing Fly(double timeAcceleration, double groundElevation, bool burn) {
    const fs::path root = TALVEK_BENCH_BUILD_ROOT;
    fs::current_path(root);
    sim::HostOptions options;
    options.groundElevation = groundElevation;
    sim::Simulation s(root, root / "Scenarios" / "Talvek-descent.scn", options);
    sim::World& w = s.GetWorld();
    w.SetTimeAcceleration(timeAcceleration);
    sim::VesselRecord* t = w.FindByName("Talvek");
    Landing result;
    bool emptied = false;
    while (w.SimTime() < 3600 && !t->landed) {
        s.Frame(1.0 / 60);
        // The parachute set-ups create the landing tank; empty it for the run without a burn.
        if (!burn && !emptied && t->def.size == 80) {
            for (auto& tank : t->def.tanks) tank.mass = 0;
            emptied = true;
        }
        if (result.canopySpeed == 0 && t->def.size == 80 && sim::GroundHeight(*t) < CANOPY_MEASURE_HEIGHT) {
            result.canopySpeed = -sim::VerticalSpeed(*t);
            result.deltaV = BURN_ISP * std::log(t->Mass() / (t->Mass() - BURN_PROPELLANT));
        }
    }
    for (const auto& e : w.events) {
        if (e.vessel != "Talvek" || e.what.rfind("touchdown ", 0) != 0) continue;
        if (result.touchdowns++ == 0) result.touchdown = std::stod(e.what.substr(10));
    }
    return result;
}

}  // namespace

int main() {
    std::printf("%-8s %-6s %-8s %-8s %-12s %-12s %-8s %-12s %s\n", "ground", "accel", "canopy", "delta-v",
                "goal", "with burn", "count", "no burn", "verdict");
    bool allMet = true;
    for (double ground : {0.0, 1500.0}) {
        for (double acc : {1.0, 10.0}) {
            const Landing with = Fly(acc, ground, true);
            const Landing without = Fly(acc, ground, false);
            const double goal = with.canopySpeed - GOAL_SHARE * with.deltaV;
            const bool met = with.touchdowns == 1 && -with.touchdown <= goal;
            allMet = allMet && met;
            std::printf("%-8g %-6g %-8.2f %-8.2f %-12.2f %-12.2f %-8d %-12.2f %s\n", ground, acc, with.canopySpeed,
                        with.deltaV, -goal, with.touchdown, with.touchdowns, without.touchdown, met ? "met" : "MISSED");
        }
    }
    std::printf("speeds in m/s; touchdown speeds negative downwards; goal = -(canopy - %.0f %% of delta-v)\n",
                GOAL_SHARE * 100);
    return allMet ? 0 : 1;
}
