// Animations applied to mesh groups: each component moves its groups by the fraction of its
// start..end range that the animation's state has reached; a child component's motion is
// carried along by its parent's.
#pragma once

#include "host/hosttypes.h"

namespace sim {

struct VesselRecord;

// Where a point of the given mesh group (mesh frame) stands with every animation of the
// vessel at its current state.
VECTOR3 AnimatedPoint(const VesselRecord& v, UINT meshIndex, UINT group, const VECTOR3& point);

}  // namespace sim
