// The configuration sequencer: which configuration the spacecraft is in, the rebuild that
// defines it a few time steps after a change, and the descent's way from one to the next.
#pragma once

#include <cstdint>
#include <optional>

#include "host/orbiter.h"

constexpr std::int16_t CONFIG_FULL_STACK = 0;
constexpr std::int16_t CONFIG_DESCENT = 1;
constexpr std::int16_t CONFIG_DROGUE = 2;
constexpr std::int16_t CONFIG_MAIN_CHUTE = 3;
constexpr std::int16_t CONFIG_LANDING = 4;

// A number that has a set-up.
constexpr bool IsConfiguration(int c) { return c >= CONFIG_FULL_STACK && c <= CONFIG_LANDING; }

// How far the deferred rebuild has gone; the numbers are those saved under REBUILD.
enum class RebuildPhase : std::int32_t {
    Idle = 0,          // nothing pending
    Requested = 1,     // the next step stows the arrays
    PanelsStowed = 2,  // the next step runs the configuration's set-up
    Rebuilt = 3,       // the next step shows the arrays at their state again, and the rebuild ends
};

// What a time step of the rebuild has the spacecraft do.
enum class RebuildStep { None, StowPanels, SetUp, ShowPanels };

class ConfigurationSequencer {
public:
    explicit ConfigurationSequencer(VESSEL& vessel) : vessel(vessel) {}
    ConfigurationSequencer(const ConfigurationSequencer&) = delete;
    ConfigurationSequencer& operator=(const ConfigurationSequencer&) = delete;

    // Starts the rebuild over from its first phase, whatever phase it is in.
    void RequestRebuild() { rebuildCounter = RebuildPhase::Requested; }
    // A new configuration, defined by the rebuild that this requests.
    void SwitchTo(std::int16_t next);
    // Advances the rebuild by one time step.
    RebuildStep StepRebuild();
    // From the stowing on, a rebuild holds the arrays stowed until it ends.
    bool HoldsPanelsStowed() const { return rebuildCounter >= RebuildPhase::PanelsStowed; }

    // The set-up of the present configuration is about to define the vessel.
    void Defining() { definedConfiguration = configuration; }
    // The full-stack baseline defines the vessel; the rebuild into the actual configuration follows.
    void DefinedAsBaseline();

    // After a state load: the configuration to define now is the one defined at the save while a
    // rebuild was pending then, so that the rebuild goes on from the same phase and completes when
    // it would have. Begin sets it and returns the loaded configuration; End restores that and
    // resumes the rebuild.
    std::int16_t BeginLoadedDefinition();
    void EndLoadedDefinition(std::int16_t loaded);
    // The rebuild pending at the save goes on from its phase, with the configuration then defined;
    // without one the rebuild is left at `otherwise`. The saved values are used up.
    void ResumeSavedRebuild(RebuildPhase otherwise);
    // A REBUILD line was read that the sequencer could not have written with the loaded
    // configuration; the load then goes on as if there were none.
    bool IgnoresSavedRebuild() const { return rebuildRead && !SavedRebuildFits(); }

    // The descent: each test asks the host anew, for the height over the ground under the vessel
    // (the ground is not at the mean radius everywhere).
    bool DrogueDue() const;
    bool MainChuteDue() const;
    bool UnderCanopy() const { return configuration == CONFIG_DROGUE || configuration == CONFIG_MAIN_CHUTE; }
    // Caps the time acceleration under a canopy; true when it had to.
    bool CapCanopyTimeAcceleration() const;
    // The height over the ground [m] at which the descent sequence acts next, seen from `height`:
    // the drogue's, the main parachute's (by speed, then at any speed), the landing approach's;
    // the ground while the drogue waits for its speed below its height. None outside the
    // descent and below the landing approach, which caps the time acceleration itself.
    std::optional<double> NextEventHeight(double height) const;

    // CONFIGURATION and REBUILD; false for any other line.
    bool ParseLine(const char* line);
    void SaveConfiguration(FILEHANDLE scn) const;
    void SaveRebuild(FILEHANDLE scn) const;  // only while one is pending

    std::int16_t configuration = CONFIG_FULL_STACK;
    RebuildPhase rebuildCounter = RebuildPhase::Idle;
    // The vessel has a physical definition (from its visual, its state load, or after creation).
    bool defined = false;
    // The configuration whose set-up made the vessel's present definition; -1 none. It differs
    // from configuration while a rebuild is pending.
    std::int16_t definedConfiguration = -1;
    // A rebuild pending when the state was saved: its counter and the configuration then defined.
    std::int32_t savedRebuildCounter = 0;
    std::int16_t savedDefinedConfiguration = -1;
    bool rebuildRead = false;  // a REBUILD line came with the state being loaded

private:
    bool SavedRebuildFits() const;
    bool PendingAtSave() const;

    VESSEL& vessel;
};
