// The headless host's world: its vessels, time, keyboard delay, mesh templates, the
// trace of host calls and the event timeline. One world is current at a time; the host's
// global functions act on it.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/orbiter.h"
#include "sim/class_config.h"
#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/host_notice.h"
#include "sim/clock.h"
#include "sim/mathx.h"
#include "sim/mesh.h"
#include "sim/module_loader.h"
#include "sim/records.h"
#include "sim/vessel_record.h"

namespace sim {

struct ScenarioBlockReader;

// Which vessels get a visual: every one (as if all were in view), the focus vessel only, or none.
enum class Visuals { All, Focus, None };

// VESSELSTATUS::status of a landed vessel (0 is free flight).
constexpr int STATUS_LANDED = 1;
// Bits of VESSELSTATUS::flag[0]: which of its levels oapiCreateVessel applies. GetStatus sets
// neither; without them the new vessel keeps the levels its class and module gave it.
constexpr DWORD STATUS_SETS_ENGINES = 1;  // eng_main and eng_hovr
constexpr DWORD STATUS_SETS_FUEL = 2;     // fuel, the default tank's level
// The handle of the planet, the reference body of every vessel (VESSELSTATUS::rbody); no vessel
// ever has it.
inline OBJHANDLE PlanetHandle() { return HandleOf(~Id{0}); }

struct TraceEntry {
    std::string vessel;  // the vessel whose interface was called, or whose entry point ran
    std::string call;
    std::string args;
};

struct Event {
    double time;
    std::string vessel;
    std::string what;
};

class World {
public:
    explicit World(std::filesystem::path root);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    static World* Current();

    const std::filesystem::path& Root() const { return root_; }
    // The root's files found by name; several files that answer one name are a warning, once.
    RootFiles& Files() { return files_; }
    ClassRegistry& Classes() { return classes_; }
    ModuleRegistry& Modules() { return modules_; }

    // Vessels, in creation order. Records stay at their address for their whole life.
    const std::vector<std::unique_ptr<VesselRecord>>& Vessels() const { return vessels_; }
    // By handle and by name, without a scan: the host looks vessels up on nearly every call.
    VesselRecord* Find(OBJHANDLE handle) const;
    VesselRecord* FindByName(const std::string& name) const;
    // How many vessels the lookup tables hold; always Vessels().size().
    size_t IndexedVessels() const { return byId_.size(); }

    // Creates the record and, for a module-driven class, the module's object (init, class
    // caps, class values); chooses the vessel's driver. Throws InputError for an unknown class or a
    // missing module.
    VesselRecord* AddVessel(const std::string& name, const std::string& className);
    // The creation that oapiCreateVessel performs: AddVessel, the given state, the visual when the
    // vessel is in view, PostCreation.
    VesselRecord* CreateVessel(const std::string& name, const std::string& className, const VESSELSTATUS& status);
    // Places the vessel by the status (PlaceFromStatus), and sets the default tank's level and the
    // main, retro and hover levels only as flag[0] asks (STATUS_SETS_FUEL, STATUS_SETS_ENGINES).
    void ApplyStatus(VesselRecord& v, const VESSELSTATUS& status);
    // The end of a vessel's creation, once its state is set: clbkPostCreation. For a scenario's
    // vessels, once every one of them exists.
    void PostCreation(VesselRecord& v);
    // Whether the vessel is in view by the visuals setting: every vessel, the focus vessel, none.
    bool InView(const VesselRecord& v) const;
    // The graphics' pass at the end of each frame: a vessel in view without a visual gets one,
    // a vessel with one that is no longer in view loses it.
    void UpdateVisuals();
    void CallVisualCreated(VesselRecord& v);
    // The vessel leaves view: its visual goes (clbkVisualDestroyed), to come again with CallVisualCreated.
    void DestroyVisual(VesselRecord& v);

