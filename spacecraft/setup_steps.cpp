// Steps that several configuration set-ups share.
#include "talvek_vessel.h"

void TalvekVessel::MoveCentreOfMassTo(const VECTOR3& newShift) {
    // Back to the design origin, then onto the new centre of mass: the net move is new - old.
    ShiftCentreOfMass(-cogShift);
    cogShift = newShift;
    ShiftCentreOfMass(cogShift);
}

void TalvekVessel::ClearThrustersAndExhaust() {
    ClearExhaustRefs();
    ClearAttExhaustRefs();
    ClearThrusterDefinitions();
}

void TalvekVessel::DeleteTank(PROPELLANT_HANDLE& tank) {
    if (!tank) return;
    DelPropellantResource(tank);
    tank = nullptr;
}
