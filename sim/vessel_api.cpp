// The host's side of VESSEL and VESSEL2: every operation acts on the record of the vessel
// that the interface names, and leaves a line in the trace. An interface whose vessel no
// longer exists does nothing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/vessel.h"
#include "sim/errors.h"
#include "sim/file_handles.h"
#include "sim/physics.h"
#include "sim/planet.h"
#include "sim/scenario.h"
#include "sim/text.h"
#include "sim/trace_format.h"
#include "sim/world.h"

using sim::Id;
using sim::IdOf;
using sim::HandleOf;
using sim::trace::Args;

namespace {

sim::VesselRecord* Record(OBJHANDLE h) {
    sim::World* w = sim::World::Current();
    return w ? w->Find(h) : nullptr;
}

// Looks up the record and traces the call; returns null when there is no such vessel. The
// arguments are put into words only when a trace is kept: that formatting costs far more than
// the call itself.
template <class... A>
sim::VesselRecord* Call(OBJHANDLE h, const char* name, const A&... args) {
    sim::World* w = sim::World::Current();
    sim::VesselRecord* v = w ? w->Find(h) : nullptr;
    if (v && w->tracing) w->Trace(v, name, Args(args...));
    return v;
}

// The handle list of CreateThrusterGroup as the trace shows it: "[#1 #2]".
struct HandleList {
    THRUSTER_HANDLE* th;
    int n;
};
std::string Fmt(const HandleList& l) {
    std::string list;
    for (int i = 0; l.th && i < l.n; ++i) list += (i ? " " : "") + sim::trace::Fmt(static_cast<const void*>(l.th[i]));
    return sim::trace::Fmt(("[" + list + "]").c_str());
}

sim::World& W() { return *sim::World::Current(); }

// A value that is not finite would spread through the physics into every later state, so a
// setter given one leaves the record as it is (the call is still traced).
bool Finite(double d) { return std::isfinite(d); }
bool Finite(const VECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
template <class... A>
bool AllFinite(const A&... values) {
    return (Finite(values) && ...);
}
// The vessel's mass is its empty mass and its tanks' contents, each at most its tank's maximum:
// a setter whose value would let that sum grow beyond every number is refused like a value that
// is not finite.
bool MassStaysFinite(const sim::VesselDefinition& d, double emptyMass, double addedTank) {
    double most = std::fabs(emptyMass) + addedTank;
    for (const sim::Tank& t : d.tanks) most += t.maxMass;
    return std::isfinite(most);
}
bool Finite(const PARTICLESTREAMSPEC& s) {
    return AllFinite(s.srcsize, s.srcrate, s.v0, s.srcspread, s.lifetime, s.growthrate, s.atmslowdown, s.lmin, s.lmax,
                     s.amin, s.amax);
}
bool Finite(const MGROUP_TRANSFORM& t) {
    if (t.Type() == MGROUP_TRANSFORM::ROTATE) {
        const auto& r = static_cast<const MGROUP_ROTATE&>(t);
        return AllFinite(r.ref, r.axis, static_cast<double>(r.angle));
    }
    if (t.Type() == MGROUP_TRANSFORM::TRANSLATE) return Finite(static_cast<const MGROUP_TRANSLATE&>(t).shift);
    return true;
}

// Names an animation or mesh that does not exist, for a creation that was refused.
constexpr UINT NONE = static_cast<UINT>(-1);

}  // namespace

VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel) : hObj(hVessel), flightmodel(static_cast<short>(fmodel)) {
    Call(hObj, "VESSEL", fmodel);
}

OBJHANDLE VESSEL::GetHandle() const {
    Call(hObj, "GetHandle");
    return hObj;
}

// The simulator hands out its own strings as char*; the caller must not change them.
char* VESSEL::GetName() const {
    static char none[] = "";
    sim::VesselRecord* v = Record(hObj);
    return v ? v->name.data() : none;
}

char* VESSEL::GetClassName() const {
    static char none[] = "";
    sim::VesselRecord* v = Record(hObj);
    return v && v->cls ? const_cast<char*>(v->cls->name.c_str()) : none;
}

