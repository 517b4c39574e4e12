// The host's record of a vessel's definition: everything a module or class file defines,
// stored as given, with the ids that the host hands out as handles.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/hosttypes.h"

namespace sim {

struct MeshData;

using Id = std::uint64_t;  // 0 names nothing

inline void* HandleOf(Id id) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)); }
inline Id IdOf(const void* handle) { return static_cast<Id>(reinterpret_cast<std::uintptr_t>(handle)); }

struct Tank {
    Id id;
    double maxMass;     // [kg]
    double mass;        // [kg]
    double efficiency;  // [-]
};

struct Thruster {
    Id id;
    VECTOR3 pos;         // [m], vessel frame
    VECTOR3 dir;         // as given
    double maxThrust;    // [N] at vacuum
    double isp;          // [m/s] at vacuum
    double ispRef;       // [m/s] at pRef; 0 means no pressure dependence
    double pRef;         // [Pa]
    Id tank;             // 0: none
    double level = 0.0;  // [0..1]
};

struct ThrusterGroup {
    Id id;
    int type;
    std::vector<Id> thrusters;  // in the order of the handle array
};

struct ExhaustStream {
    Id id;
    Id thruster;
    std::optional<VECTOR3> pos;
    PARTICLESTREAMSPEC spec;
};

struct Dock {
    Id id;
    VECTOR3 pos, dir, rot;
};

struct MeshSlot {
    std::string file;                       // name as the module gave it; empty with a null template
    std::shared_ptr<const MeshData> data;   // null for a null template
    VECTOR3 offset;
    int visibility = 1;
};

struct AnimationComponent {
    Id id;
    double start, end;
    Id parent;                     // 0: none
    const MGROUP_TRANSFORM* trans; // held as given; the module keeps it alive
};

struct Animation {
    UINT id;
    double state;
    std::vector<AnimationComponent> components;
};

struct VesselDefinition {
    double size = 1.0;                 // [m]
    double emptyMass = 0.0;            // [kg]
    VECTOR3 pmi{1, 1, 1};              // [m^2]
    VECTOR3 crossSections{1, 1, 1};    // [m^2]
    double cw[4] = {0, 0, 0, 0};       // z+ (drag along z either way), z- (kept, not flown), x, y
    VECTOR3 rotDrag{0, 0, 0};
    double pitchMomentScale = 0.0;
    double bankMomentScale = 0.0;
    LiftCoeffFunc liftCoeffFunc = nullptr;
    double surfaceFriction[2] = {0.1, 0.5};  // longitudinal, lateral
    VECTOR3 cameraOffset{0, 0, 0};
    bool transponder = false;
    int transponderChannel = 0;  // while it has one: 108.00 MHz + 0.05 MHz per channel
    VECTOR3 touchdownPoints[3] = {{0, -1, 1}, {-1, -1, -1}, {1, -1, -1}};

    std::vector<MeshSlot> meshes;
    std::vector<Tank> tanks;
    Id defaultTank = 0;
    std::vector<Thruster> thrusters;
    std::vector<ThrusterGroup> groups;
    std::vector<ExhaustStream> exhaust;
    std::vector<Dock> docks;
    std::vector<Animation> animations;
    bool meshesCleared = false;  // ClearMeshes was called: the module is defining the vessel anew

    Tank* FindTank(Id id);
    Thruster* FindThruster(Id id);
    double PropellantMass() const;
};

// Sets every thruster of the group (one of d's) to the level, held within 0..1.
void SetGroupLevel(VesselDefinition& d, const ThrusterGroup& group, double level);
// The same for every group of the type (a THGROUP_TYPE), in definition order.
void SetGroupLevel(VesselDefinition& d, int type, double level);

}  // namespace sim
