#include "spacecraft/configuration_sequencer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "spacecraft/landing_burn.h"
#include "spacecraft/scenario_keys.h"
#include "spacecraft/time_acceleration.h"

namespace {
constexpr double DROGUE_ALTITUDE = 12000;       // [m] over the ground
constexpr double DROGUE_AIRSPEED = 300;         // [m/s]
constexpr double MAIN_CHUTE_ALTITUDE = 2000;    // [m] over the ground
constexpr double MAIN_CHUTE_AIRSPEED = 80;      // [m/s]
constexpr double MAIN_CHUTE_FLOOR = 600;        // [m] below it the main parachute opens at any speed
constexpr double CHUTE_TIME_ACCELERATION = 10;  // the most under a canopy
constexpr double GROUND = 0;                    // [m] over the ground

constexpr double EARTH_GM = 3.986004e14;  // [m^3/s^2], the planet the descent is made for
// Above this height over the ground the air does not slow a capsule within an orbit; a capsule
// whose orbit stays above it waits for no height of the sequence.
constexpr double ATMOSPHERE_TOP = 120000;  // [m]
// A frame may take the capsule at most this share of the least time it needs to fall to the
// height where the sequence acts next: the rest allows for frames of uneven length.
constexpr double STEP_SHARE = 0.5;
// The sequence aims this far past each of its heights, so that the last frames before a height
// stay a few tenths of a second long instead of ever shorter: the sequence then acts within
// about half of it past the height.
constexpr double HEIGHT_MARGIN = 200;  // [m]
constexpr double REAL_TIME = 1;        // the time acceleration of real time

double Length(const VECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
}  // namespace

void ConfigurationSequencer::SwitchTo(Configuration next) {
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

bool ConfigurationSequencer::Defines(LandingThruster kind) const {
    const ConfigurationDef* row = Row(definedConfiguration);
    return row && row->landingThruster == kind;
}

// What SaveRebuild can have written beside the configuration c. Once the set-up has run (the last
// phase) the vessel is defined as c. Before it, the vessel still has the definition of the
// configuration it was in when the rebuild was armed: c itself (a payload's release), a lower one
// (configurations only go up, by the descent or Control+J, which steps only below the last), or
// the full-stack baseline that a vessel created or loaded with a number that has no set-up gets.
bool ConfigurationSequencer::SavedRebuildFits() const {
    const std::int32_t defined = Number(savedDefinedConfiguration), c = Number(configuration);
    std::int32_t last = Number(CONFIG_FULL_STACK);
    for (const ConfigurationDef& row : table) last = std::max<std::int32_t>(last, Number(row.configuration));
    switch (static_cast<RebuildPhase>(savedRebuildCounter)) {
        case RebuildPhase::Rebuilt:
            return defined == c;
        case RebuildPhase::Requested:
        case RebuildPhase::PanelsStowed:
            return defined == c || (defined < c && c <= last) ||
                   (savedDefinedConfiguration == CONFIG_FULL_STACK && !Row(configuration));
        case RebuildPhase::Idle:
            break;
    }
    return false;
}

bool ConfigurationSequencer::PendingAtSave() const { return rebuildRead && SavedRebuildFits(); }

Configuration ConfigurationSequencer::BeginLoadedDefinition() {
    const Configuration loaded = configuration;
    // A number with no set-up had defined nothing over the full stack's baseline.
    if (PendingAtSave()) configuration = Row(savedDefinedConfiguration) ? savedDefinedConfiguration : CONFIG_FULL_STACK;
    return loaded;
}

void ConfigurationSequencer::EndLoadedDefinition(Configuration loaded) {
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
    savedDefinedConfiguration = NO_CONFIGURATION;
    rebuildRead = false;
    defined = true;
}

bool ConfigurationSequencer::UnderCanopy() const {
    const ConfigurationDef* row = Row();
    return row && row->canopy != Canopy::None;
}

bool ConfigurationSequencer::Descending() const { return configuration == CONFIG_DESCENT || UnderCanopy(); }

SequencerStep ConfigurationSequencer::Step(const StepInputs& in, bool landingReady) const {
    SequencerStep step;
    auto cap = [&step](const TimeAccelerationCap& c) { step.caps[static_cast<size_t>(step.capCount++)] = c; };
    if (configuration == CONFIG_DESCENT) {
        if (in.groundHeight < DROGUE_ALTITUDE && in.airspeed < DROGUE_AIRSPEED)
            step.transition = Transition{CONFIG_DROGUE};
        else if (const auto next = CapBeforeNextEvent(in))
            cap(*next);
        return step;
    }
    if (!UnderCanopy()) return step;
    cap({CHUTE_TIME_ACCELERATION, "under the parachute"});
    if (const auto next = CapBeforeNextEvent(in)) cap(*next);
    if (configuration == CONFIG_MAIN_CHUTE) {
        // The landing waits for the main-parachute set-up's landing thruster.
        step.landingBurn = landingReady;
    } else if ((in.groundHeight < MAIN_CHUTE_ALTITUDE && in.airspeed < MAIN_CHUTE_AIRSPEED) ||
               in.groundHeight < MAIN_CHUTE_FLOOR) {
        step.transition = Transition{CONFIG_MAIN_CHUTE};
    }
    return step;
}

std::optional<Transition> ConfigurationSequencer::ByKey() const {
    if (configuration == CONFIG_FULL_STACK) return Transition{CONFIG_DESCENT, Transition::Act::SeparateModules, true};
    if (Number(configuration) < Number(CONFIG_LANDING))
        return Transition{static_cast<Configuration>(Number(configuration) + 1), Transition::Act::None, true};
    return std::nullopt;
}

std::optional<Transition> ConfigurationSequencer::LandingAtContact(bool landingReady) const {
    if (configuration != CONFIG_MAIN_CHUTE || !landingReady) return std::nullopt;
    return Transition{CONFIG_LANDING, Transition::Act::ReleaseMainChute};
}

std::string ConfigurationSequencer::Entered(const Transition& t) const {
    const std::string number = std::to_string(Number(t.to));
    if (t.byHand && t.act == Transition::Act::None) return "configuration " + number + " by hand (Ctrl+J)";
    const ConfigurationDef* row = Row(t.to);
    return std::string(row ? row->entered : "") + " (configuration " + number + ")";
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

std::optional<TimeAccelerationCap> ConfigurationSequencer::CapBeforeNextEvent(const StepInputs& in) const {
    if (!(in.timeAcceleration > REAL_TIME) || !(in.step > 0)) return std::nullopt;
    const double height = in.groundHeight;
    const std::optional<double> next = NextEventHeight(height);
    if (!next) return std::nullopt;
    const double radius = Length(in.position);
    const double groundRadius = radius - height;
    if (!(radius > 0) || !(groundRadius > 0)) return std::nullopt;
    if (height > ATMOSPHERE_TOP && OrbitStaysAbove(in.position, in.velocity, groundRadius + ATMOSPHERE_TOP, EARTH_GM))
        return std::nullopt;
    // Nowhere above the ground does the planet pull harder than at the ground.
    const double gravity = EARTH_GM / (groundRadius * groundRadius);
    const double allowedStep = STEP_SHARE * LeastFallTime(height - (*next - HEIGHT_MARGIN), in.descentSpeed, gravity);
    // The frame just run lasted step / acceleration of real time.
    const double capped = TimeAccelerationWithin(allowedStep, in.step / in.timeAcceleration);
    if (!(capped < in.timeAcceleration)) return std::nullopt;
    const char* before = configuration == CONFIG_DESCENT  ? "before the drogue"
                         : configuration == CONFIG_DROGUE ? "before the main parachute"
                                                          : "before the landing";
    return TimeAccelerationCap{capped, before};
}

bool ConfigurationSequencer::ParseLine(const char* line) {
    if (StartsWithKey(line, KEY_CONFIGURATION, KEY_CONFIGURATION_LENGTH)) {
        configuration = static_cast<Configuration>(ReadInt16(line + KEY_CONFIGURATION_LENGTH));
        return true;
    }
    if (StartsWithKey(line, KEY_REBUILD, KEY_REBUILD_LENGTH)) {
        char* rest = nullptr;
        savedRebuildCounter = static_cast<std::int32_t>(std::strtol(line + KEY_REBUILD_LENGTH, &rest, 10));
        savedDefinedConfiguration = static_cast<Configuration>(static_cast<std::int16_t>(std::strtol(rest, nullptr, 10)));
        rebuildRead = true;
        return true;
    }
    return false;
}

void ConfigurationSequencer::SaveConfiguration(FILEHANDLE scn) const {
    // The host's writers take char* but do not change the key.
    oapiWriteScenario_int(scn, const_cast<char*>(KEY_CONFIGURATION), Number(configuration));
}

void ConfigurationSequencer::SaveRebuild(FILEHANDLE scn) const {
    if (rebuildCounter == RebuildPhase::Idle) return;
    char pending[32];
    std::snprintf(pending, sizeof pending, "%d %d", static_cast<int>(rebuildCounter),
                  static_cast<int>(Number(definedConfiguration)));
    oapiWriteScenario_string(scn, const_cast<char*>(KEY_REBUILD), pending);
}