int VESSEL::GetFlightModel() const { return flightmodel; }

void VESSEL::SetSize(double size) const {
    if (auto* v = Call(hObj, "SetSize", size); v && Finite(size)) v->def.size = size;
}

void VESSEL::SetEmptyMass(double emass) const {
    if (auto* v = Call(hObj, "SetEmptyMass", emass); v && Finite(emass) && MassStaysFinite(v->def, emass, 0))
        v->def.emptyMass = emass;
}

void VESSEL::ShiftCentreOfMass(const VECTOR3& shift) {
    // The vessel frame's origin moves by shift; the body stays where it is.
    if (auto* v = Call(hObj, "ShiftCentreOfMass", shift); v && Finite(shift) && Finite(v->pos + v->rot * shift))
        v->pos += v->rot * shift;
}

void VESSEL::SetTouchdownPoints(const VECTOR3& pt1, const VECTOR3& pt2, const VECTOR3& pt3) const {
    if (auto* v = Call(hObj, "SetTouchdownPoints", pt1, pt2, pt3); v && AllFinite(pt1, pt2, pt3)) {
        v->def.touchdownPoints[0] = pt1;
        v->def.touchdownPoints[1] = pt2;
        v->def.touchdownPoints[2] = pt3;
    }
}

void VESSEL::SetPMI(const VECTOR3& pmi) const {
    if (auto* v = Call(hObj, "SetPMI", pmi); v && Finite(pmi)) v->def.pmi = pmi;
}

void VESSEL::SetCrossSections(const VECTOR3& cs) const {
    if (auto* v = Call(hObj, "SetCrossSections", cs); v && Finite(cs)) v->def.crossSections = cs;
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    if (auto* v = Call(hObj, "SetCW", cw_z_pos, cw_z_neg, cw_x, cw_y); v && AllFinite(cw_z_pos, cw_z_neg, cw_x, cw_y)) {
        v->def.cw[0] = cw_z_pos;
        v->def.cw[1] = cw_z_neg;
        v->def.cw[2] = cw_x;
        v->def.cw[3] = cw_y;
    }
}

void VESSEL::SetRotDrag(const VECTOR3& rd) const {
    if (auto* v = Call(hObj, "SetRotDrag", rd); v && Finite(rd)) v->def.rotDrag = rd;
}

void VESSEL::SetPitchMomentScale(double scale) const {
    if (auto* v = Call(hObj, "SetPitchMomentScale", scale); v && Finite(scale)) v->def.pitchMomentScale = scale;
}

void VESSEL::SetBankMomentScale(double scale) const {
    if (auto* v = Call(hObj, "SetBankMomentScale", scale); v && Finite(scale)) v->def.bankMomentScale = scale;
}

void VESSEL::SetLiftCoeffFunc(LiftCoeffFunc lcf) const {
    if (auto* v = Call(hObj, "SetLiftCoeffFunc", lcf != nullptr)) v->def.liftCoeffFunc = lcf;
}

void VESSEL::SetSurfaceFrictionCoeff(double mu_lng, double mu_lat) const {
    if (auto* v = Call(hObj, "SetSurfaceFrictionCoeff", mu_lng, mu_lat); v && AllFinite(mu_lng, mu_lat)) {
        v->def.surfaceFriction[0] = mu_lng;
        v->def.surfaceFriction[1] = mu_lat;
    }
}

void VESSEL::SetCameraOffset(const VECTOR3& co) const {
    if (auto* v = Call(hObj, "SetCameraOffset", co); v && Finite(co)) v->def.cameraOffset = co;
}

void VESSEL::EnableTransponder(bool enable) const {
    if (auto* v = Call(hObj, "EnableTransponder", enable)) v->def.transponder = enable;
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass, double efficiency) const {
    auto* v = Call(hObj, "CreatePropellantResource", maxmass, mass, efficiency);
    if (!v || !AllFinite(maxmass, mass, efficiency)) return nullptr;
    if (maxmass < 0) maxmass = 0;
    if (!MassStaysFinite(v->def, v->def.emptyMass, maxmass)) return nullptr;
    const double m = mass < 0 ? maxmass : std::min(mass, maxmass);
    const Id id = W().NextId();
    v->def.tanks.push_back(sim::Tank{id, maxmass, m, efficiency});
    if (v->def.defaultTank == 0) v->def.defaultTank = id;
    return HandleOf(id);
}

