// The set-up of a configuration from its row, and the definition of a vessel whose state was loaded.
#include <string>

#include "spacecraft/constants.h"
#include "spacecraft/talvek_vessel.h"

void TalvekVessel::DefineLoadedConfiguration() {
    if (sequencer.IgnoresSavedRebuild())
        LogEvent("scenario line REBUILD " + std::to_string(sequencer.savedRebuildCounter) + " " +
                 std::to_string(Number(sequencer.savedDefinedConfiguration)) + " ignored: no Talvek in CONFIGURATION " +
                 std::to_string(Number(sequencer.configuration)) + " saves it; the vessel takes its configuration's definition");
    if (!sequencer.Row()) {
        // A number that defines nothing keeps the full stack, as the rebuild would leave it.
        DefineBaseline();
        sequencer.ResumeSavedRebuild(RebuildPhase::Requested);
        return;
    }
    const Configuration loaded = sequencer.BeginLoadedDefinition();
    // The host places the vessel from the saved lines after the load, so the centre-of-mass
    // shift made here moves nothing: the vessel stays where it was saved.
    const ConfigurationDef& row = *sequencer.Row();
    CreateTanks(row);
    meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;  // every flight passed through the full stack
    ApplyConfiguration();
    if (!row.stackFittings) KeepFullStackFittings();
    sequencer.EndLoadedDefinition(loaded);
    if (sequencer.HoldsPanelsStowed())
        arrays.Stow();
    else
        arrays.Show();
}

void TalvekVessel::ApplyConfiguration() {
    sequencer.Defining();
    if (const ConfigurationDef* row = sequencer.Row()) DefineConfiguration(*row);
}

void TalvekVessel::DefineConfiguration(const ConfigurationDef& row) {
    LeaveDefinition(row);
    ApplyHull(*row.hull);
    if (row.arrays == Arrays::Deployable) {
        // The arrays are built on the first mesh before anything else is fitted.
        AddMeshes(row);
        FitTanks(row);
        if (row.stackFittings) {
            CreateDockPort();
            SetDefaultPropellantResource(mainTank);
        }
    } else {
        FitTanks(row);
        burn.CreateThruster(row.landingThruster, cogShift);
        AddMeshes(row);
    }
    switch (row.thrusters) {
        case Thrusters::FullStack:
            CreateFullStackThrusters();
            break;
        case Thrusters::DescentAttitude:
            CreateDescentThrusters();
            break;
        case Thrusters::None:
            break;
    }
    if (row.stackFittings) EnableTransponder(true);
}

void TalvekVessel::LeaveDefinition(const ConfigurationDef& row) {
    const HullDefinition& hull = *row.hull;
    if (hull.placement == HullPlacement::First) PlaceHull(hull);
    if (row.arrays == Arrays::Deployable)
        arrays.Stow();
    else
        arrays.Remove();
    if (hull.placement == HullPlacement::AfterArrays) PlaceHull(hull);
    // The full stack's thrusters clear the definitions themselves (CreateFullStackThrusters).
    if (row.thrusters != Thrusters::FullStack) {
        ClearExhaustRefs();
        ClearAttExhaustRefs();
        ClearThrusterDefinitions();
    }
    ClearVesselMeshes();
}

void TalvekVessel::AddMeshes(const ConfigurationDef& row) {
    for (const MeshPlacement& placement : row.meshes) {
        const VECTOR3 offset = placement.position - cogShift;
        const auto which = static_cast<size_t>(placement.mesh);
        // The stack's mesh goes by its file name, the others from the templates loaded at construction.
        const UINT index = placement.mesh == Mesh::Stack ? AddMesh(MESH_FILES[which], &offset)
                                                         : AddMesh(meshTemplates[which], &offset);
        SetMeshVisibilityMode(index, MESH_VISIBLE_ALWAYS);
        if (row.arrays == Arrays::Deployable && &placement == &row.meshes.front()) arrays.Build(index);
    }
    if (row.stackFittings) meshVisibilityMode = PAYLOAD_VISIBILITY_STACK;
    PlacePayloadMeshes(row.payloadOrigin - cogShift);
}

void TalvekVessel::FitTanks(const ConfigurationDef& row) {
    for (Tank tank : row.dropped) {
        PROPELLANT_HANDLE& handle = TankHandle(tank);
        if (!handle) continue;
        DelPropellantResource(handle);
        handle = nullptr;
    }
    if (row.attitudeTankLimit >= 0 && descentAttTank && GetPropellantMass(descentAttTank) > row.attitudeTankLimit)
        SetPropellantMass(descentAttTank, row.attitudeTankLimit);
    for (Tank tank : row.made) CreateTank(tank);
}

void TalvekVessel::CreateTanks(const ConfigurationDef& row) {
    for (Tank tank : row.tanks) CreateTank(tank);
}

void TalvekVessel::CreateTank(Tank tank) {
    if (tank == Tank::Landing) {
        burn.CreateTank();
        return;
    }
    PROPELLANT_HANDLE& handle = TankHandle(tank);
    if (!handle) handle = CreatePropellantResource(TANK_CAPACITY[static_cast<size_t>(tank)], TANK_FULL, TANK_EFFICIENCY);
}

PROPELLANT_HANDLE& TalvekVessel::TankHandle(Tank tank) {
    switch (tank) {
        case Tank::Main:
            return mainTank;
        case Tank::DescentAttitude:
            return descentAttTank;
        case Tank::Landing:
            break;
    }
    return burn.tank;
}
