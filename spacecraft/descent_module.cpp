// Configurations 1 and 4: the descent module alone, and with its soft-landing burn.
#include "spacecraft/constants.h"
#include "spacecraft/exhaust.h"
#include "spacecraft/hull_definitions.h"
#include "spacecraft/landing_burn.h"
#include "spacecraft/talvek_vessel.h"

namespace {

constexpr double ATT_TANK_LIMIT = 40;                  // [kg] attitude propellant kept after separation

// The exhaust positions are handed to the host as they stand, not reduced by the shift.
constexpr VECTOR3 LANDING_STREAMS[3] = {{0, 1, -0.7}, {-0.7, -0.7, -0.7}, {0.7, -0.7, -0.7}};
constexpr double LANDING_LEVEL = 1;
constexpr double LANDED_LEVEL = 0;

constexpr double DESCENT_ATT_THRUST = 50;              // [N]
constexpr double DESCENT_ATT_ISP = 2903;               // [m/s]

struct DescentThruster {
    int row;
    VECTOR3 pos;  // design frame
    VECTOR3 dir;
    THGROUP_TYPE type;
};
constexpr DescentThruster DESCENT_THRUSTERS[] = {
    {2, {0, 0, 1}, {-1, 0, 0}, THGROUP_ATT_YAWLEFT},   {3, {0, 0, 1}, {1, 0, 0}, THGROUP_ATT_YAWRIGHT},
    {0, {0, 0, 1}, {0, 1, 0}, THGROUP_ATT_PITCHUP},    {1, {0, 0, 1}, {0, -1, 0}, THGROUP_ATT_PITCHDOWN},
    {4, {0, 1, 1}, {-1, 0, 0}, THGROUP_ATT_BANKLEFT},  {5, {0, 1, 1}, {1, 0, 0}, THGROUP_ATT_BANKRIGHT},
};

}  // namespace

void TalvekVessel::SetupDescentModule() {
    PlaceHull(DESCENT_HULL);
    arrays.Remove();
    ClearThrustersAndExhaust();
    ClearVesselMeshes();
    ApplyHull(DESCENT_HULL);
    DeleteTank(mainTank);
    if (descentAttTank && GetPropellantMass(descentAttTank) > ATT_TANK_LIMIT)
        SetPropellantMass(descentAttTank, ATT_TANK_LIMIT);

    if (sequencer.configuration == CONFIG_LANDING) {
        CreateLandingTank();
        landingThruster = CreateThruster(LANDING_NOZZLE - cogShift, LANDING_THRUST_DIRECTION, LANDING_MAX_THRUST,
                                         landingTank, LANDING_ISP, ISP_REF_NONE, P_REF);
        for (const VECTOR3& position : LANDING_STREAMS) AddExhaustStream(landingThruster, position, ExhaustSpec(ENGINE_EXHAUST_LONG));
        // What is left in the tank once the capsule stands on the ground would only lift it off.
        SetThrusterLevel(landingThruster, GroundContact() ? LANDED_LEVEL : LANDING_LEVEL);
    }

    const VECTOR3 meshOffset = -cogShift;
    SetMeshVisibilityMode(AddMesh(meshDescent, &meshOffset), MESH_VISIBLE_ALWAYS);
    PlacePayloadMeshes(-cogShift);

    for (const DescentThruster& t : DESCENT_THRUSTERS)
        attThrusters[t.row][0] = CreateThruster(t.pos - cogShift, t.dir, DESCENT_ATT_THRUST, descentAttTank,
                                                DESCENT_ATT_ISP, ISP_REF_NONE, P_REF);
    for (const DescentThruster& t : DESCENT_THRUSTERS) CreateThrusterGroup(attThrusters[t.row], 1, t.type);
}