void VESSEL::DelPropellantResource(PROPELLANT_HANDLE& ph) const {
    auto* v = Call(hObj, "DelPropellantResource", ph);
    if (!v) return;
    const Id id = IdOf(ph);
    auto& tanks = v->def.tanks;
    const auto it = std::find_if(tanks.begin(), tanks.end(), [&](const sim::Tank& t) { return t.id == id; });
    if (it == tanks.end()) return;
    tanks.erase(it);
    for (auto& th : v->def.thrusters)
        if (th.tank == id) th.tank = 0;
    if (v->def.defaultTank == id) v->def.defaultTank = tanks.empty() ? 0 : tanks.front().id;
    ph = nullptr;
}

double VESSEL::GetPropellantMass(PROPELLANT_HANDLE ph) const {
    auto* v = Call(hObj, "GetPropellantMass", ph);
    const sim::Tank* t = v ? v->def.FindTank(IdOf(ph)) : nullptr;
    return t ? t->mass : 0.0;
}

void VESSEL::SetPropellantMass(PROPELLANT_HANDLE ph, double mass) const {
    auto* v = Call(hObj, "SetPropellantMass", ph, mass);
    if (sim::Tank* t = v ? v->def.FindTank(IdOf(ph)) : nullptr)
        if (std::isfinite(mass)) t->mass = std::clamp(mass, 0.0, t->maxMass);
}

void VESSEL::SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const {
    auto* v = Call(hObj, "SetDefaultPropellantResource", ph);
    if (v && v->def.FindTank(IdOf(ph))) v->def.defaultTank = IdOf(ph);
}

double VESSEL::GetMaxFuelMass() const {
    auto* v = Call(hObj, "GetMaxFuelMass");
    const sim::Tank* t = v ? v->def.FindTank(v->def.defaultTank) : nullptr;
    return t ? t->maxMass : 0.0;
}

double VESSEL::GetFuelMass() const {
    auto* v = Call(hObj, "GetFuelMass");
    const sim::Tank* t = v ? v->def.FindTank(v->def.defaultTank) : nullptr;
    return t ? t->mass : 0.0;
}

void VESSEL::SetFuelMass(double mass) const {
    auto* v = Call(hObj, "SetFuelMass", mass);
    if (sim::Tank* t = v ? v->def.FindTank(v->def.defaultTank) : nullptr)
        if (std::isfinite(mass)) t->mass = std::clamp(mass, 0.0, t->maxMass);
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double maxth0, PROPELLANT_HANDLE hp,
                                       double isp0, double isp_ref, double p_ref) const {
    auto* v = Call(hObj, "CreateThruster", pos, dir, maxth0, hp, isp0, isp_ref, p_ref);
    if (!v || !AllFinite(pos, dir, maxth0, isp0, isp_ref, p_ref)) return nullptr;
    const Id id = W().NextId();
    const Id tank = v->def.FindTank(IdOf(hp)) ? IdOf(hp) : 0;
    v->def.thrusters.push_back(sim::Thruster{id, pos, dir, maxth0, isp0, isp_ref, p_ref, tank, 0.0});
    return HandleOf(id);
}

THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE* th, int nth, THGROUP_TYPE thgt) const {
    auto* v = Call(hObj, "CreateThrusterGroup", HandleList{th, nth}, nth, static_cast<int>(thgt));
    if (!v) return nullptr;
    const Id id = W().NextId();
    sim::ThrusterGroup& g = v->def.groups.emplace_back(sim::ThrusterGroup{id, static_cast<int>(thgt), {}});
    if (th && nth > 0) g.thrusters.reserve(static_cast<size_t>(nth));
    for (int i = 0; th && i < nth; ++i) g.thrusters.push_back(IdOf(th[i]));
    return HandleOf(id);
}

