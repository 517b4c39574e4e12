// The pilot's key commands.
#include "talvek_vessel.h"

int TalvekVessel::ConsumeBufferedKey(DWORD, bool, char*) { return 0; }
