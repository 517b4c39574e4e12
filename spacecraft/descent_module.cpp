// Configurations 1 and 4: the descent module alone, and with its soft-landing burn.
#include "exhaust.h"
#include "spacecraft/constants.h"
#include "landing_burn.h"
#include "talvek_vessel.h"

namespace {

constexpr VECTOR3 DESCENT_COG_SHIFT{0, -0.1, -0.5};    // [m], design frame
constexpr VECTOR3 DESCENT_CAMERA{0, -1.65, -0.1};      // [m], design frame
constexpr double DESCENT_SIZE = 5;                     // [m]
constexpr double DESCENT_DRY_MASS = 2950;              // [kg]
constexpr VECTOR3 DESCENT_PMI{2, 2, 0.55};             // [m^2]
constexpr VECTOR3 DESCENT_CROSS_SECTIONS{5, 5, 5};     // [m^2]
constexpr double DESCENT_CW[4] = {1.1, 2.2, 2.5, 2.5}; // z+, z-, x, y
constexpr VECTOR3 DESCENT_ROT_DRAG{0.05, 0.05, 0.05};
constexpr double DESCENT_MOMENT_SCALE = -1e-6;         // pitch and bank
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
    MoveCentreOfMassTo(DESCENT_COG_SHIFT);
    SetCameraOffset(DESCENT_CAMERA - cogShift);
    arrays.Remove();
    ClearThrustersAndExhaust();
    ClearVesselMeshes();
    SetSize(DESCENT_SIZE);
    SetEmptyMass(DESCENT_DRY_MASS + GetPayloadMass());
    SetTouchdownPoints(CAPSULE_TOUCHDOWN[0] - cogShift, CAPSULE_TOUCHDOWN[1] - cogShift, CAPSULE_TOUCHDOWN[2] - cogShift);
    SetPMI(DESCENT_PMI);
    SetCrossSections(DESCENT_CROSS_SECTIONS);
    SetCW(DESCENT_CW[0], DESCENT_CW[1], DESCENT_CW[2], DESCENT_CW[3]);
    SetRotDrag(DESCENT_ROT_DRAG);
    SetPitchMomentScale(DESCENT_MOMENT_SCALE);
    SetBankMomentScale(DESCENT_MOMENT_SCALE);
    SetLiftCoeffFunc(nullptr);
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
