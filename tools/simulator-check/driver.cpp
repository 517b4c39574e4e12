// TalvekDriver: a plugin for the simulator's core (its Linux port) that flies a talvek-sim flight
// script and prints what happened, one line per event, so that tools/simulator-check.sh can set
// the core's flight beside talvek-sim's:
//
//   DRIVER <simulation time, 2 decimals> <vessel> <event>
//
// Events: created CLASS, deleted, rebuilt size S meshes A,B, touchdown V m/s, landed at LNG W,
// LAT N, landed flag cleared, log TEXT (a module's line of the core's log), key COMBO -> R, focus
// (the key's vessel took the focus), script navmode|thrust|save ..., timeacc F (script),
// timeacc F (module), and at the end one line per vessel: end landed at ... | end flying at ...
//
// Settings, from the environment:
//   TALVEK_SCRIPT   the flight script (talvek-sim's grammar: at/below, key, timeacc, navmode,
//                   thrust, save)
//   TALVEK_UNTIL    stop at the first frame starting at or after this simulation time; without
//                   it the run ends as talvek-sim's does: the script done and no vessel flying
//                   below 120 km over the mean radius
//   TALVEK_LIMIT    end the run at the first frame starting at or after this simulation time,
//                   whatever else still flies
//   TALVEK_MESHES   mesh names, separated by commas, that meshes added from a template are
//                   named by (the core keeps no name for them)
//
// When things are read. Everything is observed at the start of a frame (clbkPreStep), where the
// core's state is whole: the step before it has been finalised (ground contact and the landed
// flag are set after the modules' post-steps), and what a module did in its post-step shows. An
// event seen there happened in the frame that ended at that time. The script's actions are due
// as in talvek-sim, at the frame's start; a time acceleration is set one call earlier, at the
// end of the frame before, because the core fixes a frame's step before its pre-step.
#include "ModuleAPI.h"
#include "OrbiterAPI.h"
#include "VesselAPI.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double FLYING_CEILING = 120000.0;  // [m] over the mean radius: below it a vessel still flies in air
constexpr const char* CORE_LOG = "Orbiter.log";  // the port writes its log beside itself, the working folder
constexpr const char* SAVE_FOLDER = "simulator-check";  // under the core's Scenarios folder
constexpr int STATUS_LANDED = 1;  // GetFlightStatus bit
constexpr double ON_GROUND = 0.01;  // [m] a touchdown point this near the ground stands on it

struct Action {
    int line = 0;
    bool below = false;
    double x = 0;  // [s] or [m]
    std::string vessel, verb;
    std::vector<std::string> args;
    bool done = false;
    bool accPreset = false;  // a timeacc already set at the end of the frame before
};

struct Track {
    std::string name;
    bool contact = false, landed = false;  // on the ground, and the core's landed flag
    bool seen = false;         // observed at a frame start before
    double verticalSpeed = 0;  // [m/s] at the last frame start
    std::string shape;
};

struct PendingKeyUp {
    OBJHANDLE vessel;
    int key;
};

int KeyCode(char c) {
    static const int codes[26] = {OAPI_KEY_A, OAPI_KEY_B, OAPI_KEY_C, OAPI_KEY_D, OAPI_KEY_E, OAPI_KEY_F, OAPI_KEY_G,
                                  OAPI_KEY_H, OAPI_KEY_I, OAPI_KEY_J, OAPI_KEY_K, OAPI_KEY_L, OAPI_KEY_M, OAPI_KEY_N,
                                  OAPI_KEY_O, OAPI_KEY_P, OAPI_KEY_Q, OAPI_KEY_R, OAPI_KEY_S, OAPI_KEY_T, OAPI_KEY_U,
                                  OAPI_KEY_V, OAPI_KEY_W, OAPI_KEY_X, OAPI_KEY_Y, OAPI_KEY_Z};
    c = (char)toupper((unsigned char)c);
    return (c >= 'A' && c <= 'Z') ? codes[c - 'A'] : -1;
}

std::string Lower(std::string s) {
    for (char& c : s) c = (char)tolower((unsigned char)c);
    return s;
}

template <class... A>
std::string Fmt(const char* f, A... a) {
    char b[1024];
    snprintf(b, sizeof b, f, a...);
    return b;
}

