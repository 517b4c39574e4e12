// The set-up that each configuration number runs.
#include "talvek_vessel.h"

void TalvekVessel::CreateTanksOfConfiguration() {
    switch (configuration) {
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

namespace {
bool IsConfiguration(int c) { return c >= CONFIG_FULL_STACK && c <= CONFIG_LANDING; }
}  // namespace

void TalvekVessel::DefineLoadedConfiguration() {
    if (!IsConfiguration(configuration)) {
        // A number that defines nothing keeps the full stack, as the rebuild would leave it.
        DefineBaseline();
        return;
    }
    // Saved while a rebuild was pending: the vessel is defined as it was then, and the rebuild
    // goes on from the same count, so that it completes when it would have.
    const bool pending = savedRebuildCounter >= 1 && savedRebuildCounter <= 3 && IsConfiguration(savedDefinedConfiguration);
    const std::int16_t target = configuration;
    if (pending) configuration = savedDefinedConfiguration;
    // The host places the vessel from the saved lines after the load, so the centre-of-mass
    // shift made here moves nothing: the vessel stays where it was saved.
    CreateTanksOfConfiguration();
    meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;  // every flight passed through the full stack
    ApplyConfiguration();
    configuration = target;
    rebuildCounter = pending ? savedRebuildCounter : 0;
    // From the count of 2 on, a rebuild holds the arrays stowed.
    if (rebuildCounter >= 2)
        arrays.Stow();
    else
        arrays.Show();
    savedRebuildCounter = 0;
    savedDefinedConfiguration = -1;
    defined = true;
}

void TalvekVessel::ApplyConfiguration() {
    definedConfiguration = configuration;
    switch (configuration) {
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
