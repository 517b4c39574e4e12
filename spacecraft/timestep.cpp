// The per-frame step of the spacecraft, in the order of its steps.
#include "spacecraft/landing_burn.h"
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr const char* CHUTE_NAME = "TalvekChute";
constexpr VECTOR3 CHUTE_POSITION{0, 0, 72};        // [m], design frame: where the canopy stood
constexpr VECTOR3 NO_CHANGE{0, 0, 0};
}  // namespace

void TalvekVessel::Timestep() {
    DrainMessages();
    arrays.Step();
    StepDeferredRebuild();
    StepDescentSequence();
    RemoveLandedChute();
}

void TalvekVessel::PreStep() {
    // The same condition as the time step's landing: under the main canopy's own set-up.
    if (sequencer.configuration == CONFIG_MAIN_CHUTE && landingThruster && GroundContact()) LandUnderMainChute();
}

void TalvekVessel::DrainMessages() { CollectMessages(); }

void TalvekVessel::StepDeferredRebuild() {
    switch (sequencer.StepRebuild()) {
        case RebuildStep::None:
            break;
        case RebuildStep::StowPanels:
            arrays.Stow();
            break;
        case RebuildStep::SetUp:
            ApplyConfiguration();
            break;
        case RebuildStep::ShowPanels:
            arrays.Show();
            break;
    }
}

void TalvekVessel::StepDescentSequence() {
    if (sequencer.configuration == CONFIG_DESCENT) {
        if (sequencer.DrogueDue()) {
            sequencer.SwitchTo(CONFIG_DROGUE);
            LogEvent("drogue parachute deployed (configuration 2)");
        } else {
            CapTimeAccelerationBeforeNextEvent();
        }
        return;
    }
    if (!sequencer.UnderCanopy()) return;
    if (sequencer.CapCanopyTimeAcceleration()) LogEvent("time acceleration capped at x10 under the parachute");
    CapTimeAccelerationBeforeNextEvent();
    if (sequencer.configuration == CONFIG_MAIN_CHUTE) {
        // The landing waits for the main-parachute set-up's landing thruster.
        if (landingThruster) StepMainChuteLanding();
    } else if (sequencer.MainChuteDue()) {
        sequencer.SwitchTo(CONFIG_MAIN_CHUTE);
        LogEvent("main parachute deployed (configuration 3)");
    }
}

void TalvekVessel::ReleaseMainChute() {
    chute.Keep(SpawnChildVessel(CHUTE_NAME, CHUTE_CLASS, CHUTE_POSITION - cogShift, NO_CHANGE, NO_CHANGE));
}

void TalvekVessel::RemoveLandedChute() {
    if (const std::string ignored = chute.FindSaved(GetHandle()); !ignored.empty()) LogEvent(ignored);
    if (sequencer.configuration != CONFIG_LANDING) return;
    VESSEL* released = chute.Released();
    if (released && released->GroundContact()) chute.Delete();
}
