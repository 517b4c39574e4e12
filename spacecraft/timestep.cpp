// The per-frame step of the spacecraft, in the order of its steps.
#include <string>

#include "landing_burn.h"
#include "talvek_vessel.h"

namespace {
constexpr std::int32_t REBUILD_HIDE_PANELS = 2;    // animation held at 0 for the step before the set-up
constexpr std::int32_t REBUILD_SET_UP = 3;         // the configuration's set-up runs
constexpr std::int32_t REBUILD_SHOW_PANELS = 4;    // the panel state is shown again; idle after

constexpr double DROGUE_ALTITUDE = 12000;          // [m]
constexpr double DROGUE_AIRSPEED = 300;            // [m/s]
constexpr double MAIN_CHUTE_ALTITUDE = 2000;       // [m]
constexpr double MAIN_CHUTE_AIRSPEED = 80;         // [m/s]
constexpr double MAIN_CHUTE_FLOOR = 600;           // [m] below it the main parachute opens at any speed
constexpr double CHUTE_TIME_ACCELERATION = 10;     // the most under a canopy

constexpr const char* CHUTE_NAME = "TalvekChute";
constexpr const char* CHUTE_CLASS = "tlvchute";
constexpr VECTOR3 CHUTE_POSITION{0, 0, 72};        // [m], design frame: where the canopy stood
constexpr VECTOR3 NO_CHANGE{0, 0, 0};

std::string TextOrEmpty(const char* text) { return text ? text : ""; }
}  // namespace

void TalvekVessel::Timestep() {
    DrainMessages();
    arrays.Step();
    StepDeferredRebuild();
    StepDescentSequence();
    RemoveLandedChute();
}

void TalvekVessel::DrainMessages() {
    while (PollMessages()) {
    }
}

void TalvekVessel::StepDeferredRebuild() {
    if (rebuildCounter == 0) return;
    ++rebuildCounter;
    if (rebuildCounter == REBUILD_HIDE_PANELS) {
        arrays.Stow();
    } else if (rebuildCounter == REBUILD_SET_UP) {
        ApplyConfiguration();
    } else if (rebuildCounter == REBUILD_SHOW_PANELS) {
        arrays.Show();
        rebuildCounter = 0;
    }
}

void TalvekVessel::StepDescentSequence() {
    // Every comparison asks the host anew, for the height over the ground under the vessel: the
    // ground is not at the mean radius everywhere.
    if (configuration == CONFIG_DESCENT) {
        if (GetAltitude(ALTMODE_GROUND) < DROGUE_ALTITUDE && GetAirspeed() < DROGUE_AIRSPEED) {
            configuration = CONFIG_DROGUE;
            rebuildCounter = 1;
            LogEvent("drogue parachute deployed (configuration 2)");
        }
        return;
    }
    if (configuration != CONFIG_DROGUE && configuration != CONFIG_MAIN_CHUTE) return;
    if (oapiGetTimeAcceleration() > CHUTE_TIME_ACCELERATION) {
        oapiSetTimeAcceleration(CHUTE_TIME_ACCELERATION);
        LogEvent("time acceleration capped at x10 under the parachute");
    }
    if (configuration == CONFIG_MAIN_CHUTE) {
        // The landing waits for the main-parachute set-up's landing thruster.
        if (landingThruster) StepMainChuteLanding();
    } else if (configuration == CONFIG_DROGUE &&
               ((GetAltitude(ALTMODE_GROUND) < MAIN_CHUTE_ALTITUDE && GetAirspeed() < MAIN_CHUTE_AIRSPEED) ||
                GetAltitude(ALTMODE_GROUND) < MAIN_CHUTE_FLOOR)) {
        configuration = CONFIG_MAIN_CHUTE;
        rebuildCounter = 1;
        LogEvent("main parachute deployed (configuration 3)");
    }
}

void TalvekVessel::ReleaseMainChute() {
    KeepChute(SpawnChildVessel(CHUTE_NAME, CHUTE_CLASS, CHUTE_POSITION - cogShift, NO_CHANGE, NO_CHANGE));
}

void TalvekVessel::FindSavedChute() {
    // Every vessel of the scenario exists by the first time step.
    if (savedChuteName.empty()) return;
    const OBJHANDLE handle = oapiGetVesselByName(savedChuteName.data());
    savedChuteName.clear();
    if (handle) KeepChute(oapiGetVesselInterface(handle));
}

void TalvekVessel::KeepChute(VESSEL* chute) {
    ForgetChute();
    if (!chute) return;
    chuteVessel = chute;
    // The handle lets a later step ask the host whether the vessel still exists before using it;
    // the name (a free one, which need not be CHUTE_NAME) and class tell it from a later vessel.
    chuteHandle = chute->GetHandle();
    chuteName = TextOrEmpty(chute->GetName());
    chuteClass = TextOrEmpty(chute->GetClassName());
}

VESSEL* TalvekVessel::ReleasedChute() {
    if (!chuteVessel) return nullptr;
    // The host may give a new vessel the handle of a deleted one, so a live handle does not prove
    // that the parachute is still there: the vessel on it must also bear the parachute's name and
    // class. Its interface is asked for anew, since the one kept went with a deleted parachute.
    VESSEL* onHandle = oapiIsVessel(chuteHandle) ? oapiGetVesselInterface(chuteHandle) : nullptr;
    if (onHandle && chuteName == TextOrEmpty(onHandle->GetName()) &&
        chuteClass == TextOrEmpty(onHandle->GetClassName())) {
        chuteVessel = onHandle;
        return onHandle;
    }
    ForgetChute();
    return nullptr;
}

void TalvekVessel::ForgetChute() {
    chuteVessel = nullptr;
    chuteHandle = nullptr;
    chuteName.clear();
    chuteClass.clear();
}

void TalvekVessel::RemoveLandedChute() {
    FindSavedChute();
    if (configuration != CONFIG_LANDING) return;
    VESSEL* chute = ReleasedChute();
    if (chute && chute->GroundContact()) {
        oapiDeleteVessel(chuteHandle);
        ForgetChute();
    }
}