void VESSEL::SetThrusterLevel(THRUSTER_HANDLE th, double level) const {
    auto* v = Call(hObj, "SetThrusterLevel", th, level);
    if (sim::Thruster* t = v ? v->def.FindThruster(IdOf(th)) : nullptr)
        if (std::isfinite(level)) t->level = std::clamp(level, 0.0, 1.0);
}

double VESSEL::GetThrusterLevel(THRUSTER_HANDLE th) const {
    auto* v = Record(hObj);
    const sim::Thruster* t = v ? v->def.FindThruster(IdOf(th)) : nullptr;
    return t ? t->level : 0.0;
}

void VESSEL::SetThrusterGroupLevel(THGROUP_TYPE thgt, double level) const {
    auto* v = Call(hObj, "SetThrusterGroupLevel", static_cast<int>(thgt), level);
    if (!v || !std::isfinite(level)) return;
    sim::SetGroupLevel(v->def, thgt, level);
}

void VESSEL::ClearThrusterDefinitions() const {
    if (auto* v = Call(hObj, "ClearThrusterDefinitions")) {
        v->def.thrusters.clear();
        v->def.groups.clear();
        v->def.exhaust.clear();
    }
}

namespace {
PSTREAM_HANDLE AddStream(sim::VesselRecord* v, THRUSTER_HANDLE th, const VECTOR3* pos, const PARTICLESTREAMSPEC* pss) {
    if (!v || (pos && !Finite(*pos)) || (pss && !Finite(*pss))) return nullptr;
    sim::ExhaustStream& s = v->def.exhaust.emplace_back(sim::ExhaustStream{W().NextId(), IdOf(th), std::nullopt, {}});
    if (pss) s.spec = *pss;
    if (pos) s.pos = *pos;
    return HandleOf(s.id);
}
}  // namespace

PSTREAM_HANDLE VESSEL::AddExhaustStream(THRUSTER_HANDLE th, PARTICLESTREAMSPEC* pss) const {
    return AddStream(Call(hObj, "AddExhaustStream", th, static_cast<const void*>(pss)), th, nullptr, pss);
}

PSTREAM_HANDLE VESSEL::AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3& pos, PARTICLESTREAMSPEC* pss) const {
    return AddStream(Call(hObj, "AddExhaustStream", th, pos, static_cast<const void*>(pss)), th, &pos, pss);
}

// The headless host draws no exhaust flames, so there are no exhaust references to clear.
void VESSEL::ClearExhaustRefs() const { Call(hObj, "ClearExhaustRefs"); }
void VESSEL::ClearAttExhaustRefs() const { Call(hObj, "ClearAttExhaustRefs"); }

namespace {
UINT AddMeshSlot(sim::VesselRecord* v, MESHHANDLE h, const std::string& name, const VECTOR3* ofs) {
    if (!v) return 0;
    if (ofs && !Finite(*ofs)) return NONE;
    const auto* tpl = W().FindMeshTemplate(h);
    sim::MeshSlot slot;
    if (tpl) {
        slot.file = name.empty() ? tpl->name : name;
        slot.data = tpl->data;
    }
    slot.offset = ofs ? *ofs : VECTOR3{0, 0, 0};
    v->def.meshes.push_back(std::move(slot));
    return static_cast<UINT>(v->def.meshes.size() - 1);
}
}  // namespace

UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3* ofs) const {
    return AddMeshSlot(Call(hObj, "AddMesh", static_cast<const void*>(hMesh), ofs), hMesh, "", ofs);
}

UINT VESSEL::AddMesh(const char* meshname, const VECTOR3* ofs) const {
    auto* v = Call(hObj, "AddMesh", meshname, ofs);
    if (!v) return 0;
    if (ofs && !Finite(*ofs)) return NONE;
    const std::string name = meshname ? meshname : "";
    // A name no file system holds gets an empty slot, as a mesh that is not found.
    const bool possible = sim::PathLengthProblem(name + ".msh").empty();
    return AddMeshSlot(v, possible ? W().LoadMesh(name) : nullptr, name, ofs);
}

void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    auto* v = Call(hObj, "SetMeshVisibilityMode", idx, mode);
    if (v && idx < v->def.meshes.size()) v->def.meshes[idx].visibility = mode;
}

