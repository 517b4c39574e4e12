// The set-up that each configuration number runs.
#include "talvek_vessel.h"

void TalvekVessel::ApplyConfiguration() {
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
