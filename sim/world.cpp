#include "sim/world.h"

#include <algorithm>

#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/mesh.h"
#include "sim/physics.h"
#include "sim/placement.h"
#include "sim/platform.h"
#include "sim/scenario.h"
#include "sim/text.h"

namespace sim {

namespace {
World* g_current = nullptr;

constexpr double MIN_TIME_ACCELERATION = 0.1;
constexpr double MAX_TIME_ACCELERATION = 100000.0;
// Applies the class values the host reads (size, mass, tanks, engine, drag, inertia, touchdown
// points, camera, transponder, mesh) to a new vessel's definition.
void ApplyClassValues(World& world, const VesselClass& cls, VesselRecord& v) {
    const ClassValues c = ReadClassValues(cls);
    VesselDefinition& d = v.def;
    if (c.size) d.size = *c.size;
    if (c.emptyMass) d.emptyMass = *c.emptyMass;
    if (c.crossSections) d.crossSections = *c.crossSections;
    if (c.rotDrag) d.rotDrag = *c.rotDrag;
    if (c.pmi) d.pmi = *c.pmi;
    if (c.cameraOffset) d.cameraOffset = *c.cameraOffset;
    if (c.cw)
        for (int i = 0; i < 4; ++i) d.cw[i] = (*c.cw)[i];
    if (c.touchdownPoints)
        for (int i = 0; i < 3; ++i) d.touchdownPoints[i] = (*c.touchdownPoints)[i];
    if (c.transponder) d.transponder = *c.transponder;
    if (c.transponderChannel) d.transponderChannel = *c.transponderChannel;

    Id tank = 0;
    if (c.tankMax) {
        tank = world.NextId();
        d.tanks.push_back(Tank{tank, *c.tankMax, *c.tankMax, c.tankEfficiency});
        if (d.defaultTank == 0) d.defaultTank = tank;
    }
    if (c.mainThrust) {
        Thruster th{world.NextId(), {0, 0, 0}, {0, 0, 1}, *c.mainThrust, c.isp, 0.0, 101400.0, tank};
        d.thrusters.push_back(th);
        d.groups.push_back(ThrusterGroup{world.NextId(), THGROUP_MAIN, {th.id}});
    }
    if (c.meshName) {
        MESHHANDLE h = world.LoadMesh(*c.meshName);
        const auto* tpl = world.FindMeshTemplate(h);
        d.meshes.push_back(MeshSlot{*c.meshName, tpl ? tpl->data : nullptr, {0, 0, 0}, 1});
    }
}

}  // namespace

World::World(std::filesystem::path root)
    : root_(std::move(root)), files_(root_), classes_(files_), modules_(files_), previous_(g_current) {
    g_current = this;
    files_.onAmbiguous = [this](std::string text) { Warn(std::move(text)); };
    LinkMessageBus();
}

World::~World() {
    // Modules' objects go first, newest first, while their libraries are still loaded.
    while (!vessels_.empty()) Destroy(*vessels_.back());
    platform::CloseLibrary(messageBus_);
    g_current = previous_;
}

void World::LinkMessageBus() {
    // The message module of this root, when it has one: the host holds it for the world's life
    // and tells it of every deleted vessel, so that messages waiting for a vessel never reach a
    // later one that gets the same address.
    const std::optional<std::filesystem::path> path = FindModuleFile(files_, MESSAGE_BUS_MODULE);
    if (!path) return;
    std::string ignored;  // a message module that does not load has no messages to forget
    messageBus_ = platform::OpenLibrary(*path, ignored);
    if (!messageBus_) return;
    forgetMessages_ = reinterpret_cast<ForgetMessagesFn>(platform::LibrarySymbol(messageBus_, "ForgetCMessages"));
    if (forgetMessages_)
        onDelete.push_back([forget = forgetMessages_](VesselRecord& v) {
            if (v.iface) forget(v.iface);
        });
}

void World::DropUnreadableMessages() {
    // A passive vessel never polls: what a carrier hands over to it (a released stage's payload
    // lines) would stay queued for good and fill the module for every other vessel.
    if (!forgetMessages_) return;
    for (const auto& v : vessels_) {
        if (v->module || !v->iface) continue;
        const int dropped = forgetMessages_(v->iface);
        if (dropped <= 0) continue;
        droppedMessages_ += dropped;
        Warn("dropped " + std::to_string(dropped) + " message(s) for vessel '" + v->name + "', whose class '" +
             v->ClassName() + "' has no module to read them");
    }
}

World* World::Current() { return g_current; }

VesselRecord* World::Find(OBJHANDLE handle) const {
    const Id id = IdOf(handle);
    if (id == 0) return nullptr;
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

VesselRecord* World::FindByName(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

VesselRecord* World::AddVessel(const std::string& name, const std::string& className) {
    if (name.empty()) throw VesselRefused("a vessel needs a name");
    if (FindByName(name)) throw VesselRefused("vessel name '" + name + "' is already taken; vessel names must be unique");
    const VesselClass& cls = classes_.Get(className);
    const VesselModule* module = cls.module ? &modules_.Get(*cls.module, cls.name, cls.path) : nullptr;

    auto owned = std::make_unique<VesselRecord>();
    VesselRecord& v = *owned;
    if (reuseHandles && !freedVesselIds_.empty()) {
        v.id = freedVesselIds_.back();
        freedVesselIds_.pop_back();
    } else {
        v.id = NextId();
    }
    v.name = name;
    v.cls = &cls;
    v.module = module;
    vessels_.push_back(std::move(owned));
    byId_.emplace(v.id, &v);
    byName_.emplace(v.name, &v);

    try {
        if (module) {
            TraceDispatch(v, "ovcInit");
            VESSEL* iface = InContext(v, [&] { return module->init(v.Handle(), 1); });
            if (!iface) throw InputError("module '" + module->name + "' could not create vessel '" + name + "'");
            v.iface = iface;
            v.driver = &DriverFor(dispatch, v);
            // A creation inside the set-up (a module may create a vessel there) has its own file
            // open meanwhile; this one is open again after it.
            const VesselClass* outer = classSetUp;
            classSetUp = &cls;
            try {
                v.driver->SetClassCaps(*this, v, const_cast<VesselClass*>(&cls));
            } catch (...) {
                classSetUp = outer;
                throw;
            }
            classSetUp = outer;
        } else {
            v.passiveIface = std::make_unique<VESSEL>(v.Handle(), 1);
            v.iface = v.passiveIface.get();
        }
        ApplyClassValues(*this, cls, v);
    } catch (...) {
        // A vessel that could not be completed leaves nothing behind.
        Discard(v);
        throw;
    }
    v.flightLog.createdAt = simTime_;
    AddEvent(v, "created " + cls.name);
    return &v;
}

VesselRecord* World::CreateVessel(const std::string& name, const std::string& className, const VESSELSTATUS& status) {
    VesselRecord* v = AddVessel(name, className);
    ApplyStatus(*v, status);
    // As the simulator's graphics are told of a new vessel: a visual at once when it is in view,
    // before the module's post-creation.
    if (InView(*v)) {
        v->driver->VisualCreated(*this, *v, HandleOf(v->id));
        v->hasVisual = true;
    }
    PostCreation(*v);
    return v;
}

void World::ApplyStatus(VesselRecord& v, const VESSELSTATUS& status) {
    PlaceFromStatus(*this, v, status);
    if (status.flag[0] & STATUS_SETS_FUEL)
        if (Tank* t = v.def.FindTank(v.def.defaultTank)) t->mass = t->maxMass * std::clamp(status.fuel, 0.0, 1.0);
    if (status.flag[0] & STATUS_SETS_ENGINES) {
        SetGroupLevel(v.def, THGROUP_MAIN, std::max(status.eng_main, 0.0));
        SetGroupLevel(v.def, THGROUP_RETRO, std::max(-status.eng_main, 0.0));
        SetGroupLevel(v.def, THGROUP_HOVER, status.eng_hovr);
    }
}

void World::TraceDispatch(const VesselRecord& v, const char* call, std::string args) {
    if (tracing) AddTrace(TraceEntry{v.name, std::string("> ") + call, std::move(args)});
}

void World::PostCreation(VesselRecord& v) {
    v.driver->PostCreation(*this, v);
    NoteRebuild(v);  // one event for the definitions of the whole creation
    // The lists keep what the creation put in them, not the room their growth left: with a
    // thousand vessels that room is about a third of what the host holds for each.
    VesselDefinition& d = v.def;
    d.meshes.shrink_to_fit();
    d.tanks.shrink_to_fit();
    d.thrusters.shrink_to_fit();
    d.groups.shrink_to_fit();
    d.exhaust.shrink_to_fit();
    d.docks.shrink_to_fit();
    d.animations.shrink_to_fit();
    for (Animation& a : d.animations) a.components.shrink_to_fit();
}

bool World::InView(const VesselRecord& v) const {
    return visuals == Visuals::All || (visuals == Visuals::Focus && v.name == focus_);
}

void World::UpdateVisuals() {
    for (size_t i = 0; i < vessels_.size(); ++i) {
        VesselRecord& v = *vessels_[i];
        const bool inView = InView(v);
        if (inView && !v.hasVisual) CallVisualCreated(v);
        else if (!inView && v.hasVisual) DestroyVisual(v);
    }
}

void World::CallVisualCreated(VesselRecord& v) {
    v.driver->VisualCreated(*this, v, HandleOf(v.id));
    v.hasVisual = true;
    NoteRebuild(v);
}

void World::SetFocus(const std::string& name) {
    if (name == focus_) return;
    VesselRecord* before = Focus();
    focus_ = name;
    VesselRecord* after = Focus();
    if (!after) return;
    const OBJHANDLE from = before ? before->Handle() : nullptr;
    if (before) {
        before->driver->FocusChanged(*this, *before, false, after->Handle(), from);
        AddEvent(*after, "focus (from " + before->name + ")");
    }
    after->driver->FocusChanged(*this, *after, true, after->Handle(), from);
}

void World::MoveFocusFromDeleted() {
    // As the simulator: the vessel nearest to the deleted focus vessel takes the focus.
    const VesselRecord* gone = Focus();
    if (!gone || !gone->deletePending) return;
    const VesselRecord* nearest = nullptr;
    double nearestDistance = 0.0;
    for (const auto& v : vessels_) {
        if (v->deletePending) continue;
        const double d = Length(v->pos - gone->pos);
        if (!nearest || d < nearestDistance) nearest = v.get(), nearestDistance = d;
    }
    SetFocus(nearest ? nearest->name : std::string());
}

void World::NoteRebuild(VesselRecord& v) {
    if (!v.def.meshesCleared) return;
    v.def.meshesCleared = false;
    std::string meshes;
    for (const auto& m : v.def.meshes)
        if (m.data) meshes += (meshes.empty() ? "" : ",") + m.file;
    AddEvent(v, "rebuilt size " + FormatDouble(v.def.size) + " meshes " + (meshes.empty() ? "none" : meshes));
}

void World::RequestDelete(VesselRecord& v) { v.deletePending = true; }

void World::ApplyDeletions() {
    MoveFocusFromDeleted();
    for (size_t i = 0; i < vessels_.size();) {
        if (vessels_[i]->deletePending) {
            Destroy(*vessels_[i]);
        } else {
            ++i;
        }
    }
}

void World::Destroy(VesselRecord& v) {
    for (auto& hook : onDelete) hook(v);
    AddEvent(v, "deleted");
    Discard(v);
}

void World::DestroyVisual(VesselRecord& v) {
    if (!v.hasVisual) return;
    v.hasVisual = false;
    v.driver->VisualDestroyed(*this, v, HandleOf(v.id));
}

void World::Discard(VesselRecord& v) {
    DestroyVisual(v);
    if (v.module && v.module->exit && v.iface && !v.passiveIface) {
        TraceDispatch(v, "ovcExit");
        VESSEL* iface = v.iface;
        v.iface = nullptr;
        InContext(v, [&] { v.module->exit(iface); });
    }
    byId_.erase(v.id);
    byName_.erase(v.name);
    if (reuseHandles) freedVesselIds_.push_back(v.id);
    auto it = std::find_if(vessels_.begin(), vessels_.end(), [&](const auto& p) { return p.get() == &v; });
    if (it != vessels_.end()) vessels_.erase(it);
}

void World::AdvanceFrame(double frameDt) {
    simStep_ = frameDt * timeAcc_;
    realTime_ += frameDt;
    const double startTime = simTime_;
    const double startMjd = Mjd();
    const double endTime = simTime_ + simStep_;
    const double endMjd = mjd0_ + endTime / SECONDS_PER_DAY;
    // As in the simulator's loops, the count is read again for each vessel: one created during
    // the step gets its calls in this frame from there on. Deletions wait for the frame's end, so
    // the indices hold; records stay at their address as the list grows.
    for (size_t i = 0; i < vessels_.size(); ++i) {
        VesselRecord& v = *vessels_[i];
        v.driver->PreStep(*this, v, startTime, simStep_, startMjd);
        NoteRebuild(v);
    }
    StepPhysics(*this, simStep_);
    simTime_ = endTime;
    for (size_t i = 0; i < vessels_.size(); ++i) {
        VesselRecord& v = *vessels_[i];
        // The simulator's post-step runs inside its state update; the older hosts' time step is
        // not marked.
        inPostStep_ = dispatch == Dispatch::Callbacks ? &v : nullptr;
        v.driver->PostStep(*this, v, endTime, simStep_, endMjd);
        inPostStep_ = nullptr;
        NoteRebuild(v);
    }
    DropUnreadableMessages();
    ApplyDeletions();
    UpdateVisuals();
}

void World::SetTimeAcceleration(double factor) {
    if (!std::isfinite(factor)) return;
    timeAcc_ = std::clamp(factor, MIN_TIME_ACCELERATION, MAX_TIME_ACCELERATION);
}

bool World::AcceptDelayedKey(int key, double interval) {
    // Real time is a sum of frame lengths; a tolerance keeps 10 frames of 0.1 s from falling short of 1 s.
    if (key == lastKey_ && realTime_ - lastKeyTime_ < interval - TIME_TOLERANCE) return false;
    lastKey_ = key;
    lastKeyTime_ = realTime_;
    return true;
}

int World::DeliverBufferedKey(VesselRecord& v, DWORD key, bool down, char* kstate) {
    return v.driver->ConsumeBufferedKey(*this, v, key, down, kstate);
}

int World::KeyToFocus(DWORD key, bool down, char* kstate) {
    VesselRecord* v = Focus();
    return v ? DeliverBufferedKey(*v, key, down, kstate) : 0;
}

MESHHANDLE World::LoadMesh(const std::string& name) {
    if (auto known = meshTemplateByName_.find(name); known != meshTemplateByName_.end()) return HandleOf(known->second);
    if (const std::string problem = FolderNameProblem(name); !problem.empty()) {
        // Nothing is opened for a name that leads out of Meshes: it names no mesh.
        if (std::find(missingMeshes_.begin(), missingMeshes_.end(), name) == missingMeshes_.end()) {
            missingMeshes_.push_back(name);
            Warn((name.empty() ? std::string("mesh '' names no file") : FolderNameRefusal("mesh", name, problem)) +
                 "; its template is null");
        }
        return nullptr;
    }
    const std::optional<std::filesystem::path> path = FindMeshFile(files_, name);
    if (!path) {
        if (std::find(missingMeshes_.begin(), missingMeshes_.end(), name) == missingMeshes_.end()) {
            missingMeshes_.push_back(name);
            Warn("mesh '" + name + "' not found at " + MeshPath(root_, name).string() + "; its template is null");
        }
        return nullptr;
    }
    return GuardHostCall("mesh '" + name + "' not read: ", MESHHANDLE{nullptr}, [&] {
        auto data = meshFiles_.Read(*path);
        const Id id = NextId();
        meshTemplates_.emplace(id, MeshTemplate{name, std::move(data)});
        meshTemplateByName_.emplace(name, id);
        return HandleOf(id);
    });
}

const World::MeshTemplate* World::FindMeshTemplate(MESHHANDLE h) const {
    auto it = meshTemplates_.find(IdOf(h));
    return it == meshTemplates_.end() ? nullptr : &it->second;
}

void World::Trace(const VesselRecord* v, const char* call, std::string args) {
    if (!tracing) return;
    if (!v) v = Context();
    AddTrace(TraceEntry{v ? v->name : std::string(), call, std::move(args)});
}

void World::AddTrace(TraceEntry entry) {
    if (onTrace) onTrace(entry);
    else trace.push_back(std::move(entry));
}

void World::AddEvent(const VesselRecord& v, std::string what, double time) {
    if (!keepEvents) return;
    events.push_back(Event{time >= 0 ? time : simTime_, v.name, std::move(what)});
}

void World::Warn(std::string text) {
    warnings.push_back(text);
    if (onNotice) onNotice(HostNotice{HostNotice::Kind::Warning, std::move(text)});
}

void World::NoteCreationInPostStep(const std::string& created) {
    if (!inPostStep_ || !createdInPostStep_.insert(inPostStep_->id).second) return;
    ModuleFault("module fault: vessel '" + Printable(inPostStep_->name) + "' created '" + Printable(created) +
                "' in its clbkPostStep: the simulator places a vessel made during its state update where the "
                "planet stood at the frame's start, some 500 m off (create it in clbkPreStep or a key callback; "
                "said once per vessel)");
}

void World::ModuleFault(std::string text) {
    ++moduleFaults_;
    Warn(std::move(text));
}

void World::ReportInputError(const std::string& message) {
    if (!pendingError_) pendingError_ = message;
}

void World::ThrowIfError() {
    if (pendingError_) {
        std::string message = *pendingError_;
        pendingError_.reset();
        throw InputError(message);
    }
}

}  // namespace sim
