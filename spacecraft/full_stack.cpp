// Configuration 0: orbital, descent and service modules joined.
#include "spacecraft/constants.h"
#include "spacecraft/exhaust.h"
#include "spacecraft/hull_definitions.h"
#include "spacecraft/talvek_vessel.h"

namespace {

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
    ApplyHull(STACK_HULL);

    const VECTOR3 meshOffset = VECTOR3{0, 0, 0} - cogShift;
    const UINT meshIndex = AddMesh(STACK_MESH_NAME, &meshOffset);
    SetMeshVisibilityMode(meshIndex, MESH_VISIBLE_ALWAYS);
    arrays.Build(meshIndex);
    meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;
    PlacePayloadMeshes(VECTOR3{0, 0, 0} - cogShift);

    CreateStackTanks();
    CreateDockPort();
    SetDefaultPropellantResource(mainTank);
    CreateFullStackThrusters();
    EnableTransponder(true);
}

void TalvekVessel::CreateDockPort() {
    if (!dockPort) dockPort = CreateDock(DOCK_POSITION, DOCK_DIRECTION, DOCK_ROTATION);
}

void TalvekVessel::KeepFullStackFittings() {
    SetSurfaceFrictionCoeff(STACK_HULL.frictionLng, STACK_HULL.frictionLat);
    CreateDockPort();
    EnableTransponder(true);
}
