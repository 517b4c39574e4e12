// The spacecraft's inner state, for tests and benchmarks that set it up or check it directly.
// The module itself never includes this header.
#pragma once

#include <ostream>

#include "spacecraft/talvek_vessel.h"

struct TalvekVesselTestAccess {
    explicit TalvekVesselTestAccess(TalvekVessel& v)
        : vessel(v),
          sequencer(v.sequencer),
          arrays(v.arrays),
          burn(v.burn),
          chute(v.chute),
          mainTank(v.mainTank),
          descentAttTank(v.descentAttTank),
          mainThruster(v.mainThruster),
          attThrusters(v.attThrusters),
          cogShift(v.cogShift),
          dockPort(v.dockPort) {}

    // The definition of a configuration from its row, as the rebuild's set-up gives it.
    void Define(Configuration c) {
        if (const ConfigurationDef* row = vessel.sequencer.Row(c)) vessel.DefineConfiguration(*row);
    }
    void Define(const ConfigurationDef& row) { vessel.DefineConfiguration(row); }
    void ApplyConfiguration() { vessel.ApplyConfiguration(); }
    void ApplyHull(const HullDefinition& hull) { vessel.ApplyHull(hull); }
    void PlaceHull(const HullDefinition& hull) { vessel.PlaceHull(hull); }
    void SeparateModules() { vessel.SeparateModules(); }
    void Enter(const Transition& transition) { vessel.Enter(transition); }
    void Step(double step) { vessel.Step(step); }
    void PreStep() { vessel.PreStep(); }
    StepInputs Measure(double step) { return vessel.Measure(step); }
    MESHHANDLE MeshTemplate(Mesh m) const { return vessel.meshTemplates[static_cast<size_t>(m)]; }

    TalvekVessel& vessel;
    ConfigurationSequencer& sequencer;
    SolarArrays& arrays;
    LandingBurn& burn;
    ParachuteLink& chute;
    PROPELLANT_HANDLE& mainTank;
    PROPELLANT_HANDLE& descentAttTank;
    THRUSTER_HANDLE& mainThruster;
    THRUSTER_HANDLE (&attThrusters)[ATT_THRUSTER_ROWS][ATT_THRUSTER_SLOTS];
    VECTOR3& cogShift;
    DOCKHANDLE& dockPort;
};

inline TalvekVesselTestAccess Inside(TalvekVessel& v) { return TalvekVesselTestAccess(v); }

// A configuration by its number, as a scenario may hold any.
constexpr Configuration ConfigurationNumbered(int number) { return static_cast<Configuration>(number); }

inline void PrintTo(Configuration c, std::ostream* os) { *os << Number(c); }
inline std::ostream& operator<<(std::ostream& os, Configuration c) { return os << Number(c); }
