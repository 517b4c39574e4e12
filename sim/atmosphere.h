// The U.S. Standard Atmosphere 1976 below 86 km, decaying exponentially above.
#pragma once

namespace sim {

struct AtmosphereState {
    double temperature;  // [K]
    double pressure;     // [Pa]
    double density;      // [kg/m^3]
};

// At a geometric altitude [m] above the mean radius; below 0 the sea-level layer goes on.
AtmosphereState Atmosphere(double altitude);

}  // namespace sim