class Driver : public oapi::Module {
public:
    explicit Driver(MODULEHANDLE h) : oapi::Module(h) {}

    void clbkSimulationStart(RenderMode) override {
        if (const char* path = getenv("TALVEK_SCRIPT")) Load(path);
        if (const char* until = getenv("TALVEK_UNTIL")) untilTime = atof(until);
        if (const char* limit = getenv("TALVEK_LIMIT")) limitTime = atof(limit);
        if (const char* meshes = getenv("TALVEK_MESHES")) NameMeshes(meshes);
        wall0 = Now();
        now = oapiGetSimTime();
        for (int i = 0; i < (int)oapiGetVesselCount(); i++) Created(oapiGetVesselByIndex(i));
        // The lines the modules wrote while the scenario loaded.
        DrainLog();
        // Actions due before the first frame: a time acceleration takes effect in the first
        // frame; the others are carried out at its start.
        PresetTimeAcceleration(now);
        lastAcc = oapiGetTimeAcceleration();
    }

    void clbkNewVessel(OBJHANDLE h) override { Created(h); }

    void clbkDeleteVessel(OBJHANDLE h) override {
        Event(frameEnd, h, "deleted");
        tracks.erase(h);
        for (auto& k : keyUps)
            if (k.vessel == h) k.vessel = nullptr;
    }

    void clbkPreStep(double simt, double simdt, double) override {
        now = simt;
        frameEnd = simt;
        frames++;
        // What the frame before left: its modules' log lines, then each vessel's state.
        DrainLog();
        NoteTimeAcceleration(now);
        ObserveShapes();
        ObserveGround();
        if (Finished()) Finish();
        ReleaseKeys();
        inAction = true;
        for (auto& a : actions) {
            if (a.done || !Due(a, now)) continue;
            a.done = true;
            Do(a);
            DrainLog();
            ObserveShapes();
        }
        inAction = false;
        lastAcc = oapiGetTimeAcceleration();
        frameEnd = simt + simdt;
    }

    void clbkPostStep(double simt, double, double) override {
        // A module's change in this frame's step, before the script's own for the next frame.
        NoteTimeAcceleration(simt);
        // The next frame's step is fixed before its pre-step: a time acceleration due at its
        // start is set now.
        PresetTimeAcceleration(simt);
        lastAcc = oapiGetTimeAcceleration();
    }

private:
    std::vector<Action> actions;
    std::map<OBJHANDLE, Track> tracks;
    std::map<std::string, std::string> meshNames;  // by signature
    std::vector<PendingKeyUp> keyUps;
    double untilTime = -1, limitTime = -1;  // [s] none when negative
    double now = 0, frameEnd = 0;  // [s] the frame's start; the end of the frame under way
    double lastAcc = 1;
    bool inAction = false;
    long frames = 0;
    double wall0 = 0;
    long logOffset = 0;

    static double Now() {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return ts.tv_sec + ts.tv_nsec * 1e-9;
    }
    static std::string Class(OBJHANDLE h) {
        const char* c = oapiGetVesselInterface(h)->GetClassName();
        return c ? c : "?";
    }
    static std::string Name(OBJHANDLE h) { return oapiGetVesselInterface(h)->GetName(); }

    static void Print(const std::string& s) {
        printf("DRIVER %s\n", s.c_str());
        fflush(stdout);
    }
    void Event(double t, OBJHANDLE h, const std::string& what) { Event(t, Name(h), what); }
    void Event(double t, const std::string& vessel, const std::string& what) {
        Print(Fmt("%.2f %s %s", t, vessel.c_str(), what.c_str()));
    }

    void Created(OBJHANDLE h) {
        // A vessel made by a key is made at the frame's start; one made by a module's step at
        // the end of the frame under way.
        Event(inAction || frames == 0 ? now : frameEnd, h, "created " + Class(h));
        Track& t = tracks[h];
        t.name = Name(h);
        t.seen = false;
    }

