#include "sim/app/simulation.h"

#include <algorithm>
#include <cstring>

#include "host/hosttypes.h"
#include "sim/class_config.h"
#include "sim/clock.h"
#include "sim/errors.h"
#include "sim/folder_names.h"
#include "sim/physics.h"
#include "sim/text.h"

namespace sim {

namespace {
constexpr unsigned char KEY_DOWN_BIT = 0x80;  // of a key's byte in the keyboard state, while it is held
}  // namespace

Simulation::Simulation(const std::filesystem::path& root, const std::filesystem::path& scenarioFile,
                       const HostOptions& options, FlightScript script)
    : scenario_(ReadScenarioFile(scenarioFile)),
      world_(root),
      script_(std::move(script)),
      telemetry_(options.telemetry, options.telemetryRows, options.plot) {
    world_.tracing = options.tracing;
    world_.onTrace = options.onTrace;
    world_.dispatch = options.dispatch;
    world_.visuals = options.visuals;
    world_.keepEvents = options.events;
    world_.keepLog = false;  // no output reads the log lines apart from the timeline's copies
    world_.reuseHandles = options.reuseHandles;
    if (options.groundElevation) scenario_.groundElevation = *options.groundElevation;
    classCheck_ = CheckClassFiles(root, scenario_, &world_.MeshFiles(), &world_.Files());
    if (!classCheck_.errors.empty()) {
        std::string message;
        for (const auto& e : classCheck_.errors) message += (message.empty() ? "" : "\n") + e;
        throw InputError(message);
    }
    // Before the load, so that no module has been called when a script line is refused.
    const ModuleOfClassFn moduleOfClass = [this](const std::string& className) -> std::optional<std::string> {
        if (!FolderNameProblem(className).empty()) return std::nullopt;
        const std::optional<std::filesystem::path> file = FindClassFile(world_.Files(), className);
        if (!file) return std::nullopt;
        try {
            return ReadClassFile(*file, className)->module;
        } catch (const InputError&) {
            return std::nullopt;  // a class file with a mistake stops the run where its vessel is made
        }
    };
    if (!script_.actions.empty())
        CheckScriptVessels(script_, NamesOfFlight(scenario_, moduleOfClass), scenario_.file);
    LoadScenario(world_, scenario_);
    world_.DropUnreadableMessages();
    world_.ApplyDeletions();
    plotted_ = world_.FocusName();
    telemetry_.Sample(world_, plotted_, true);
}

void Simulation::PressKeys(VesselRecord& v, const KeyCombo& combo) {
    // Only the focus vessel gets keys: a key for another vessel moves the focus to it first.
    world_.SetFocus(v.name);
    // The keyboard as the host polls it after the step: the whole combination held.
    char kstate[KEYBOARD_STATE_SIZE];
    std::memset(kstate, 0, sizeof kstate);
    kstate[combo.key] = static_cast<char>(KEY_DOWN_BIT);
    for (int m : combo.modifiers) kstate[m] = static_cast<char>(KEY_DOWN_BIT);
    // The key goes before what it causes (a vessel created, a log line) in the timeline.
    const size_t before = world_.events.size();
    for (int m : combo.modifiers) world_.KeyToFocus(static_cast<DWORD>(m), true, kstate);
    const int result = world_.KeyToFocus(static_cast<DWORD>(combo.key), true, kstate);
    world_.AddEvent(v, "key " + combo.text + " -> " + std::to_string(result));
    if (world_.events.size() > before + 1)
        std::rotate(world_.events.begin() + static_cast<std::ptrdiff_t>(before), world_.events.end() - 1,
                    world_.events.end());
    held_.push_back(combo);
}

void Simulation::ReleaseKeys() {
    std::vector<KeyCombo> released;
    released.swap(held_);
    for (const KeyCombo& combo : released) {
        // By the next poll the whole combination is up again.
        char kstate[KEYBOARD_STATE_SIZE];
        std::memset(kstate, 0, sizeof kstate);
        VesselRecord* focus = world_.Focus();
        const size_t before = world_.events.size();
        const int result = world_.KeyToFocus(static_cast<DWORD>(combo.key), false, kstate);
        for (auto m = combo.modifiers.rbegin(); m != combo.modifiers.rend(); ++m)
            world_.KeyToFocus(static_cast<DWORD>(*m), false, kstate);
        if (!focus) continue;
        world_.AddEvent(*focus, "key " + combo.text + " up -> " + std::to_string(result));
        if (world_.events.size() > before + 1)
            std::rotate(world_.events.begin() + static_cast<std::ptrdiff_t>(before), world_.events.end() - 1,
                        world_.events.end());
    }
}

void Simulation::Carry(ScriptAction& a) {
    a.done = true;
    VesselRecord* v = world_.FindByName(a.vessel);
    if (!v)
        throw InputError(Where(script_.file, a.line, "vessel '" + a.vessel + "' does not exist when this action falls due"));
    switch (a.kind) {
        case ScriptAction::Kind::KEY:
            PressKeys(*v, a.combo);
            break;
        case ScriptAction::Kind::FOCUS: {
            VesselRecord* target = world_.FindByName(a.word);
            if (!target)
                throw InputError(
                    Where(script_.file, a.line, "vessel '" + a.word + "' does not exist when this action falls due"));
            world_.SetFocus(target->name);
            break;
        }
        case ScriptAction::Kind::TIMEACC:
            world_.SetTimeAcceleration(a.value);
            world_.AddEvent(*v, "timeacc " + FormatDouble(world_.TimeAcceleration()) + " (script)");
            break;
        case ScriptAction::Kind::NAVMODE:
            v->navMode = a.navMode;
            world_.AddEvent(*v, std::string("script navmode ") + NavModeText(a.navMode));
            if (a.navMode == NavMode::Off) {
                // The autopilot lets go of the attitude thrusters it held.
                for (int type = THGROUP_ATT_PITCHUP; type <= THGROUP_ATT_BANKRIGHT; ++type) SetGroupLevel(v->def, type, 0.0);
            }
            break;
        case ScriptAction::Kind::THRUST: {
            const int type = a.word == "main" ? THGROUP_MAIN : a.word == "retro" ? THGROUP_RETRO : THGROUP_HOVER;
            SetGroupLevel(v->def, type, a.value);
            world_.AddEvent(*v, "script thrust " + a.word + " " + FormatDouble(a.value));
            break;
        }
        case ScriptAction::Kind::SAVE:
            // A save that cannot be written is reported at the end; the flight and the other
            // outputs go on.
            try {
                WriteTextFile(a.file, SaveText());
                world_.AddEvent(*v, "script save " + a.file.string());
            } catch (const InputError& e) {
                failedSaves_.push_back(Where(script_.file, a.line, std::string("save: ") + e.what()));
            }
            break;
    }
    world_.ThrowIfError();
}

void Simulation::RunDueActions(bool keys) {
    const double now = world_.SimTime();
    for (auto& a : script_.actions) {
        if (a.done || (a.kind == ScriptAction::Kind::KEY) != keys) continue;
        if (a.trigger == ScriptAction::Trigger::AT) {
            if (a.threshold <= now + TIME_TOLERANCE) Carry(a);
        } else {
            const VesselRecord* v = world_.FindByName(a.vessel);
            if (v && Altitude(*v) < a.threshold) Carry(a);
        }
    }
}

void Simulation::Frame(double frameDt) {
    // The host's own settings (time acceleration, autopilot, thrust, focus, saves) at the frame's
    // start, so that a time acceleration holds for this frame's own step.
    RunDueActions(false);
    world_.AdvanceFrame(frameDt);
    ++frames_;
    world_.ThrowIfError();
    // The keyboard as the simulator reads it: after the step (what the keys do is flown from the
    // next frame on); the keys pressed in the frame before come up first.
    ReleaseKeys();
    RunDueActions(true);
    if (telemetry_.Scope() != TelemetryScope::None) telemetry_.Sample(world_, plotted_);
    world_.ThrowIfError();
}

bool Simulation::AnyVesselInAtmosphere() const {
    for (const auto& v : world_.Vessels())
        if (!v->landed && Altitude(*v) < ATMOSPHERE_TOP) return true;
    return false;
}

long Simulation::Run(const RunLimits& limits) {
    const long start = frames_;
    for (;;) {
        if (limits.frames && frames_ - start >= *limits.frames) break;
        if (limits.until && world_.SimTime() >= *limits.until - TIME_TOLERANCE) break;
        if (!limits.frames && !limits.until) {
            if (world_.SimTime() >= DEFAULT_RUN_LIMIT - TIME_TOLERANCE) break;
            if (script_.Done() && !AnyVesselInAtmosphere()) break;
        }
        Frame(limits.frameDt);
    }
    return frames_ - start;
}

}  // namespace sim
