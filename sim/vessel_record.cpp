#include "sim/vessel_record.h"

namespace sim {

std::string VesselRecord::ClassName() const { return cls ? cls->name : std::string(); }

void VesselRecord::FlightLog::DrawPropellant(Id tank, double mass) {
    if (mass <= 0) return;
    for (TankUse& use : propellantUsed)
        if (use.tank == tank) {
            use.used += mass;
            return;
        }
    propellantUsed.push_back(TankUse{tank, mass});
}

}  // namespace sim
