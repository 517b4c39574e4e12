// The simulation clock's units: days of the date against seconds of simulation time.
#pragma once

namespace sim {

constexpr double SECONDS_PER_DAY = 86400.0;  // [s] one day of the modified Julian date
// The modified Julian date at simulation time 0 when a scenario gives no Date (noon of
// 1 January 2000).
constexpr double DEFAULT_START_MJD = 51544.5;
// [s] Times summed from frames or substeps fall short of a whole by rounding; a time this close
// to a limit counts as having reached it.
constexpr double TIME_TOLERANCE = 1e-9;

}  // namespace sim
