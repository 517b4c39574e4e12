#include "spacecraft/configuration_sequencer.h"

#include <cstdio>
#include <cstdlib>

#include "spacecraft/landing_burn.h"
#include "spacecraft/scenario_keys.h"

namespace {
constexpr double DROGUE_ALTITUDE = 12000;       // [m] over the ground
constexpr double DROGUE_AIRSPEED = 300;         // [m/s]
constexpr double MAIN_CHUTE_ALTITUDE = 2000;    // [m] over the ground
constexpr double MAIN_CHUTE_AIRSPEED = 80;      // [m/s]
constexpr double MAIN_CHUTE_FLOOR = 600;        // [m] below it the main parachute opens at any speed
constexpr double CHUTE_TIME_ACCELERATION = 10;  // the most under a canopy
constexpr double GROUND = 0;                    // [m] over the ground
}  // namespace

void ConfigurationSequencer::SwitchTo(std::int16_t next) {
    configuration = next;
    RequestRebuild();
}

RebuildStep ConfigurationSequencer::StepRebuild() {
    switch (rebuildCounter) {
        case RebuildPhase::Idle:
            return RebuildStep::None;
        case RebuildPhase::Requested:
            rebuildCounter = RebuildPhase::PanelsStowed;
            return RebuildStep::StowPanels;
        case RebuildPhase::PanelsStowed:
            rebuildCounter = RebuildPhase::Rebuilt;
            return RebuildStep::SetUp;
        case RebuildPhase::Rebuilt:
            rebuildCounter = RebuildPhase::Idle;
            return RebuildStep::ShowPanels;
    }
    return RebuildStep::None;
}

void ConfigurationSequencer::DefinedAsBaseline() {
    definedConfiguration = CONFIG_FULL_STACK;
    RequestRebuild();
    defined = true;
}

// What SaveRebuild can have written beside the configuration c. Once the set-up has run (the last
// phase) the vessel is defined as c. Before it, the vessel still has the definition of the
// configuration it was in when the rebuild was armed: c itself (a payload's release), a lower one
// (configurations only go up, by the descent or Control+J, which steps only below the landing), or
// the full-stack baseline that a vessel created or loaded with a number that has no set-up gets.
bool ConfigurationSequencer::SavedRebuildFits() const {
    const std::int32_t defined = savedDefinedConfiguration;
    switch (static_cast<RebuildPhase>(savedRebuildCounter)) {
        case RebuildPhase::Rebuilt:
            return defined == configuration;
        case RebuildPhase::Requested:
        case RebuildPhase::PanelsStowed:
            return defined == configuration || (defined < configuration && configuration <= CONFIG_LANDING) ||
                   (defined == CONFIG_FULL_STACK && !IsConfiguration(configuration));
        case RebuildPhase::Idle:
            break;
    }
    return false;
}

bool ConfigurationSequencer::PendingAtSave() const { return rebuildRead && SavedRebuildFits(); }

std::int16_t ConfigurationSequencer::BeginLoadedDefinition() {
    const std::int16_t loaded = configuration;
    // A number with no set-up had defined nothing over the full stack's baseline.
    if (PendingAtSave())
        configuration = IsConfiguration(savedDefinedConfiguration) ? savedDefinedConfiguration : CONFIG_FULL_STACK;
    return loaded;
}

void ConfigurationSequencer::EndLoadedDefinition(std::int16_t loaded) {
    configuration = loaded;
    ResumeSavedRebuild(RebuildPhase::Idle);
}

void ConfigurationSequencer::ResumeSavedRebuild(RebuildPhase otherwise) {
    if (PendingAtSave()) {
        rebuildCounter = static_cast<RebuildPhase>(savedRebuildCounter);
        definedConfiguration = savedDefinedConfiguration;
    } else {
        rebuildCounter = otherwise;
    }
    savedRebuildCounter = 0;
    savedDefinedConfiguration = -1;
    rebuildRead = false;
    defined = true;
}

bool ConfigurationSequencer::DrogueDue() const {
    return vessel.GetAltitude(ALTMODE_GROUND) < DROGUE_ALTITUDE && vessel.GetAirspeed() < DROGUE_AIRSPEED;
}

bool ConfigurationSequencer::MainChuteDue() const {
    return (vessel.GetAltitude(ALTMODE_GROUND) < MAIN_CHUTE_ALTITUDE && vessel.GetAirspeed() < MAIN_CHUTE_AIRSPEED) ||
           vessel.GetAltitude(ALTMODE_GROUND) < MAIN_CHUTE_FLOOR;
}

bool ConfigurationSequencer::CapCanopyTimeAcceleration() const {
    if (!(oapiGetTimeAcceleration() > CHUTE_TIME_ACCELERATION)) return false;
    oapiSetTimeAcceleration(CHUTE_TIME_ACCELERATION);
    return true;
}

std::optional<double> ConfigurationSequencer::NextEventHeight(double height) const {
    switch (configuration) {
        case CONFIG_DESCENT:
            return height > DROGUE_ALTITUDE ? DROGUE_ALTITUDE : GROUND;
        case CONFIG_DROGUE:
            if (height > MAIN_CHUTE_ALTITUDE) return MAIN_CHUTE_ALTITUDE;
            if (height > MAIN_CHUTE_FLOOR) return MAIN_CHUTE_FLOOR;
            return std::nullopt;
        case CONFIG_MAIN_CHUTE:
            if (height > LANDING_APPROACH_HEIGHT) return LANDING_APPROACH_HEIGHT;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

bool ConfigurationSequencer::ParseLine(const char* line) {
    if (StartsWithKey(line, KEY_CONFIGURATION, KEY_CONFIGURATION_LENGTH)) {
        configuration = ReadInt16(line + KEY_CONFIGURATION_LENGTH);
        return true;
    }
    if (StartsWithKey(line, KEY_REBUILD, KEY_REBUILD_LENGTH)) {
        char* rest = nullptr;
        savedRebuildCounter = static_cast<std::int32_t>(std::strtol(line + KEY_REBUILD_LENGTH, &rest, 10));
        savedDefinedConfiguration = static_cast<std::int16_t>(std::strtol(rest, nullptr, 10));
        rebuildRead = true;
        return true;
    }
    return false;
}

void ConfigurationSequencer::SaveConfiguration(FILEHANDLE scn) const {
    // The host's writers take char* but do not change the key.
    oapiWriteScenario_int(scn, const_cast<char*>(KEY_CONFIGURATION), configuration);
}

void ConfigurationSequencer::SaveRebuild(FILEHANDLE scn) const {
    if (rebuildCounter == RebuildPhase::Idle) return;
    char pending[32];
    std::snprintf(pending, sizeof pending, "%d %d", static_cast<int>(rebuildCounter),
                  static_cast<int>(definedConfiguration));
    oapiWriteScenario_string(scn, const_cast<char*>(KEY_REBUILD), pending);
}