    double groundElevation = 0.0;  // [m] the ground's height over the mean radius, everywhere
    // A new vessel takes the handle of the vessel deleted last whose handle is free, as the
    // simulator may (it can give a new vessel a deleted one's address); off, handles are never reused.
    bool reuseHandles = false;
    // How modules are called; read when a vessel's module object is created.
    Dispatch dispatch = Dispatch::Callbacks;
    Visuals visuals = Visuals::All;
    // The focus vessel: the one that gets the keys, and the one in view with Visuals::Focus. A
    // change calls the module of the vessel that loses it and of the one that gets it
    // (clbkFocusChanged) and is an event of the new one. A name no vessel has yet waits for it.
    const std::string& FocusName() const { return focus_; }
    VesselRecord* Focus() const { return FindByName(focus_); }
    void SetFocus(const std::string& name);
    // Traces a call that the host makes into a vessel's module.
    void TraceDispatch(const VesselRecord& v, const char* call, std::string args = {});
    void RequestDelete(VesselRecord& v);
    void ApplyDeletions();
    // Drops the messages waiting in the message module for vessels that have no module to read
    // them (passive classes), with a warning for each such vessel; the frame's end does it.
    void DropUnreadableMessages();
    // How many messages have been dropped so far for that reason.
    long DroppedMessages() const { return droppedMessages_; }
    // Called with each vessel just before it is destroyed.
    std::vector<std::function<void(VesselRecord&)>> onDelete;

    // One frame's step: every vessel's pre-step (the step's start time), the physics, every
    // vessel's post-step (its end time), deletions, then the visuals (UpdateVisuals). A vessel
    // created during the step is stepped in the same frame from where it was created on.
    void AdvanceFrame(double frameDt);
    double SimTime() const { return simTime_; }
    double SimStep() const { return simStep_; }
    double RealTime() const { return realTime_; }
    double TimeAcceleration() const { return timeAcc_; }
    void SetTimeAcceleration(double factor);
    double Mjd() const { return MjdAt(simTime_); }
    // The date at a simulation time (within a frame, that of a substep).
    double MjdAt(double simTime) const { return mjd0_ + simTime / SECONDS_PER_DAY; }
    void SetStartMjd(double mjd) { mjd0_ = mjd; }

    // Keyboard
    bool AcceptDelayedKey(int key, double interval);
    // One buffered key event for a vessel's module; what it answered.
    int DeliverBufferedKey(VesselRecord& v, DWORD key, bool down, char* kstate);
    // The same for the focus vessel, the only one that gets keys; 0 without one.
    int KeyToFocus(DWORD key, bool down, char* kstate);

    // Mesh templates
    MESHHANDLE LoadMesh(const std::string& name);
    struct MeshTemplate {
        std::string name;
        std::shared_ptr<const MeshData> data;
    };
    const MeshTemplate* FindMeshTemplate(MESHHANDLE h) const;
    // The mesh files this world has read, shared with the check of the class files before the load.
    MeshFileCache& MeshFiles() { return meshFiles_; }

    // Ids of everything the host hands out, unique in this world.
    Id NextId() { return ++lastId_; }

    // Trace of host calls; off unless enabled. Kept in trace, or handed to onTrace as each call
    // happens when it is set (a long run's trace then takes no memory).
    bool tracing = false;
    std::vector<TraceEntry> trace;
    std::function<void(const TraceEntry&)> onTrace;
    void Trace(const VesselRecord* v, const char* call, std::string args);
    void AddTrace(TraceEntry entry);
    // The vessel whose entry point is running (innermost), for calls that name no vessel.
    const VesselRecord* Context() const { return context_.empty() ? nullptr : context_.back(); }

    // The event timeline; a run whose outputs show no events keeps none, so that it does not
    // grow with every vessel created and deleted.
    bool keepEvents = true;
    std::vector<Event> events;
    // Lines that modules wrote to the host's log (oapiWriteLog), in order; kept unless turned off
    // (a run whose outputs read the log from the timeline keeps none, so that it does not grow).
    bool keepLog = true;
    std::vector<std::string> log;
    // The host's warnings, in order: what it declined or dropped (a vessel not created, a mesh not
    // found, messages no module reads). Each is also handed to onNotice as it happens.
    std::vector<std::string> warnings;
    void Warn(std::string text);
    // A module did what the simulator would fail on (a log line that is not plain text): a warning,
    // counted, which --strict turns into a failed run.
    void ModuleFault(std::string text);
    long ModuleFaults() const { return moduleFaults_; }
    // The vessel whose clbkPostStep runs, while it runs (else null).
    const VesselRecord* InPostStep() const { return inPostStep_; }
    // A module fault the first time a vessel creates another during its clbkPostStep.
    void NoteCreationInPostStep(const std::string& created);
    // Hears each warning and each log line as it happens; starts as DefaultNoticeListener().
    NoticeListener onNotice = DefaultNoticeListener();
    // The vessel block a module is loading its state from, while it does.
    const ScenarioBlockReader* reading = nullptr;
    // The class file a module may read items from (oapiReadItem_string) while its vessel's class
    // set-up runs; the simulator closes the file when clbkSetClassCaps returns.
    const VesselClass* classSetUp = nullptr;
    // At the current simulation time, or at the given one (a moment inside the frame's step).
    void AddEvent(const VesselRecord& v, std::string what, double time = -1.0);

