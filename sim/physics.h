// Motion of the world's vessels over one simulation step.
#pragma once

#include "../host/hosttypes.h"

namespace sim {

class World;
struct VesselRecord;

void StepPhysics(World& world, double dt);

double Altitude(const VesselRecord& v);
double Airspeed(const VesselRecord& v);
bool InGroundContact(const VesselRecord& v);

}  // namespace sim
