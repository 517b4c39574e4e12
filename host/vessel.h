// The host's vessel interface. A VESSEL names one host vessel by its handle; every
// operation acts on that vessel's record inside the host. VESSEL2 adds the callbacks
// that a vessel class may override. The signatures are the simulator's own (const-ness,
// pointer types, defaults), so that a module written against them compiles against its SDK.
#pragma once

#include "hosttypes.h"

class VESSEL {
public:
    // No virtual destructor, as in the simulator: a module deletes its object through its own type.
    explicit VESSEL(OBJHANDLE hVessel, int fmodel = 1);
    VESSEL(const VESSEL&) = delete;
    VESSEL& operator=(const VESSEL&) = delete;

    // The interface version: 0 for VESSEL, 1 for VESSEL2. The host calls the callbacks of a
    // vessel whose version is 1 or more.
    int Version() const { return version; }

    // Identity
    OBJHANDLE GetHandle() const;  // the simulator adds a top-level const, which callers never see
    char* GetName() const;
    char* GetClassName() const;
    int GetFlightModel() const;

    // Vessel definition
    void SetSize(double size) const;
    void SetEmptyMass(double emass) const;
    void ShiftCentreOfMass(const VECTOR3& shift);
    void SetTouchdownPoints(const VECTOR3& pt1, const VECTOR3& pt2, const VECTOR3& pt3) const;
    void SetPMI(const VECTOR3& pmi) const;
    void SetCrossSections(const VECTOR3& cs) const;
    void SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const;
    void SetRotDrag(const VECTOR3& rd) const;
    void SetPitchMomentScale(double scale) const;
    void SetBankMomentScale(double scale) const;
    void SetLiftCoeffFunc(LiftCoeffFunc lcf) const;
    void SetSurfaceFrictionCoeff(double mu_lng, double mu_lat) const;
    void SetCameraOffset(const VECTOR3& co) const;
    void EnableTransponder(bool enable) const;

    // Propellant
    PROPELLANT_HANDLE CreatePropellantResource(double maxmass, double mass = -1.0, double efficiency = 1.0) const;
    void DelPropellantResource(PROPELLANT_HANDLE& ph) const;
    double GetPropellantMass(PROPELLANT_HANDLE ph) const;
    void SetPropellantMass(PROPELLANT_HANDLE ph, double mass) const;
    void SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const;
    double GetMaxFuelMass() const;
    double GetFuelMass() const;
    void SetFuelMass(double mass) const;

    // Thrusters and exhaust
    THRUSTER_HANDLE CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double maxth0,
                                   PROPELLANT_HANDLE hp = nullptr, double isp0 = 0.0, double isp_ref = 0.0,
                                   double p_ref = 101.4e3) const;
    THGROUP_HANDLE CreateThrusterGroup(THRUSTER_HANDLE* th, int nth, THGROUP_TYPE thgt) const;
    void SetThrusterLevel(THRUSTER_HANDLE th, double level) const;
    double GetThrusterLevel(THRUSTER_HANDLE th) const;
    void SetThrusterGroupLevel(THGROUP_TYPE thgt, double level) const;
    void ClearThrusterDefinitions() const;
    // The host copies the description; it takes a non-const pointer all the same.
    PSTREAM_HANDLE AddExhaustStream(THRUSTER_HANDLE th, PARTICLESTREAMSPEC* pss = nullptr) const;
    PSTREAM_HANDLE AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3& pos, PARTICLESTREAMSPEC* pss = nullptr) const;
    void ClearExhaustRefs() const;
    void ClearAttExhaustRefs() const;

    // Meshes and animation
    UINT AddMesh(MESHHANDLE hMesh, const VECTOR3* ofs = nullptr) const;
    UINT AddMesh(const char* meshname, const VECTOR3* ofs = nullptr) const;
    void SetMeshVisibilityMode(UINT idx, WORD mode) const;
    void ClearMeshes() const;
    UINT CreateAnimation(double initial_state) const;
    ANIMATIONCOMPONENT_HANDLE AddAnimationComponent(UINT anim, double state0, double state1,
                                                    MGROUP_TRANSFORM* trans,
                                                    ANIMATIONCOMPONENT_HANDLE parent = nullptr) const;
    bool DelAnimationComponent(UINT anim, ANIMATIONCOMPONENT_HANDLE hAC);
    bool SetAnimation(UINT anim, double state) const;

    // Docking
    DOCKHANDLE CreateDock(const VECTOR3& pos, const VECTOR3& dir, const VECTOR3& rot) const;

    // State and flight data
    void GetStatus(VESSELSTATUS& status) const;
    void Local2Rel(const VECTOR3& local, VECTOR3& rel) const;
    void GlobalRot(const VECTOR3& rloc, VECTOR3& rglob) const;
    double GetAltitude() const;  // over the mean radius
    double GetAltitude(AltitudeMode mode, int* reslvl = nullptr);
    double GetAirspeed() const;
    bool GroundContact() const;
    double GetMass() const;
    double GetEmptyMass() const;

    // Scenario state
    void ParseScenarioLineEx(char* line, void* status) const;
    void SaveDefaultState(FILEHANDLE scn) const;

protected:
    short version = 0;  // set by the derived interface classes

private:
    OBJHANDLE hObj;
    short flightmodel;
};

// The callbacks' defaults: clbkLoadStateEx hands every line to ParseScenarioLineEx,
// clbkSaveState writes SaveDefaultState, clbkConsumeBufferedKey returns 0, the rest do nothing.
class VESSEL2 : public VESSEL {
public:
    explicit VESSEL2(OBJHANDLE hVessel, int fmodel = 1);

    virtual void clbkSetClassCaps(FILEHANDLE cfg);
    virtual void clbkSaveState(FILEHANDLE scn);
    virtual void clbkLoadStateEx(FILEHANDLE scn, void* status);
    virtual void clbkSetStateEx(const void* status);
    virtual void clbkPostCreation();
    virtual void clbkFocusChanged(bool getfocus, OBJHANDLE hNewVessel, OBJHANDLE hOldVessel);
    virtual void clbkPreStep(double simt, double simdt, double mjd);
    virtual void clbkPostStep(double simt, double simdt, double mjd);
    virtual void clbkVisualCreated(VISHANDLE vis, int refcount);
    virtual void clbkVisualDestroyed(VISHANDLE vis, int refcount);
    virtual void clbkDockEvent(int dock, OBJHANDLE mate);
    virtual void clbkAnimate(double simt);
    virtual int clbkConsumeDirectKey(char* kstate);
    virtual int clbkConsumeBufferedKey(BufferedKeyCode key, bool down, char* kstate);
    virtual void clbkNavMode(int mode, bool active);
    virtual void clbkRCSMode(int mode);
};
