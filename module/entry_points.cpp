// The eight entry points through which older hosts drive every Talvek vessel.
#include "carrier/vessel_entry_points.h"
#include "spacecraft/talvek_vessel.h"

TALVEK_VESSEL_ENTRY_POINTS(TalvekVessel);
