// Steps that several configuration set-ups share.
#include "spacecraft/talvek_vessel.h"

void TalvekVessel::MoveCentreOfMassTo(const VECTOR3& newShift) {
    // Back to the design origin, then onto the new centre of mass: the net move is new - old.
    ShiftCentreOfMass(-cogShift);
    cogShift = newShift;
    ShiftCentreOfMass(cogShift);
}

void TalvekVessel::ApplyHull(const HullDefinition& hull) {
    const bool placesItself = hull.placement == HullPlacement::AmongValues;
    SetSize(hull.size);
    SetEmptyMass(hull.dryMass + GetPayloadMass());
    if (placesItself) MoveCentreOfMassTo(hull.cogShift);
    SetTouchdownPoints(hull.touchdown[0] - cogShift, hull.touchdown[1] - cogShift, hull.touchdown[2] - cogShift);
    SetPMI(hull.pmi);
    SetCrossSections(hull.crossSections);
    SetCW(hull.cw.zPos, hull.cw.zNeg, hull.cw.x, hull.cw.y);
    SetRotDrag(hull.rotDrag);
    SetPitchMomentScale(hull.pitchMomentScale);
    SetBankMomentScale(hull.bankMomentScale);
    SetLiftCoeffFunc(nullptr);
    if (hull.setsFriction) SetSurfaceFrictionCoeff(hull.frictionLng, hull.frictionLat);
    if (placesItself) SetCameraOffset(hull.camera - cogShift);
}

void TalvekVessel::PlaceHull(const HullDefinition& hull) {
    MoveCentreOfMassTo(hull.cogShift);
    SetCameraOffset(hull.camera - cogShift);
}
