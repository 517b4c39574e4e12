// The Talvek spacecraft: five flight configurations, their physical definitions, the state
// machine between them, the solar array animation, separation and the keyboard.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "carrier/payload_carrier.h"
#include "host/orbiter.h"
#include "spacecraft/solar_arrays.h"

constexpr std::int16_t CONFIG_FULL_STACK = 0;
constexpr std::int16_t CONFIG_DESCENT = 1;
constexpr std::int16_t CONFIG_DROGUE = 2;
constexpr std::int16_t CONFIG_MAIN_CHUTE = 3;
constexpr std::int16_t CONFIG_LANDING = 4;

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
    void clbkPostStep(double simt, double simdt, double mjd) override;
    void clbkSaveState(FILEHANDLE scn) override;
    int clbkConsumeBufferedKey(DWORD key, bool down, char* kstate) override;

    // Entry-point operations
    void SetClassCaps(FILEHANDLE cfg);
    void VisualCreated();
    // The full-stack set-up as a baseline, with the rebuild into the actual configuration armed.
    void DefineBaseline();
    // After a state load: the loaded configuration's own definition at once, with the tanks it
    // holds in the order it holds them, so that the host's saved levels find them.
    void DefineLoadedConfiguration();
    void CreateTanksOfConfiguration();
    // Finds the released main parachute that a save named.
    void FindSavedChute();
    void Timestep();
    void SaveState(FILEHANDLE scn);
    void LoadStateEx(FILEHANDLE scn, void* status);
    int ConsumeBufferedKey(DWORD key, bool pressed, char* keyboardState);

    // Steps of the time step
    void DrainMessages();
    void StepDeferredRebuild();
    void StepDescentSequence();
    void ReleaseMainChute();
    // Under the main canopy: the landing burn timed to end at the ground, and at contact the
    // canopy's release into the landing configuration.
    void StepMainChuteLanding();
    struct GroundApproach {
        double height;        // [m] of the capsule's base over the ground
        double descentSpeed;  // [m/s], positive downwards
    };
    GroundApproach MeasureGroundApproach();
    void RemoveLandedChute();
    // The released main parachute's interface while that vessel exists, else null, and then
    // the parachute is forgotten.
    VESSEL* ReleasedChute();
    void KeepChute(VESSEL* chute);  // the released or found parachute (null: none)
    void ForgetChute();

    // Configurations
    void ApplyConfiguration();
    void SetupFullStack();
    void CreateFullStackThrusters();
    void SetupDescentModule();
    void SetupDrogue();
    void SetupMainChute();

    // What the drogue and main-parachute set-ups do differently.
    struct ParachuteVariant {
        VECTOR3 crossSections;  // [m^2]
        double momentScale;     // pitch and bank
        bool landingThruster;   // created by the main parachute only
        MESHHANDLE canopy;
        bool canopyFirst;       // mesh order: canopy, then capsule
    };
    void SetupParachute(const ParachuteVariant& variant);

    // Steps shared by the set-ups
    void MoveCentreOfMassTo(const VECTOR3& newShift);
    void ClearThrustersAndExhaust();
    void DeleteTank(PROPELLANT_HANDLE& tank);
    // Tanks are created only when their handle is empty, so contents survive every rebuild.
    void CreateStackTanks();      // main tank, then the descent module's attitude tank
    void CreateDescentAttTank();
    void CreateLandingTank();

    // Separation
    void SeparateModules();

    // Loaded before the arrays make their animation, in the order the host sees.
    MESHHANDLE meshStack;      // "talvek"
    MESHHANDLE meshDescent;    // "talvek-descent"
    MESHHANDLE meshMainChute;  // "tlvchute"
    MESHHANDLE meshDrogue;     // "tlvdrogue"
    SolarArrays arrays;

    PROPELLANT_HANDLE mainTank;
    PROPELLANT_HANDLE descentAttTank;
    PROPELLANT_HANDLE landingTank;
    THRUSTER_HANDLE mainThruster;
    THRUSTER_HANDLE attThrusters[ATT_THRUSTER_ROWS][ATT_THRUSTER_SLOTS];
    THRUSTER_HANDLE landingThruster;
    std::int16_t configuration;
    VECTOR3 cogShift;          // [m], centre of mass in the design frame
    VESSEL* chuteVessel;
    std::int32_t rebuildCounter;
    DOCKHANDLE dockPort;

    // The host handle of the released main parachute, asked about before chuteVessel is used,
    // and the name and class of the vessel on it, which tell it from a later vessel on that handle.
    OBJHANDLE chuteHandle = nullptr;
    std::string chuteName;
    std::string chuteClass;
    // The vessel has a physical definition (from its visual, its state load, or after creation).
    bool defined = false;
    // The configuration whose set-up made the vessel's present definition; -1 none. It differs
    // from configuration while a rebuild is pending.
    std::int16_t definedConfiguration = -1;
    // A rebuild pending when the state was saved: its counter and the configuration then defined.
    std::int32_t savedRebuildCounter = 0;
    std::int16_t savedDefinedConfiguration = -1;
    // The released main parachute's name as a save recorded it, until the first time step
    // finds that vessel again; empty when there is none to find.
    std::string savedChuteName;
};
