// The Talvek spacecraft: the composition that routes the host's callbacks to its subsystems (the
// solar arrays, the configuration sequencer, the released parachute), the five configurations'
// set-ups, separation and the keyboard.
#pragma once

#include "carrier/payload_carrier.h"
#include "host/orbiter.h"
#include "spacecraft/configuration_sequencer.h"
#include "spacecraft/hull_definitions.h"
#include "spacecraft/parachute_link.h"
#include "spacecraft/solar_arrays.h"

// Payload meshes show in external and cockpit views from the first full-stack set-up on.
constexpr int PAYLOAD_VISIBILITY_STACK = 3;

constexpr int ATT_THRUSTER_ROWS = 12;
constexpr int ATT_THRUSTER_SLOTS = 4;

class TalvekVessel : public PayloadCarrier {
public:
    explicit TalvekVessel(OBJHANDLE hVessel);

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
    // The full-stack set-up as a baseline, with the rebuild into the actual configuration armed.
    void DefineBaseline();
    // After a state load: the loaded configuration's own definition at once, with the tanks it
    // holds in the order it holds them, so that the host's saved levels find them.
    void DefineLoadedConfiguration();
    void CreateTanksOfConfiguration();
    // Before the host's state update (the current simulator only): what must not happen during it.
    void PreStep();
    void Timestep();
    void SaveState(FILEHANDLE scn);
    void LoadStateEx(FILEHANDLE scn, void* status);
    int ConsumeBufferedKey(BufferedKeyCode key, bool pressed, char* keyboardState);

    // Steps of the time step
    void DrainMessages();
    void StepDeferredRebuild();
    void StepDescentSequence();
    // Lowers the time acceleration where the next frame could carry the capsule past the height
    // at which its sequence acts next, and logs it.
    void CapTimeAccelerationBeforeNextEvent();
    void ReleaseMainChute();
    // Under the main canopy: the landing burn timed to end at the ground, and at contact the
    // canopy's release into the landing configuration.
    void StepMainChuteLanding();
    // At contact under the main canopy: the landing thruster cut, the canopy released as a vessel
    // of its own, and the landing configuration.
    void LandUnderMainChute();
    struct GroundApproach {
        double height;        // [m] of the capsule's base over the ground
        double descentSpeed;  // [m/s], positive downwards
    };
    GroundApproach MeasureGroundApproach();
    void RemoveLandedChute();

    // Configurations
    void ApplyConfiguration();
    void SetupFullStack();
    void CreateFullStackThrusters();
    void SetupDescentModule();
    void SetupDrogue();
    void SetupMainChute();

    // What the drogue and main-parachute set-ups do differently.
    struct ParachuteVariant {
        const HullDefinition& hull;
        bool landingThruster;   // created by the main parachute only
        MESHHANDLE canopy;
        bool canopyFirst;       // mesh order: canopy, then capsule
    };
    void SetupParachute(const ParachuteVariant& variant);

    // Steps shared by the set-ups
    // The hull's physical values, in the order the host is given them; the centre of mass and the
    // camera among them when the hull places itself there.
    void ApplyHull(const HullDefinition& hull);
    // The centre of mass moved onto the hull's, and the camera placed for it.
    void PlaceHull(const HullDefinition& hull);
    void MoveCentreOfMassTo(const VECTOR3& newShift);
    void ClearThrustersAndExhaust();
    void DeleteTank(PROPELLANT_HANDLE& tank);
    // Tanks are created only when their handle is empty, so contents survive every rebuild.
    void CreateStackTanks();      // main tank, then the descent module's attitude tank
    void CreateDescentAttTank();
    void CreateLandingTank();
    void CreateDockPort();
    // What the full stack defines once for the whole flight and no later configuration changes:
    // the surface friction, the docking port and the transponder. A vessel loaded in a later
    // configuration never ran the full stack's set-up, and gets them here.
    void KeepFullStackFittings();

    // Separation
    void SeparateModules();

    // Loaded before the arrays make their animation, in the order the host sees.
    MESHHANDLE meshStack;      // "talvek"
    MESHHANDLE meshDescent;    // "talvek-descent"
    MESHHANDLE meshMainChute;  // "tlvchute"
    MESHHANDLE meshDrogue;     // "tlvdrogue"
    SolarArrays arrays;
    ConfigurationSequencer sequencer{*this};
    ParachuteLink chute;

    PROPELLANT_HANDLE mainTank;
    PROPELLANT_HANDLE descentAttTank;
    PROPELLANT_HANDLE landingTank;
    THRUSTER_HANDLE mainThruster;
    THRUSTER_HANDLE attThrusters[ATT_THRUSTER_ROWS][ATT_THRUSTER_SLOTS];
    THRUSTER_HANDLE landingThruster;
    VECTOR3 cogShift;          // [m], centre of mass in the design frame
    DOCKHANDLE dockPort;
};
