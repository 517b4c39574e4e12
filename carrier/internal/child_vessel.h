// Inside the carrier: what a vessel made beside the carrier (a released payload or stage, a
// spawned module) starts from.
#pragma once

#include <string>

#include "host/orbiter.h"

// The parent's status with the engines off, moved to a point of the parent's frame and given a
// velocity change in that frame [m/s]. A landed parent's status stays landed: the host then
// places the child by the status's longitude, latitude and heading, not by its position.
VESSELSTATUS ChildVesselStatus(const VESSEL& parent, const VECTOR3& localPosition, const VECTOR3& localVelocityChange);

// The given name while no vessel has it; else the first free "name-2", "name-3", ..., cut to the
// module's name buffers (PAYLOAD_NAME_SIZE - 1 characters) with the suffix kept whole.
std::string FreeVesselName(const char* name);