void VESSEL::ClearMeshes() const {
    if (auto* v = Call(hObj, "ClearMeshes")) {
        v->def.meshes.clear();
        v->def.meshesCleared = true;
    }
}

UINT VESSEL::CreateAnimation(double initial_state) const {
    auto* v = Call(hObj, "CreateAnimation", initial_state);
    if (!v) return 0;
    if (!Finite(initial_state)) return NONE;
    const UINT id = static_cast<UINT>(v->def.animations.size());
    v->def.animations.push_back(sim::Animation{id, initial_state, {}});
    return id;
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM* trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    auto* v = Call(hObj, "AddAnimationComponent", anim, state0, state1, static_cast<const void*>(trans), parent);
    if (!v || anim >= v->def.animations.size() || !trans || !AllFinite(state0, state1) || !Finite(*trans))
        return nullptr;
    auto& a = v->def.animations[anim];
    const Id parentId = IdOf(parent);
    const bool parentKnown =
        std::any_of(a.components.begin(), a.components.end(), [&](const auto& c) { return c.id == parentId; });
    sim::AnimationComponent c{W().NextId(), state0, state1, parentKnown ? parentId : 0, trans};
    a.components.push_back(c);
    return HandleOf(c.id);
}

bool VESSEL::DelAnimationComponent(UINT anim, ANIMATIONCOMPONENT_HANDLE hAC) {
    auto* v = Call(hObj, "DelAnimationComponent", anim, hAC);
    if (!v || anim >= v->def.animations.size()) return false;
    auto& comps = v->def.animations[anim].components;
    const Id id = IdOf(hAC);
    const auto it = std::find_if(comps.begin(), comps.end(), [&](const auto& c) { return c.id == id; });
    if (it == comps.end()) return false;
    comps.erase(it);
    for (auto& c : comps)
        if (c.parent == id) c.parent = 0;
    return true;
}

bool VESSEL::SetAnimation(UINT anim, double state) const {
    auto* v = Call(hObj, "SetAnimation", anim, state);
    if (!v || anim >= v->def.animations.size() || !Finite(state)) return false;
    v->def.animations[anim].state = state;
    return true;
}

DOCKHANDLE VESSEL::CreateDock(const VECTOR3& pos, const VECTOR3& dir, const VECTOR3& rot) const {
    auto* v = Call(hObj, "CreateDock", pos, dir, rot);
    if (!v || !AllFinite(pos, dir, rot)) return nullptr;
    v->def.docks.push_back(sim::Dock{W().NextId(), pos, dir, rot});
    return HandleOf(v->def.docks.back().id);
}

void VESSEL::GetStatus(VESSELSTATUS& status) const {
    auto* v = Call(hObj, "GetStatus");
    status = VESSELSTATUS{};
    status.port = -1;
    if (!v) return;
    status.rpos = v->pos;
    status.rvel = v->vel;
    status.vrot = sim::HostAngularVelocity(v->angVel);
    status.arot = sim::AnglesFromRotation(v->rot);
    if (const sim::Tank* t = v->def.FindTank(v->def.defaultTank)) status.fuel = t->maxMass > 0 ? t->mass / t->maxMass : 0.0;
    auto groupLevel = [&](int type) {
        for (const auto& g : v->def.groups)
            if (g.type == type && !g.thrusters.empty())
                if (const sim::Thruster* t = v->def.FindThruster(g.thrusters.front())) return t->level;
        return 0.0;
    };
    status.eng_main = groupLevel(THGROUP_MAIN) - groupLevel(THGROUP_RETRO);
    status.eng_hovr = groupLevel(THGROUP_HOVER);
    // rbody and base stay null: the host has no objects for bodies or surface bases.
    if (v->landed) {
        // As the simulator fills a landed status: where it stands in vdata[0] (longitude,
        // latitude, heading), and the height of its centre of mass over the ground in vrot.x.
        status.status = sim::STATUS_LANDED;
        const sim::PlanetFixed fixed = sim::OnPlanet(*v, W().Mjd());
        double lon, lat;
        sim::LonLatOnPlanet(fixed.pos, lon, lat);
        status.vdata[0] = VECTOR3{lon, lat, sim::HeadingOnPlanet(fixed.rot, fixed.pos)};
        status.vrot = VECTOR3{sim::GroundHeight(*v), 0, 0};
    }
}

