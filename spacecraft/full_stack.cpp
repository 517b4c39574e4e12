// Configuration 0: orbital, descent and service modules joined.
#include "exhaust.h"
#include "spacecraft/constants.h"
#include "talvek_vessel.h"

namespace {

constexpr double STACK_SIZE = 15;                      // [m]
constexpr double STACK_DRY_MASS = 6320;                // [kg]
constexpr VECTOR3 STACK_COG_SHIFT{0, 0, 0};            // [m]
// In this order the points' normal (p1 - (p2 + p3)/2) x (p3 - p2) is +y, the stack's up when landed.
constexpr VECTOR3 STACK_TOUCHDOWN[3] = {{0, -2, 4}, {-2, -2, -4}, {2, -2, -4}};  // [m], design frame
constexpr VECTOR3 STACK_PMI{5, 5, 0.85};               // [m^2]
constexpr VECTOR3 STACK_CROSS_SECTIONS{15, 32, 6};     // [m^2]
constexpr double STACK_CW[4] = {1.1, 2.2, 3.5, 3.5};   // z+, z-, x, y
constexpr VECTOR3 STACK_ROT_DRAG{0.1, 0.1, 0.01};
constexpr double STACK_PITCH_MOMENT_SCALE = -3e-6;
constexpr double STACK_BANK_MOMENT_SCALE = 3e-6;
constexpr double STACK_FRICTION_LNG = 0.05;
constexpr double STACK_FRICTION_LAT = 0.5;
constexpr VECTOR3 STACK_CAMERA{0, -1.5, 1.5};          // [m], design frame
constexpr const char* STACK_MESH_NAME = "talvek";
constexpr double MAIN_TANK_CAPACITY = 900;             // [kg]
constexpr double DESCENT_ATT_TANK_CAPACITY = 60;       // [kg]
constexpr VECTOR3 DOCK_POSITION{0, 0, 4.615};          // [m], handed over as it stands
constexpr VECTOR3 DOCK_DIRECTION{0, 0, 1};
constexpr VECTOR3 DOCK_ROTATION{0, 1, 0};

}  // namespace

void TalvekVessel::CreateStackTanks() {
    // The main tank is tank 0 of the full stack, as saved scenarios expect.
    if (!mainTank) mainTank = CreatePropellantResource(MAIN_TANK_CAPACITY, TANK_FULL, TANK_EFFICIENCY);
    CreateDescentAttTank();
}

void TalvekVessel::CreateDescentAttTank() {
    // The descent module's own attitude propellant rides in the stack; separation cuts it to
    // what the descent module keeps, the parachutes delete it.
    if (!descentAttTank)
        descentAttTank = CreatePropellantResource(DESCENT_ATT_TANK_CAPACITY, TANK_FULL, TANK_EFFICIENCY);
}

void TalvekVessel::SetupFullStack() {
    arrays.Stow();
    ClearVesselMeshes();
    SetSize(STACK_SIZE);
    SetEmptyMass(STACK_DRY_MASS + GetPayloadMass());

    MoveCentreOfMassTo(STACK_COG_SHIFT);

    SetTouchdownPoints(STACK_TOUCHDOWN[0] - cogShift, STACK_TOUCHDOWN[1] - cogShift, STACK_TOUCHDOWN[2] - cogShift);
    SetPMI(STACK_PMI);
    SetCrossSections(STACK_CROSS_SECTIONS);
    SetCW(STACK_CW[0], STACK_CW[1], STACK_CW[2], STACK_CW[3]);
    SetRotDrag(STACK_ROT_DRAG);
    SetPitchMomentScale(STACK_PITCH_MOMENT_SCALE);
    SetBankMomentScale(STACK_BANK_MOMENT_SCALE);
    SetLiftCoeffFunc(nullptr);
    SetSurfaceFrictionCoeff(STACK_FRICTION_LNG, STACK_FRICTION_LAT);
    SetCameraOffset(STACK_CAMERA - cogShift);

    const VECTOR3 meshOffset = VECTOR3{0, 0, 0} - cogShift;
    const UINT meshIndex = AddMesh(STACK_MESH_NAME, &meshOffset);
    SetMeshVisibilityMode(meshIndex, MESH_VISIBLE_ALWAYS);
    arrays.Build(meshIndex);
    meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;
    PlacePayloadMeshes(VECTOR3{0, 0, 0} - cogShift);

    CreateStackTanks();
    if (!dockPort) dockPort = CreateDock(DOCK_POSITION, DOCK_DIRECTION, DOCK_ROTATION);
    SetDefaultPropellantResource(mainTank);
    CreateFullStackThrusters();
    EnableTransponder(true);
}