    // Meshes added from templates have no name in the core, and each oapiLoadMesh makes a copy
    // of its own: a template is known by its groups' sizes and the extent of their vertices
    // (the canopies share their topology).
    static std::string Signature(MESHHANDLE m) {
        std::string sig;
        const int groups = oapiMeshGroupCount(m);
        for (int g = 0; g < groups; g++)
            if (const MESHGROUP* grp = oapiMeshGroup(m, g)) {
                double extent = 0;
                for (int i = 0; i < grp->nVtx; i++)
                    extent = std::max(extent, (double)fabs(grp->Vtx[i].x) + fabs(grp->Vtx[i].y) + fabs(grp->Vtx[i].z));
                sig += Fmt("%d/%d/%.3f;", grp->nVtx, grp->nIdx, extent);
            }
        return sig;
    }
    void NameMeshes(const char* list) {
        std::stringstream ss(list);
        for (std::string name; std::getline(ss, name, ',');) {
            if (name.empty()) continue;
            if (MESHHANDLE m = oapiLoadMesh(name.c_str())) {
                meshNames[Signature(m)] = name;
                oapiDeleteMesh(m);
            }
        }
    }

    std::string Shape(VESSEL* v) {
        std::string shape = Fmt("size %g meshes ", v->GetSize());
        bool any = false;
        for (unsigned m = 0; m < v->GetMeshCount(); m++) {
            const char* n = v->GetMeshName(m);
            std::string name;
            if (n && *n) name = n;
            else if (MESHHANDLE t = v->GetMeshTemplate(m)) {
                auto it = meshNames.find(Signature(t));
                name = it != meshNames.end() ? it->second : "?";
            } else continue;  // an empty slot
            shape += (any ? "," : "") + name;
            any = true;
        }
        return any ? shape : shape + "none";
    }

    // The height [m] of the vessel's lowest touchdown point over the ground.
    static double LowestPoint(VESSEL* v) {
        const double alt = v->GetAltitude(ALTMODE_GROUND);
        double lowest = alt;
        for (int i = 0; i < v->GetTouchdownPointCount(); i++) {
            TOUCHDOWNVTX p;
            if (!v->GetTouchdownPoint(p, i)) continue;
            VECTOR3 h;
            v->HorizonRot(p.pos, h);
            lowest = std::min(lowest, alt + h.y);
        }
        return lowest;
    }

    void ObserveShapes() {
        for (int i = 0; i < (int)oapiGetVesselCount(); i++) {
            OBJHANDLE h = oapiGetVesselByIndex(i);
            Track& t = tracks[h];
            std::string shape = Shape(oapiGetVesselInterface(h));
            if (shape != t.shape) {
                Event(now, h, "rebuilt " + shape);
                t.shape = shape;
            }
        }
    }

    // On the ground is in contact as the core has it, or on the touchdown points: the core lifts
    // a vessel that went below the ground back onto them within the step, and its contact
    // flag may only follow in the next.
    void ObserveGround() {
        for (int i = 0; i < (int)oapiGetVesselCount(); i++) {
            OBJHANDLE h = oapiGetVesselByIndex(i);
            VESSEL* v = oapiGetVesselInterface(h);
            Track& t = tracks[h];
            VECTOR3 ground = _V(0, 0, 0);
            v->GetGroundspeedVector(FRAME_HORIZON, ground);
            const bool landed = (v->GetFlightStatus() & STATUS_LANDED) != 0;
            const bool contact = landed || v->GroundContact() || LowestPoint(v) <= ON_GROUND;
            if (!t.seen) {
                // A vessel that begins its life on the ground, as loaded or made landed, has
                // not touched down; one that begins it in contact, in the air, has.
                if (contact && !landed) Event(now, h, Fmt("touchdown %.2f m/s (in its first frame)", ground.y));
            } else {
                // The vertical speed at the start of the frame in which it went to the ground.
                if (contact && !t.contact) Event(now, h, Fmt("touchdown %.2f m/s", t.verticalSpeed));
                if (landed && !t.landed) Event(now, h, "landed at " + Place(v));
                if (!landed && t.landed) Event(now, h, "landed flag cleared");
            }
            t.contact = contact;
            t.landed = landed;
            t.verticalSpeed = ground.y;
            t.seen = true;
        }
    }

    static std::string Place(VESSEL* v) {
        double lng = 0, lat = 0, rad = 0;
        v->GetEquPos(lng, lat, rad);
        return Fmt("%.4f %s, %.4f %s", fabs(lng) * DEG, lng < 0 ? "W" : "E", fabs(lat) * DEG, lat < 0 ? "S" : "N");
    }

