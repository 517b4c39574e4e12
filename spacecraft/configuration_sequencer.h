// The configuration sequencer: which configuration the spacecraft is in, the rebuild that
// defines it a few time steps after a change, and every way from one configuration to the next
// (the descent's, the key's, the landing's). It asks the host nothing: the vessel hands it what
// it measured and carries out what it answers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "host/orbiter.h"
#include "spacecraft/configurations.h"
#include "spacecraft/step_inputs.h"

// The configuration of no set-up: before the first definition, and saved as such.
constexpr Configuration NO_CONFIGURATION = static_cast<Configuration>(-1);

// How far the deferred rebuild has gone; the numbers are those saved under REBUILD.
enum class RebuildPhase : std::int32_t {
    Idle = 0,          // nothing pending
    Requested = 1,     // the next step stows the arrays
    PanelsStowed = 2,  // the next step runs the configuration's set-up
    Rebuilt = 3,       // the next step shows the arrays at their state again, and the rebuild ends
};

// What a time step of the rebuild has the spacecraft do.
enum class RebuildStep { None, StowPanels, SetUp, ShowPanels };

// A change of configuration, and what the vessel does on the way.
struct Transition {
    enum class Act : std::uint8_t { None, SeparateModules, ReleaseMainChute };
    Configuration to;
    Act act = Act::None;
    bool byHand = false;  // Control+J
};

// What the sequencer asks of one time step, carried out in this order: the caps, the transition,
// then the landing burn's step.
struct SequencerStep {
    std::array<TimeAccelerationCap, 2> caps{};
    int capCount = 0;
    std::optional<Transition> transition;
    bool landingBurn = false;
};

class ConfigurationSequencer {
public:
    explicit ConfigurationSequencer(ConfigurationTable table = CONFIGURATIONS) : table(table) {}
    ConfigurationSequencer(const ConfigurationSequencer&) = delete;
    ConfigurationSequencer& operator=(const ConfigurationSequencer&) = delete;

    // The row of the configuration, or of any number; null for one without a row.
    const ConfigurationDef* Row() const { return Row(configuration); }
    const ConfigurationDef* Row(Configuration c) const { return FindConfiguration(table, Number(c)); }

    // Starts the rebuild over from its first phase, whatever phase it is in.
    void RequestRebuild() { rebuildCounter = RebuildPhase::Requested; }
    // A new configuration, defined by the rebuild that this requests.
    void SwitchTo(Configuration next);
    // Advances the rebuild by one time step.
    RebuildStep StepRebuild();
    // From the stowing on, a rebuild holds the arrays stowed until it ends.
    bool HoldsPanelsStowed() const { return rebuildCounter >= RebuildPhase::PanelsStowed; }

    // The set-up of the present configuration is about to define the vessel.
    void Defining() { definedConfiguration = configuration; }
    // The full-stack baseline defines the vessel; the rebuild into the actual configuration follows.
    void DefinedAsBaseline();
    // The present definition's landing thruster is of this kind (its handle names a live thruster).
    bool Defines(LandingThruster kind) const;

    // After a state load: the configuration to define now is the one defined at the save while a
    // rebuild was pending then, so that the rebuild goes on from the same phase and completes when
    // it would have. Begin sets it and returns the loaded configuration; End restores that and
    // resumes the rebuild.
    Configuration BeginLoadedDefinition();
    void EndLoadedDefinition(Configuration loaded);
    // The rebuild pending at the save goes on from its phase, with the configuration then defined;
    // without one the rebuild is left at `otherwise`. The saved values are used up.
    void ResumeSavedRebuild(RebuildPhase otherwise);
    // A REBUILD line was read that the sequencer could not have written with the loaded
    // configuration; the load then goes on as if there were none.
    bool IgnoresSavedRebuild() const { return rebuildRead && !SavedRebuildFits(); }

    // The descent sequence watches the capsule's flight: heights, speeds, the time acceleration.
    bool Descending() const;
    // The descent's transitions and time-acceleration caps for a step with these inputs;
    // `landingReady` once the main canopy's set-up has made the landing thruster.
    SequencerStep Step(const StepInputs& in, bool landingReady) const;
    // Control+J: the next configuration, separating the modules from the full stack; none from
    // the landing on.
    std::optional<Transition> ByKey() const;
    // The landing that contact with the ground brings under the main canopy, once the landing
    // thruster is ready; none otherwise.
    std::optional<Transition> LandingAtContact(bool landingReady) const;
    // What the log says of a transition once it is made.
    std::string Entered(const Transition& t) const;

    // The height over the ground [m] at which the descent sequence acts next, seen from `height`:
    // the drogue's, the main parachute's (by speed, then at any speed), the landing approach's;
    // the ground while the drogue waits for its speed below its height. None outside the
    // descent and below the landing approach, which caps the time acceleration itself.
    std::optional<double> NextEventHeight(double height) const;
    // The cap that keeps the next frame from carrying the capsule past that height.
    std::optional<TimeAccelerationCap> CapBeforeNextEvent(const StepInputs& in) const;

    // CONFIGURATION and REBUILD; false for any other line.
    bool ParseLine(const char* line);
    void SaveConfiguration(FILEHANDLE scn) const;
    void SaveRebuild(FILEHANDLE scn) const;  // only while one is pending

    Configuration configuration = CONFIG_FULL_STACK;
    RebuildPhase rebuildCounter = RebuildPhase::Idle;
    // The vessel has a physical definition (from its visual, its state load, or after creation).
    bool defined = false;
    // The configuration whose set-up made the vessel's present definition; none before the first.
    // It differs from configuration while a rebuild is pending.
    Configuration definedConfiguration = NO_CONFIGURATION;
    // A rebuild pending when the state was saved: its counter and the configuration then defined.
    std::int32_t savedRebuildCounter = 0;
    Configuration savedDefinedConfiguration = NO_CONFIGURATION;
    bool rebuildRead = false;  // a REBUILD line came with the state being loaded

private:
    bool SavedRebuildFits() const;
    bool PendingAtSave() const;
    bool UnderCanopy() const;

    ConfigurationTable table;
};
