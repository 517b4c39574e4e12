#include "spacecraft/exhaust.h"

// Fields in record order: flags, size [m], rate [1/s], speed [m/s], speed randomisation,
// lifetime [s], growth [m/s], slow-down in atmosphere, lighting, level map, level bounds,
// atmosphere map, atmosphere bounds, texture (none: the host's default).
const PARTICLESTREAMSPEC ATT_EXHAUST = {0,    0.05, 3000, 5, 0.1, 0.1, 1, 0, PARTICLESTREAMSPEC::EMISSIVE,
                                  PARTICLESTREAMSPEC::LVL_PLIN, 0, 2, PARTICLESTREAMSPEC::ATM_PLOG, 0, 0, nullptr};
const PARTICLESTREAMSPEC ENGINE_EXHAUST_LONG = {0,    0.4, 3000, 150, 0.05, 0.5, 5, 0, PARTICLESTREAMSPEC::EMISSIVE,
                                          PARTICLESTREAMSPEC::LVL_PLIN, 0, 2, PARTICLESTREAMSPEC::ATM_PLOG, 0, 0, nullptr};
const PARTICLESTREAMSPEC ENGINE_EXHAUST_SHORT = {0,    0.4, 3000, 50, 0.05, 0.1, 5.0 / 3.0, 0, PARTICLESTREAMSPEC::EMISSIVE,
                                           PARTICLESTREAMSPEC::LVL_PLIN, 0, 2, PARTICLESTREAMSPEC::ATM_PLOG, 0, 0, nullptr};
