// Configurations 2 and 3: the descent module under its drogue or its main parachute.
#include "exhaust.h"
#include "spacecraft/constants.h"
#include "landing_burn.h"
#include "talvek_vessel.h"

namespace {

constexpr VECTOR3 CHUTE_COG_SHIFT{0, -0.1, 0};       // [m], design frame
constexpr VECTOR3 CHUTE_CAMERA{0, -1.65, -0.1};      // [m], design frame
constexpr double CHUTE_SIZE = 80;                    // [m]
constexpr double CHUTE_DRY_MASS = 2950;              // [kg]
constexpr VECTOR3 CHUTE_PMI{2, 2, 0.55};             // [m^2]
constexpr double CHUTE_CW[4] = {1.1, 2.2, 3.5, 3.5}; // z+, z-, x, y
constexpr VECTOR3 CHUTE_ROT_DRAG{0.05, 0.05, 0.05};
constexpr VECTOR3 CANOPY_POSITION{0, 0, 72};         // [m], design frame
constexpr VECTOR3 CAPSULE_POSITION{0, 0, 0};         // [m], design frame

constexpr double LANDING_TANK_CAPACITY = 70;         // [kg]

}  // namespace

void TalvekVessel::CreateLandingTank() {
    if (!landingTank) landingTank = CreatePropellantResource(LANDING_TANK_CAPACITY, TANK_FULL, TANK_EFFICIENCY);
}

void TalvekVessel::SetupParachute(const ParachuteVariant& variant) {
    arrays.Remove();
    MoveCentreOfMassTo(CHUTE_COG_SHIFT);
    SetCameraOffset(CHUTE_CAMERA - cogShift);
    ClearThrustersAndExhaust();
    ClearVesselMeshes();
    SetSize(CHUTE_SIZE);
    SetEmptyMass(CHUTE_DRY_MASS + GetPayloadMass());
    SetTouchdownPoints(CAPSULE_TOUCHDOWN[0] - cogShift, CAPSULE_TOUCHDOWN[1] - cogShift, CAPSULE_TOUCHDOWN[2] - cogShift);
    SetPMI(CHUTE_PMI);
    SetCrossSections(variant.crossSections);
    SetCW(CHUTE_CW[0], CHUTE_CW[1], CHUTE_CW[2], CHUTE_CW[3]);
    SetRotDrag(CHUTE_ROT_DRAG);
    SetPitchMomentScale(variant.momentScale);
    SetBankMomentScale(variant.momentScale);
    SetLiftCoeffFunc(nullptr);
    DeleteTank(mainTank);
    DeleteTank(descentAttTank);
    CreateLandingTank();

    if (variant.landingThruster) {
        // The landing burn's own thruster, in no group: the time step fires it under the canopy,
        // which still holds the capsule while the burn brakes it.
        landingThruster = CreateThruster(LANDING_NOZZLE - cogShift, LANDING_THRUST_DIRECTION, LANDING_MAX_THRUST,
                                         landingTank, LANDING_ISP, ISP_REF_NONE, P_REF);
        AddExhaustStream(landingThruster, ExhaustSpec(ENGINE_EXHAUST_LONG));
    }

    const VECTOR3 capsuleOffset = CAPSULE_POSITION - cogShift;
    const VECTOR3 canopyOffset = CANOPY_POSITION - cogShift;
    if (variant.canopyFirst) {
        SetMeshVisibilityMode(AddMesh(variant.canopy, &canopyOffset), MESH_VISIBLE_ALWAYS);
        SetMeshVisibilityMode(AddMesh(meshDescent, &capsuleOffset), MESH_VISIBLE_ALWAYS);
    } else {
        SetMeshVisibilityMode(AddMesh(meshDescent, &capsuleOffset), MESH_VISIBLE_ALWAYS);
        SetMeshVisibilityMode(AddMesh(variant.canopy, &canopyOffset), MESH_VISIBLE_ALWAYS);
    }
    PlacePayloadMeshes(CAPSULE_POSITION - cogShift);
}

void TalvekVessel::SetupDrogue() {
    constexpr VECTOR3 DROGUE_CROSS_SECTIONS{5, 5, 40};  // [m^2]
    constexpr double DROGUE_MOMENT_SCALE = -0.0005;
    SetupParachute(ParachuteVariant{DROGUE_CROSS_SECTIONS, DROGUE_MOMENT_SCALE, false, meshDrogue, false});
}

void TalvekVessel::SetupMainChute() {
    constexpr VECTOR3 MAIN_CHUTE_CROSS_SECTIONS{5, 5, 1000};  // [m^2]
    constexpr double MAIN_CHUTE_MOMENT_SCALE = -0.00005;
    SetupParachute(ParachuteVariant{MAIN_CHUTE_CROSS_SECTIONS, MAIN_CHUTE_MOMENT_SCALE, true, meshMainChute, true});
}