    // An input error found while a module had control (for instance a bad host key handed
    // to ParseScenarioLineEx). The first one is kept; the caller reports it when control returns.
    void ReportInputError(const std::string& message);
    const std::optional<std::string>& PendingError() const { return pendingError_; }
    void ThrowIfError();

    // Runs a host function on behalf of the module that called it, so that no exception reaches
    // the module: a refused vessel (VesselRefused) becomes the warning refusal + its reason; any
    // other input error (a broken class file, mesh or module) is kept for the host to report once
    // the module returns. Either way the module gets `failed`.
    template <class R, class F>
    R GuardHostCall(const std::string& refusal, R failed, F&& call) {
        try {
            return call();
        } catch (const VesselRefused& e) {
            Warn(refusal + e.what());
        } catch (const InputError& e) {
            ReportInputError(e.what());
        }
        return failed;
    }

    // Records a "rebuilt" event for a vessel whose module has defined it anew since the last look.
    void NoteRebuild(VesselRecord& v);

    // Calls into a vessel's module with the vessel as context.
    template <class F>
    auto InContext(const VesselRecord& v, F&& f) {
        struct Guard {
            std::vector<const VesselRecord*>& s;
            ~Guard() { s.pop_back(); }
        } guard{context_};
        context_.push_back(&v);
        return f();
    }

    static constexpr const char* MESSAGE_BUS_MODULE = "dravomessage";

private:
    void MoveFocusFromDeleted();
    void LinkMessageBus();
    void Destroy(VesselRecord& v);
    void Discard(VesselRecord& v);  // ends the module's object and removes the record

    std::filesystem::path root_;
    RootFiles files_;
    ClassRegistry classes_;
    ModuleRegistry modules_;
    std::vector<std::unique_ptr<VesselRecord>> vessels_;
    // Kept in step with vessels_ by AddVessel and Discard; names never change after creation.
    std::unordered_map<Id, VesselRecord*> byId_;
    std::unordered_map<std::string, VesselRecord*> byName_;
    std::map<Id, MeshTemplate> meshTemplates_;
    std::unordered_map<std::string, Id> meshTemplateByName_;  // kept in step with meshTemplates_
    MeshFileCache meshFiles_;
    std::vector<std::string> missingMeshes_;
    std::vector<const VesselRecord*> context_;
    Id lastId_ = 0;
    std::vector<Id> freedVesselIds_;  // with reuseHandles, the deleted vessels' ids, last deleted at the back
    double simTime_ = 0.0;
    double simStep_ = 0.0;
    double realTime_ = 0.0;
    double timeAcc_ = 1.0;
    double mjd0_ = DEFAULT_START_MJD;
    int lastKey_ = -1;
    double lastKeyTime_ = 0.0;
    std::optional<std::string> pendingError_;
    std::string focus_;
    const VesselRecord* inPostStep_ = nullptr;
    std::unordered_set<Id> createdInPostStep_;  // the vessels already told
    World* previous_ = nullptr;
    void* messageBus_ = nullptr;  // the root's message module, when it has one
    using ForgetMessagesFn = int (*)(VESSEL*);  // returns how many messages it dropped
    ForgetMessagesFn forgetMessages_ = nullptr;  // the message module's ForgetCMessages, when it has one
    long droppedMessages_ = 0;
    long moduleFaults_ = 0;
};

}  // namespace sim
