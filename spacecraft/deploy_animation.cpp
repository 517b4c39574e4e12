// The solar array deployment animation.
#include "talvek_vessel.h"

void TalvekVessel::SetupDeployAnimation(UINT) {}
void TalvekVessel::StepPanelMotion() {}