    // The core's log: the modules' lines start with their vessel's name.
    void DrainLog() {
        FILE* f = fopen(CORE_LOG, "r");
        if (!f) return;
        if (fseek(f, logOffset, SEEK_SET) != 0) {
            fclose(f);
            return;
        }
        char buf[4096];
        std::string line;
        while (fgets(buf, sizeof buf, f)) {
            line += buf;
            if (line.empty() || line.back() != '\n') continue;  // a line still being written
            logOffset += (long)line.size();
            line.pop_back();
            LogLine(line);
            line.clear();
        }
        fclose(f);
    }

    void LogLine(std::string line) {
        // "000049.408: Talvek: landing burn started 1.90 m over the ground"
        size_t stamp = line.find(": ");
        if (stamp == std::string::npos || stamp == 0) return;
        for (size_t i = 0; i < stamp; i++)
            if (!isdigit((unsigned char)line[i]) && line[i] != '.') return;
        line.erase(0, stamp + 2);
        for (const auto& [h, t] : tracks) {
            const std::string& n = t.name;
            if (line.size() > n.size() + 2 && line.compare(0, n.size(), n) == 0 && line.compare(n.size(), 2, ": ") == 0) {
                Event(now, n, "log " + line.substr(n.size() + 2));
                return;
            }
        }
    }

    // The run ends as a talvek-sim run does.
    bool Finished() {
        if (limitTime >= 0 && now >= limitTime) return true;
        if (untilTime >= 0) return now >= untilTime;
        for (const auto& a : actions)
            if (!a.done) return false;
        for (int i = 0; i < (int)oapiGetVesselCount(); i++) {
            VESSEL* v = oapiGetVesselInterface(oapiGetVesselByIndex(i));
            if ((v->GetFlightStatus() & STATUS_LANDED) == 0 && v->GetAltitude() < FLYING_CEILING) return false;
        }
        return true;
    }

    void Finish() {
        for (int i = 0; i < (int)oapiGetVesselCount(); i++) {
            OBJHANDLE h = oapiGetVesselByIndex(i);
            VESSEL* v = oapiGetVesselInterface(h);
            if (v->GetFlightStatus() & STATUS_LANDED)
                Event(now, h, "end landed at " + Place(v));
            else
                Event(now, h, Fmt("end flying at %.0f m over the mean radius, airspeed %.1f m/s, at ", v->GetAltitude(),
                                  v->GetAirspeed()) + Place(v));
        }
        Print(Fmt("end: %.2f s simulated, %ld frames, %.1f s wall", now, frames, Now() - wall0));
        // The port's shutdown is not needed: its log is closed after every line.
        _exit(0);
    }

    void Load(const char* path) {
        std::ifstream f(path);
        if (!f) {
            Print(Fmt("error: cannot read the script %s", path));
            _exit(2);
        }
        std::string line;
        for (int n = 1; std::getline(f, line); n++) {
            line = line.substr(0, line.find('#'));
            std::istringstream ss(line);
            Action a;
            a.line = n;
            std::string trigger;
            if (!(ss >> trigger)) continue;
            if (trigger != "at" && trigger != "below") {
                Print(Fmt("error: %s:%d: a script line starts with 'at' or 'below'", path, n));
                _exit(2);
            }
            a.below = trigger == "below";
            ss >> a.x >> a.vessel >> a.verb;
            for (std::string w; ss >> w;) a.args.push_back(w);
            actions.push_back(a);
        }
    }

    static bool Due(const Action& a, double t) {
        OBJHANDLE h = oapiGetVesselByName(a.vessel.c_str());
        if (!h) return false;
        return a.below ? oapiGetVesselInterface(h)->GetAltitude() < a.x : t >= a.x - 1e-9;
    }

    void NoteTimeAcceleration(double t) {
        double acc = oapiGetTimeAcceleration();
        if (acc != lastAcc) Print(Fmt("%.2f - timeacc %g (module)", t, acc));
        lastAcc = acc;
    }

    void PresetTimeAcceleration(double nextStart) {
        for (auto& a : actions) {
            if (a.done || a.accPreset || a.verb != "timeacc" || a.args.empty() || !Due(a, nextStart)) continue;
            oapiSetTimeAcceleration(atof(a.args[0].c_str()));
            a.accPreset = true;
        }
    }

