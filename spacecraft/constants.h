// Values that several parts of the spacecraft share.
#pragma once

#include "host/hosttypes.h"

constexpr double P_REF = 101400;         // [Pa] reference pressure of every thruster
constexpr double ISP_REF_NONE = 0;       // [m/s] Isp at reference pressure: thrust independent of pressure
constexpr double TANK_FULL = -1;         // initial mass that makes a tank full
constexpr double TANK_EFFICIENCY = 1;    // [-] of every tank
constexpr WORD MESH_VISIBLE_ALWAYS = 3;  // external and cockpit views
