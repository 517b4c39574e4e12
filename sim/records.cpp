#include "sim/records.h"

namespace sim {

Tank* VesselDefinition::FindTank(Id id) {
    if (id == 0) return nullptr;
    for (auto& t : tanks)
        if (t.id == id) return &t;
    return nullptr;
}

Thruster* VesselDefinition::FindThruster(Id id) {
    if (id == 0) return nullptr;
    for (auto& t : thrusters)
        if (t.id == id) return &t;
    return nullptr;
}

double VesselDefinition::PropellantMass() const {
    double total = 0.0;
    for (const auto& t : tanks) total += t.mass;
    return total;
}

}  // namespace sim
