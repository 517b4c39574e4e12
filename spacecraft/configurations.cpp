// The set-up that each configuration number runs.
#include <string>

#include "spacecraft/talvek_vessel.h"

void TalvekVessel::CreateTanksOfConfiguration() {
    switch (sequencer.configuration) {
        case CONFIG_FULL_STACK:
            CreateStackTanks();
            break;
        case CONFIG_DESCENT:
            CreateDescentAttTank();
            break;
        case CONFIG_DROGUE:
        case CONFIG_MAIN_CHUTE:
        case CONFIG_LANDING:
            CreateLandingTank();
            break;
        default:
            break;
    }
}

void TalvekVessel::DefineLoadedConfiguration() {
    if (sequencer.IgnoresSavedRebuild())
        LogEvent("scenario line REBUILD " + std::to_string(sequencer.savedRebuildCounter) + " " +
                 std::to_string(sequencer.savedDefinedConfiguration) + " ignored: no Talvek in CONFIGURATION " +
                 std::to_string(sequencer.configuration) + " saves it; the vessel takes its configuration's definition");
    if (!IsConfiguration(sequencer.configuration)) {
        // A number that defines nothing keeps the full stack, as the rebuild would leave it.
        DefineBaseline();
        sequencer.ResumeSavedRebuild(RebuildPhase::Requested);
        return;
    }
    const std::int16_t loaded = sequencer.BeginLoadedDefinition();
    // The host places the vessel from the saved lines after the load, so the centre-of-mass
    // shift made here moves nothing: the vessel stays where it was saved.
    CreateTanksOfConfiguration();
    meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;  // every flight passed through the full stack
    ApplyConfiguration();
    if (sequencer.configuration != CONFIG_FULL_STACK) KeepFullStackFittings();
    sequencer.EndLoadedDefinition(loaded);
    if (sequencer.HoldsPanelsStowed())
        arrays.Stow();
    else
        arrays.Show();
}

void TalvekVessel::ApplyConfiguration() {
    sequencer.Defining();
    switch (sequencer.configuration) {
        case CONFIG_FULL_STACK:
            SetupFullStack();
            break;
        case CONFIG_DESCENT:
        case CONFIG_LANDING:
            SetupDescentModule();
            break;
        case CONFIG_DROGUE:
            SetupDrogue();
            break;
        case CONFIG_MAIN_CHUTE:
            SetupMainChute();
            break;
        default:
            break;  // any other number defines nothing
    }
}
