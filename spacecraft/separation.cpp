// Releasing the orbital and service modules.
#include "talvek_vessel.h"

void TalvekVessel::SeparateModules() {}
