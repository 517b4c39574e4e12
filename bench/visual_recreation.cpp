// What a visual created again does to a Talvek in each configuration. The simulator destroys a
// vessel's visual when it leaves view and creates it again when it comes back; each creation runs
// the full-stack set-up and arms the rebuild into the actual configuration. Each case flies twice
// from the same state, once undisturbed and once with the visual destroyed and created again at
// the same moment, and prints what differs:
//   build/default/bin/visual_recreation
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "sim/app/simulation.h"
#include "sim/physics.h"
#include "spacecraft/talvek_vessel.h"
#include "spacecraft/internal/test_access.h"

namespace fs = std::filesystem;

namespace {

constexpr double FRAME = 1.0 / 60;  // [s]
constexpr int WINDOW_FRAMES = 4;     // frames watched after the visual comes back

struct Case {
    const char* name;
    const char* scenario;
    std::function<void(sim::World&, sim::VesselRecord&)> start;  // once, before the first frame
    std::function<bool(sim::World&, TalvekVessel&)> ready;        // the moment to act has come
    double endTime;                                               // [s] unless it touches down first
};

struct Flight {
    std::string window;        // size/configuration/mass/array state in the frames after the moment
    double emptyMassAfter = 0;  // [kg] when the window has passed
    double propellantAfter = 0; // [kg]
    int tanksAfter = 0;
    double levelAfter = 0;      // highest thruster level when the window has passed
    double touchdown = 0;       // [m/s] first touchdown, 0 if none
    double endSpeed = 0;        // [m/s] relative to the planet's centre, at the end
    double endAltitude = 0;     // [m]
};

double Speed(const VECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Flight Fly(const Case& c, bool recreate) {
    const fs::path root = TALVEK_BENCH_BUILD_ROOT;
    fs::current_path(root);
    sim::Simulation s(root, root / "Scenarios" / c.scenario);
    sim::World& w = s.GetWorld();
    sim::VesselRecord* v = w.FindByName("Talvek");
    auto* t = static_cast<TalvekVessel*>(v->iface);
    c.start(w, *v);
    Flight f;
    int watched = -1;  // frames since the moment; -1 before it
    while (w.SimTime() < c.endTime) {
        if (watched < 0 && c.ready(w, *t)) {
            watched = 0;
            if (recreate) {
                w.DestroyVisual(*v);
                w.CallVisualCreated(*v);
            }
        }
        s.Frame(FRAME);
        if (watched >= 0 && watched < WINDOW_FRAMES) {
            char seen[96];
            const double arrays = v->def.animations.empty() ? 0.0 : v->def.animations.front().state;
            std::snprintf(seen, sizeof seen, "%s%g/%d/%.0f/%.2f", f.window.empty() ? "" : " ", v->def.size,
                          Number(Inside(*t).sequencer.configuration), v->Mass(), arrays);
            f.window += seen;
            if (++watched == WINDOW_FRAMES) {
                f.emptyMassAfter = v->def.emptyMass;
                f.propellantAfter = v->def.PropellantMass();
                f.tanksAfter = static_cast<int>(v->def.tanks.size());
                for (const auto& th : v->def.thrusters) f.levelAfter = std::max(f.levelAfter, th.level);
            }
        }
        for (const auto& e : w.events)
            if (!f.touchdown && e.vessel == "Talvek" && e.what.rfind("touchdown ", 0) == 0)
                f.touchdown = std::stod(e.what.substr(10));
        if (f.touchdown) break;
    }
    f.endSpeed = Speed(v->vel);
    f.endAltitude = sim::Altitude(*v);
    return f;
}

void PressKey(sim::World& w, sim::VesselRecord& v, int key) {
    char keys[256] = {};
    keys[key] = static_cast<char>(0x80);
    w.DeliverBufferedKey(v, static_cast<DWORD>(key), true, keys);
}

// 0.5 s after the configuration is first seen.
std::function<bool(sim::World&, TalvekVessel&)> InConfiguration(int configuration, double delay) {
    auto since = std::make_shared<double>(-1);
    return [=](sim::World& w, TalvekVessel& t) {
        if (Number(Inside(t).sequencer.configuration) != configuration || Inside(t).sequencer.rebuildCounter != RebuildPhase::Idle) return false;
        if (*since < 0) *since = w.SimTime();
        return w.SimTime() >= *since + delay;
    };
}

}  // namespace

int main() {
    const Case cases[] = {
        {"0 full stack, arrays out, main engine on", "Talvek-orbit.scn",
         [](sim::World& w, sim::VesselRecord& v) { PressKey(w, v, OAPI_KEY_K); },
         [](sim::World& w, TalvekVessel& t) {
             if (w.SimTime() >= 12 && w.SimTime() < 12 + FRAME) t.SetThrusterGroupLevel(THGROUP_MAIN, 1);
             return w.SimTime() >= 13;
         },
         30},
        {"1 descent module", "Talvek-descent.scn", [](sim::World&, sim::VesselRecord&) {}, InConfiguration(1, 0.5), 3600},
        {"2 drogue", "Talvek-descent.scn", [](sim::World&, sim::VesselRecord&) {}, InConfiguration(2, 0.5), 3600},
        {"3 main parachute", "Talvek-descent.scn", [](sim::World&, sim::VesselRecord&) {}, InConfiguration(3, 0.5), 3600},
        {"4 landing, burn on", "Talvek-descent.scn", [](sim::World&, sim::VesselRecord&) {}, InConfiguration(4, 0.0), 3600},
    };
    std::printf("Each case twice from the same state: undisturbed, then with the visual destroyed and created again.\n");
    std::printf("window: size [m]/configuration/mass [kg]/array animation state, in the %d frames after the moment\n\n",
                WINDOW_FRAMES);
    for (const Case& c : cases) {
        const Flight a = Fly(c, false);
        const Flight b = Fly(c, true);
        std::printf("%s\n", c.name);
        std::printf("  window undisturbed  %s\n  window recreated    %s\n", a.window.c_str(), b.window.c_str());
        std::printf("  empty mass after  %10.1f kg | %10.1f kg\n", a.emptyMassAfter, b.emptyMassAfter);
        std::printf("  propellant after  %10.3f kg in %d tanks | %10.3f kg in %d tanks\n", a.propellantAfter,
                    a.tanksAfter, b.propellantAfter, b.tanksAfter);
        std::printf("  highest thruster level after  %4.2f | %4.2f\n", a.levelAfter, b.levelAfter);
        if (a.touchdown || b.touchdown)
            std::printf("  touchdown         %8.2f m/s | %8.2f m/s\n", a.touchdown, b.touchdown);
        std::printf("  at the end        %.3f m, %.4f m/s | %.3f m, %.4f m/s\n\n", a.endAltitude, a.endSpeed,
                    b.endAltitude, b.endSpeed);
    }
    return 0;
}
