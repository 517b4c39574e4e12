// The configuration set-ups.
#include "talvek_vessel.h"

void TalvekVessel::ApplyConfiguration() {}
void TalvekVessel::SetupFullStack() {}
void TalvekVessel::CreateFullStackThrusters() {}
void TalvekVessel::SetupDescentModule() {}
void TalvekVessel::SetupDrogue() {}
void TalvekVessel::SetupMainChute() {}
