#include "sim/atmosphere.h"

#include <cmath>

namespace sim {

namespace {

constexpr double GAS_CONSTANT = 8.31432;        // [J/(mol K)], as the standard gives it
constexpr double MOLAR_MASS = 0.0289644;        // [kg/mol]
constexpr double G0 = 9.80665;                  // [m/s^2]
constexpr double GEOPOTENTIAL_RADIUS = 6356766; // [m]
constexpr double TOP_OF_TABLE = 86000;          // [m] geometric
constexpr double CEILING = 1000000;             // [m] above it: vacuum

struct Layer {
    double base;         // geopotential altitude [m]
    double lapse;        // [K/m]
    double temperature;  // [K] at the base
    double pressure;     // [Pa] at the base
};

// Base pressures follow from sea level through the layers; these are the standard's values.
constexpr Layer LAYERS[] = {
    {0, -0.0065, 288.15, 101325.0},     {11000, 0.0, 216.65, 22632.06},    {20000, 0.001, 216.65, 5474.889},
    {32000, 0.0028, 228.65, 868.0187},  {47000, 0.0, 270.65, 110.9063},    {51000, -0.0028, 270.65, 66.93887},
    {71000, -0.002, 214.65, 3.956420},
};

AtmosphereState Table(double geometric) {
    const double h = GEOPOTENTIAL_RADIUS * geometric / (GEOPOTENTIAL_RADIUS + geometric);
    const Layer* layer = &LAYERS[0];
    for (const Layer& l : LAYERS)
        if (h >= l.base) layer = &l;
    const double dh = h - layer->base;
    const double t = layer->temperature + layer->lapse * dh;
    double p;
    if (layer->lapse == 0.0)
        p = layer->pressure * std::exp(-G0 * MOLAR_MASS * dh / (GAS_CONSTANT * layer->temperature));
    else
        p = layer->pressure * std::pow(layer->temperature / t, G0 * MOLAR_MASS / (GAS_CONSTANT * layer->lapse));
    return {t, p, p * MOLAR_MASS / (GAS_CONSTANT * t)};
}

}  // namespace

AtmosphereState Atmosphere(double altitude) {
    constexpr double FLOOR = -10000;  // [m] deeper than any ground; the layer formulas hold above it
    if (!(altitude > FLOOR)) altitude = FLOOR;
    if (altitude <= TOP_OF_TABLE) return Table(altitude);
    // The table's top and its scale height are the same on every call: worked out once.
    static const AtmosphereState top = Table(TOP_OF_TABLE);
    static const double scaleHeight = GAS_CONSTANT * top.temperature / (MOLAR_MASS * G0);
    if (altitude >= CEILING) return {top.temperature, 0.0, 0.0};
    // Isothermal above the table, with the scale height of its top: continuous at 86 km.
    const double f = std::exp(-(altitude - TOP_OF_TABLE) / scaleHeight);
    return {top.temperature, top.pressure * f, top.density * f};
}

}  // namespace sim