    void ReleaseKeys() {
        for (const auto& k : keyUps) {
            if (!k.vessel || !oapiIsVessel(k.vessel)) continue;
            char kstate[256] = {0};
            oapiGetVesselInterface(k.vessel)->SendBufferedKey(k.key, false, kstate);
        }
        keyUps.clear();
    }

    void Do(const Action& a) {
        OBJHANDLE h = oapiGetVesselByName(a.vessel.c_str());
        VESSEL* v = oapiGetVesselInterface(h);
        const std::string arg = a.args.empty() ? "" : a.args[0];
        if (a.verb == "key") {
            // Keys go to the focus vessel: a key for another moves the focus first, as a pilot would.
            if (oapiGetFocusObject() != h) {
                oapiSetFocusObject(h);
                Event(now, h, "focus");
            }
            char kstate[256] = {0};
            int key = -1;
            std::stringstream ss(arg);
            for (std::string part; std::getline(ss, part, '+');) {
                std::string p = Lower(part);
                if (p == "ctrl") kstate[OAPI_KEY_LCONTROL] = (char)0x80;
                else if (p == "rctrl") kstate[OAPI_KEY_RCONTROL] = (char)0x80;
                else if (p == "shift") kstate[OAPI_KEY_LSHIFT] = (char)0x80;
                else if (p == "rshift") kstate[OAPI_KEY_RSHIFT] = (char)0x80;
                else if (part.size() == 1) key = KeyCode(part[0]);
            }
            int r = 0;
            if (key >= 0) {
                kstate[key] = (char)0x80;
                r = v->SendBufferedKey(key, true, kstate);
                keyUps.push_back({h, key});
            }
            Event(now, h, Fmt("key %s -> %d", arg.c_str(), r));
        } else if (a.verb == "timeacc") {
            if (!a.accPreset) oapiSetTimeAcceleration(atof(arg.c_str()));  // takes effect next frame
            Event(now, h, "timeacc " + arg + " (script)");
        } else if (a.verb == "navmode") {
            bool ok = true;
            if (arg == "off") {
                for (int m = 1; m <= 7; m++) v->DeactivateNavmode(m);
                for (int g = THGROUP_ATT_PITCHUP; g <= THGROUP_ATT_BANKRIGHT; g++) v->SetThrusterGroupLevel((THGROUP_TYPE)g, 0);
            } else {
                ok = v->ActivateNavmode(arg == "prograde"     ? NAVMODE_PROGRADE
                                        : arg == "retrograde" ? NAVMODE_RETROGRADE
                                                              : NAVMODE_KILLROT);
            }
            Event(now, h, "script navmode " + arg + (ok ? "" : " (refused)"));
        } else if (a.verb == "thrust") {
            THGROUP_TYPE g = arg == "retro" ? THGROUP_RETRO : arg == "hover" ? THGROUP_HOVER : THGROUP_MAIN;
            const std::string level = a.args.size() > 1 ? a.args[1] : "0";
            v->SetThrusterGroupLevel(g, atof(level.c_str()));
            Event(now, h, "script thrust " + arg + " " + level);
        } else if (a.verb == "save") {
            Save(h, arg);
        } else {
            Event(now, h, "unsupported action " + a.verb);
        }
    }

    // The core saves under its Scenarios folder; the file is copied to the path the script names.
    void Save(OBJHANDLE h, const std::string& target) {
        std::string stem = target.substr(target.find_last_of('/') + 1);
        if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".scn") == 0) stem.resize(stem.size() - 4);
        const std::string name = std::string(SAVE_FOLDER) + "/" + stem;
        bool ok = oapiSaveScenario(name.c_str(), "Saved by the simulator check");
        if (ok) {
            std::ifstream in("Scenarios/" + name + ".scn", std::ios::binary);
            std::ofstream out(target, std::ios::binary);
            ok = in && out && (out << in.rdbuf());
        }
        Event(now, h, "script save " + target + (ok ? "" : " (failed)"));
    }
};

}  // namespace

DLLCLBK void InitModule(MODULEHANDLE h) { oapiRegisterModule(new Driver(h)); }
DLLCLBK void ExitModule(MODULEHANDLE) {}
