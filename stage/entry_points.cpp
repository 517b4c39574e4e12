// The eight entry points through which older hosts drive every stage.
#include "carrier/vessel_entry_points.h"
#include "stage/stage_carrier.h"

TALVEK_VESSEL_ENTRY_POINTS(StageCarrier);