void VESSEL::Local2Rel(const VECTOR3& local, VECTOR3& rel) const {
    auto* v = Call(hObj, "Local2Rel", local);
    rel = v ? v->rot * local + v->pos : VECTOR3{0, 0, 0};
}

void VESSEL::GlobalRot(const VECTOR3& rloc, VECTOR3& rglob) const {
    auto* v = Call(hObj, "GlobalRot", rloc);
    rglob = v ? v->rot * rloc : VECTOR3{0, 0, 0};
}

double VESSEL::GetAltitude() const {
    auto* v = Call(hObj, "GetAltitude");
    return v ? sim::Altitude(*v) : 0.0;
}

double VESSEL::GetAltitude(AltitudeMode mode, int* reslvl) {
    auto* v = Call(hObj, "GetAltitude", mode == ALTMODE_GROUND ? "ground" : "meanrad");
    if (reslvl) *reslvl = 0;  // one level: the ground is the same everywhere
    if (!v) return 0.0;
    return mode == ALTMODE_GROUND ? sim::GroundHeight(*v) : sim::Altitude(*v);
}

double VESSEL::GetAirspeed() const {
    auto* v = Call(hObj, "GetAirspeed");
    return v ? sim::Airspeed(*v) : 0.0;
}

bool VESSEL::GroundContact() const {
    auto* v = Call(hObj, "GroundContact");
    return v ? sim::InGroundContact(*v) : false;
}

double VESSEL::GetMass() const {
    auto* v = Record(hObj);
    return v ? v->Mass() : 0.0;
}

double VESSEL::GetEmptyMass() const {
    auto* v = Record(hObj);
    return v ? v->def.emptyMass : 0.0;
}

void VESSEL::ParseScenarioLineEx(char* line, void* status) const {
    auto* v = Call(hObj, "ParseScenarioLineEx", static_cast<const char*>(line));
    auto* state = static_cast<sim::ParsedVesselState*>(status);
    if (!v || !line || !state || state->fileKind != sim::ParsedVesselState{}.fileKind) return;
    const std::string err = sim::ParseHostKey(line, *state);
    if (!err.empty()) {
        const auto* r = state->reader;
        W().ReportInputError(sim::Where(r ? r->file : v->name, r ? r->currentLine : 0, err));
    }
}

void VESSEL::SaveDefaultState(FILEHANDLE scn) const {
    auto* v = Call(hObj, "SaveDefaultState");
    if (auto* out = sim::FileAs<sim::ScenarioWriter>(scn, sim::SCENARIO_OUT); v && out)
        sim::WriteDefaultState(W(), *v, *out);
}

VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) { version = 1; }
void VESSEL2::clbkSetClassCaps(FILEHANDLE) {}
void VESSEL2::clbkSaveState(FILEHANDLE scn) { SaveDefaultState(scn); }
void VESSEL2::clbkLoadStateEx(FILEHANDLE scn, void* status) {
    char* line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) ParseScenarioLineEx(line, status);
}
void VESSEL2::clbkSetStateEx(const void*) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkFocusChanged(bool, OBJHANDLE, OBJHANDLE) {}
void VESSEL2::clbkPreStep(double, double, double) {}
void VESSEL2::clbkPostStep(double, double, double) {}
void VESSEL2::clbkVisualCreated(VISHANDLE, int) {}
void VESSEL2::clbkVisualDestroyed(VISHANDLE, int) {}
void VESSEL2::clbkDockEvent(int, OBJHANDLE) {}
void VESSEL2::clbkAnimate(double) {}
int VESSEL2::clbkConsumeDirectKey(char*) { return 0; }
int VESSEL2::clbkConsumeBufferedKey(DWORD, bool, char*) { return 0; }
void VESSEL2::clbkNavMode(int, bool) {}
void VESSEL2::clbkRCSMode(int) {}
