// A plain stage over the payload carrier: one mesh, its class's dry mass, no engines. It holds the
// payloads nested in it, whether read from its scenario block or handed over by the carrier that
// released it, weighs and draws them, saves them, and releases the last one with J.
#pragma once

#include <cstdint>
#include <string>

#include "carrier/payload_carrier.h"
#include "host/orbiter.h"

class StageCarrier : public PayloadCarrier {
public:
    explicit StageCarrier(OBJHANDLE hVessel);

    void clbkSetClassCaps(FILEHANDLE cfg) override;
    void clbkLoadStateEx(FILEHANDLE scn, void* status) override;
    void clbkPostCreation() override;
    void clbkVisualCreated(VISHANDLE vis, int refcount) override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    void clbkSaveState(FILEHANDLE scn) override;
    int clbkConsumeBufferedKey(BufferedKeyCode key, bool down, char* kstate) override;

    // Entry-point operations
    void SetClassCaps(FILEHANDLE cfg);
    void LoadStateEx(FILEHANDLE scn, void* status);
    void VisualCreated();
    void Timestep();
    void SaveState(FILEHANDLE scn);
    int ConsumeBufferedKey(BufferedKeyCode key, bool pressed, char* keyboardState);

    // Mesh and mass from the table as it stands: the stage's own mesh (its class's MeshName, else
    // named as its class), the attached payloads' meshes, and empty mass = dry mass + payload mass.
    // The first call takes the dry mass from the class values, which the host applies after the
    // class set-up.
    void DefineStage();
    // The mesh DefineStage draws for the stage itself.
    const char* StageMeshName() const;

    double dryMass = 0.0;  // [kg]
    bool defined = false;
    // The class file's MeshName, read in the class set-up (the only time the file is open); empty
    // when the class names none.
    std::string meshName;
};
