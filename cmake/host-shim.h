#pragma once
#include "OrbiterAPI.h"
#include "VesselAPI.h"
