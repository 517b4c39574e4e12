#include "sim/records.h"

#include <algorithm>

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

void SetGroupLevel(VesselDefinition& d, const ThrusterGroup& group, double level) {
    const double held = std::clamp(level, 0.0, 1.0);
    for (Id id : group.thrusters)
        if (Thruster* t = d.FindThruster(id)) t->level = held;
}

void SetGroupLevel(VesselDefinition& d, int type, double level) {
    for (const ThrusterGroup& g : d.groups)
        if (g.type == type) SetGroupLevel(d, g, level);
}

}  // namespace sim
