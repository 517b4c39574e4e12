#include "sim/vessel_driver.h"

#include <string>
#include <utility>

#include "sim/trace_format.h"
#include "sim/vessel_record.h"
#include "sim/world.h"

namespace sim {

namespace {

using trace::Args;

// Traces the call (its arguments put into words only when a trace is kept), then makes it with
// the vessel as the host's context.
template <class A, class F>
auto Call(World& world, VesselRecord& v, const char* call, A&& args, F&& f) {
    if (world.tracing) world.TraceDispatch(v, call, args());
    return world.InContext(v, std::forward<F>(f));
}

std::string None() { return {}; }

class Passive final : public VesselDriver {
public:
    void SetClassCaps(World&, VesselRecord&, FILEHANDLE) const override {}
    bool LoadState(World&, VesselRecord&, FILEHANDLE, void*) const override { return false; }
    void FocusChanged(World&, VesselRecord&, bool, OBJHANDLE, OBJHANDLE) const override {}
    void PostCreation(World&, VesselRecord&) const override {}
    void VisualCreated(World&, VesselRecord&, VISHANDLE) const override {}
    void VisualDestroyed(World&, VesselRecord&, VISHANDLE) const override {}
    void PreStep(World&, VesselRecord&, double, double, double) const override {}
    void PostStep(World&, VesselRecord&, double, double, double) const override {}
    bool SaveState(World&, VesselRecord&, FILEHANDLE) const override { return false; }
    int ConsumeBufferedKey(World&, VesselRecord&, DWORD, bool, char*) const override { return 0; }
};

// The current simulator: every call through the object's VESSEL2 callbacks.
class Callbacks final : public VesselDriver {
public:
    void SetClassCaps(World& w, VesselRecord& v, FILEHANDLE cfg) const override {
        Call(w, v, "clbkSetClassCaps", None, [&] { Target(v).clbkSetClassCaps(cfg); });
    }
    bool LoadState(World& w, VesselRecord& v, FILEHANDLE scn, void* status) const override {
        Call(w, v, "clbkLoadStateEx", None, [&] { Target(v).clbkLoadStateEx(scn, status); });
        return true;
    }
    void FocusChanged(World& w, VesselRecord& v, bool gotFocus, OBJHANDLE newFocus, OBJHANDLE oldFocus) const override {
        Call(w, v, "clbkFocusChanged", [&] { return Args(gotFocus, newFocus, oldFocus); },
             [&] { Target(v).clbkFocusChanged(gotFocus, newFocus, oldFocus); });
    }
    void PostCreation(World& w, VesselRecord& v) const override {
        Call(w, v, "clbkPostCreation", None, [&] { Target(v).clbkPostCreation(); });
    }
    void VisualCreated(World& w, VesselRecord& v, VISHANDLE vis) const override {
        Call(w, v, "clbkVisualCreated", None, [&] { Target(v).clbkVisualCreated(vis, 1); });
    }
    void VisualDestroyed(World& w, VesselRecord& v, VISHANDLE vis) const override {
        Call(w, v, "clbkVisualDestroyed", None, [&] { Target(v).clbkVisualDestroyed(vis, 0); });
    }
    void PreStep(World& w, VesselRecord& v, double simt, double simdt, double mjd) const override {
        Call(w, v, "clbkPreStep", [&] { return Args(simt, simdt, mjd); },
             [&] { Target(v).clbkPreStep(simt, simdt, mjd); });
    }
    void PostStep(World& w, VesselRecord& v, double simt, double simdt, double mjd) const override {
        Call(w, v, "clbkPostStep", [&] { return Args(simt, simdt, mjd); },
             [&] { Target(v).clbkPostStep(simt, simdt, mjd); });
    }
    bool SaveState(World& w, VesselRecord& v, FILEHANDLE scn) const override {
        Call(w, v, "clbkSaveState", None, [&] { Target(v).clbkSaveState(scn); });
        return true;
    }
    int ConsumeBufferedKey(World& w, VesselRecord& v, DWORD key, bool down, char* kstate) const override {
        return Call(w, v, "clbkConsumeBufferedKey", [&] { return Args(key, down); },
                    [&] { return Target(v).clbkConsumeBufferedKey(key, down, kstate); });
    }

private:
    static VESSEL2& Target(const VesselRecord& v) { return *static_cast<VESSEL2*>(v.iface); }
};

// Older hosts: the module's exported entry points, where it has them. They know no pre-step,
// post-creation, focus or visual-destroyed call; their time step comes after the physics with the
// step's end time.
class EntryPoints final : public VesselDriver {
public:
    void SetClassCaps(World& w, VesselRecord& v, FILEHANDLE cfg) const override {
        if (auto f = v.module->setClassCaps) Call(w, v, "ovcSetClassCaps", None, [&] { f(v.iface, cfg); });
    }
    bool LoadState(World& w, VesselRecord& v, FILEHANDLE scn, void* status) const override {
        auto f = v.module->loadStateEx;
        if (!f) return false;
        Call(w, v, "ovcLoadStateEx", None, [&] { f(v.iface, scn, status); });
        return true;
    }
    void FocusChanged(World&, VesselRecord&, bool, OBJHANDLE, OBJHANDLE) const override {}
    void PostCreation(World&, VesselRecord&) const override {}
    void VisualCreated(World& w, VesselRecord& v, VISHANDLE vis) const override {
        if (auto f = v.module->visualCreated) Call(w, v, "ovcVisualCreated", None, [&] { f(v.iface, vis, 1); });
    }
    void VisualDestroyed(World&, VesselRecord&, VISHANDLE) const override {}
    void PreStep(World&, VesselRecord&, double, double, double) const override {}
    void PostStep(World& w, VesselRecord& v, double simt, double, double) const override {
        if (auto f = v.module->timestep)
            Call(w, v, "ovcTimestep", [&] { return Args(simt); }, [&] { f(v.iface, simt); });
    }
    bool SaveState(World& w, VesselRecord& v, FILEHANDLE scn) const override {
        auto f = v.module->saveState;
        if (!f) return false;
        Call(w, v, "ovcSaveState", None, [&] { f(v.iface, scn); });
        return true;
    }
    int ConsumeBufferedKey(World& w, VesselRecord& v, DWORD key, bool down, char* kstate) const override {
        auto f = v.module->consumeBufferedKey;
        if (!f) return 0;
        return Call(w, v, "ovcConsumeBufferedKey", [&] { return Args(key, down); },
                    [&] { return f(v.iface, key, down, kstate); });
    }
};

const Passive PASSIVE{};
const Callbacks CALLBACKS{};
const EntryPoints ENTRY_POINTS{};

}  // namespace

const VesselDriver& PassiveDriver() { return PASSIVE; }

const VesselDriver& DriverFor(Dispatch dispatch, const VesselRecord& v) {
    if (!v.module || !v.iface) return PASSIVE;
    if (dispatch == Dispatch::EntryPoints) return ENTRY_POINTS;
    // The current simulator calls the callbacks of a VESSEL2 only; a plain VESSEL gets none.
    return v.iface->Version() >= 1 ? static_cast<const VesselDriver&>(CALLBACKS) : PASSIVE;
}

}  // namespace sim
