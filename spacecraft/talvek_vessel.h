// The Talvek spacecraft: the composition that routes the host's callbacks to its subsystems (the
// configuration sequencer, the solar arrays, the landing burn, the released parachute), measures
// what they need once per step, carries out what they ask, and defines each configuration from
// its row.
#pragma once

#include <array>
#include <optional>

#include "carrier/payload_carrier.h"
#include "host/orbiter.h"
#include "spacecraft/configuration_sequencer.h"
#include "spacecraft/configurations.h"
#include "spacecraft/landing_burn.h"
#include "spacecraft/parachute_link.h"
#include "spacecraft/solar_arrays.h"
#include "spacecraft/step_inputs.h"

// Payload meshes show in external and cockpit views from the first full-stack set-up on.
constexpr int PAYLOAD_VISIBILITY_STACK = 3;

constexpr int ATT_THRUSTER_ROWS = 12;
constexpr int ATT_THRUSTER_SLOTS = 4;
constexpr int SPACECRAFT_MESH_COUNT = 4;  // one template per Mesh

class TalvekVessel : public PayloadCarrier {
public:
    // `configurations`: the rows the vessel may be defined by (a test may give its own).
    explicit TalvekVessel(OBJHANDLE hVessel, ConfigurationTable configurations = CONFIGURATIONS);

    // The current simulator's callbacks, each running the operation of its entry point.
    void clbkSetClassCaps(FILEHANDLE cfg) override;
    void clbkLoadStateEx(FILEHANDLE scn, void* status) override;
    void clbkPostCreation() override;
    void clbkVisualCreated(VISHANDLE vis, int refcount) override;
    void clbkPreStep(double simt, double simdt, double mjd) override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    void clbkSaveState(FILEHANDLE scn) override;
    int clbkConsumeBufferedKey(BufferedKeyCode key, bool down, char* kstate) override;

    // Entry-point operations
    void SetClassCaps(FILEHANDLE cfg);
    void VisualCreated();
    // Older hosts' time step, which hands over no step length.
    void Timestep();
    void SaveState(FILEHANDLE scn);
    void LoadStateEx(FILEHANDLE scn, void* status);
    int ConsumeBufferedKey(BufferedKeyCode key, bool pressed, char* keyboardState);

private:
    friend struct TalvekVesselTestAccess;

    // The time step, in the order of its steps: of the step the host handed over, or of
    // oapiGetSimStep's where it handed over none.
    void Step(std::optional<double> step);
    // Before the host's state update (the current simulator only): what must not happen during it.
    void PreStep();
    StepInputs Measure(double step);
    void StepDeferredRebuild();
    void StepLandingBurn(const StepInputs& in);
    // The one cap on the time acceleration: lowered to the cap's when it is higher, and said.
    void CapTimeAcceleration(const TimeAccelerationCap& cap);
    // A transition the sequencer answered: what it does on the way, the switch, the log line.
    void Enter(const Transition& transition);
    void SeparateModules();
    void ReleaseMainChute();
    void RemoveLandedChute();

    // The full-stack set-up as a baseline, with the rebuild into the actual configuration armed.
    void DefineBaseline();
    // After a state load: the loaded configuration's own definition at once, with the tanks it
    // holds in the order it holds them, so that the host's saved levels find them.
    void DefineLoadedConfiguration();
    // The set-up of the sequencer's configuration, when it has a row.
    void ApplyConfiguration();
    // The whole definition of a configuration from its row, rebuilt from scratch.
    void DefineConfiguration(const ConfigurationDef& row);

    // Steps of the set-up
    // Stows or removes the arrays, moves the centre of mass where the hull places itself first,
    // and clears the thrusters and meshes of the definition before.
    void LeaveDefinition(const ConfigurationDef& row);
    // The hull's physical values, in the order the host is given them; the centre of mass and the
    // camera among them when the hull places itself there.
    void ApplyHull(const HullDefinition& hull);
    // The centre of mass moved onto the hull's, and the camera placed for it.
    void PlaceHull(const HullDefinition& hull);
    void MoveCentreOfMassTo(const VECTOR3& newShift);
    void AddMeshes(const ConfigurationDef& row);
    // Deletes the tanks the row drops, cuts the attitude tank to the row's limit, and creates the
    // tanks the row holds that are missing, in its order (contents survive every rebuild).
    void FitTanks(const ConfigurationDef& row);
    void CreateTanks(const ConfigurationDef& row);
    void CreateTank(Tank tank);
    PROPELLANT_HANDLE& TankHandle(Tank tank);
    void CreateFullStackThrusters();
    void CreateDescentThrusters();
    void CreateDockPort();
    // What the full stack defines once for the whole flight and no later configuration changes:
    // the surface friction, the docking port and the transponder. A vessel loaded in a later
    // configuration never ran the full stack's set-up, and gets them here.
    void KeepFullStackFittings();

    // Loaded before the arrays make their animation, in the order the host sees; by Mesh.
    static std::array<MESHHANDLE, SPACECRAFT_MESH_COUNT> LoadMeshTemplates();
    std::array<MESHHANDLE, SPACECRAFT_MESH_COUNT> meshTemplates;
    SolarArrays arrays;
    ConfigurationSequencer sequencer;
    LandingBurn burn;
    ParachuteLink chute;

    PROPELLANT_HANDLE mainTank = nullptr;
    PROPELLANT_HANDLE descentAttTank = nullptr;
    THRUSTER_HANDLE mainThruster = nullptr;
    THRUSTER_HANDLE attThrusters[ATT_THRUSTER_ROWS][ATT_THRUSTER_SLOTS] = {};
    VECTOR3 cogShift{0, 0, 0};  // [m], centre of mass in the design frame
    DOCKHANDLE dockPort = nullptr;
};
