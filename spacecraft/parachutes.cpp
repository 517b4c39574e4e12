// Configurations 2 and 3: the descent module under its drogue or its main parachute.
#include "spacecraft/constants.h"
#include "spacecraft/exhaust.h"
#include "spacecraft/hull_definitions.h"
#include "spacecraft/landing_burn.h"
#include "spacecraft/talvek_vessel.h"

namespace {

constexpr VECTOR3 CANOPY_POSITION{0, 0, 72};         // [m], design frame
constexpr VECTOR3 CAPSULE_POSITION{0, 0, 0};         // [m], design frame

constexpr double LANDING_TANK_CAPACITY = 70;         // [kg]

}  // namespace

void TalvekVessel::CreateLandingTank() {
    if (!landingTank) landingTank = CreatePropellantResource(LANDING_TANK_CAPACITY, TANK_FULL, TANK_EFFICIENCY);
}

void TalvekVessel::SetupParachute(const ParachuteVariant& variant) {
    arrays.Remove();
    PlaceHull(variant.hull);
    ClearThrustersAndExhaust();
    ClearVesselMeshes();
    ApplyHull(variant.hull);
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

void TalvekVessel::SetupDrogue() { SetupParachute(ParachuteVariant{DROGUE_HULL, false, meshDrogue, false}); }

void TalvekVessel::SetupMainChute() { SetupParachute(ParachuteVariant{MAIN_CHUTE_HULL, true, meshMainChute, true}); }
