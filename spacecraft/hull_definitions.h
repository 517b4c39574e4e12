// The physical definition of each configuration's hull, as data: what every set-up hands the
// host alike, applied by TalvekVessel::ApplyHull from the configuration's row.
#pragma once

#include "host/orbiter.h"

// When the centre of mass moves onto the hull's and the camera is placed: among the hull's own
// calls (the full stack), or before the old definition is cleared: as the set-up's first step
// (the descent module), or once the solar arrays' components are gone (under a canopy).
enum class HullPlacement { AmongValues, First, AfterArrays };

// Drag coefficients in the order SetCW takes them.
struct HullCw {
    double zPos, zNeg, x, y;  // [-]
};

struct HullDefinition {
    double size;              // [m]
    double dryMass;           // [kg], the payload's mass comes on top
    VECTOR3 cogShift;         // [m], centre of mass in the design frame
    // In this order the points' normal (p1 - (p2 + p3)/2) x (p3 - p2) is the hull's up when landed.
    VECTOR3 touchdown[3];     // [m], design frame
    VECTOR3 pmi;              // [m^2], principal moments of inertia over mass
    VECTOR3 crossSections;    // [m^2]
    HullCw cw;
    VECTOR3 rotDrag;          // [-]
    double pitchMomentScale;  // [-]
    double bankMomentScale;   // [-]
    VECTOR3 camera;           // [m], design frame
    bool setsFriction;        // else the friction stays as it is
    double frictionLng;       // [-]
    double frictionLat;       // [-]
    HullPlacement placement;
};

// The capsule's base, on which the descent module stands, in the design frame.
inline constexpr VECTOR3 CAPSULE_TOUCHDOWN[3] = {{-1, -1, -1.5}, {0, 1, -1.5}, {1, -1, -1.5}};

// Shared by the descent module and both parachute configurations.
inline constexpr double CAPSULE_DRY_MASS = 2950;          // [kg]
inline constexpr VECTOR3 CAPSULE_PMI{2, 2, 0.55};         // [m^2]
inline constexpr VECTOR3 CAPSULE_ROT_DRAG{0.05, 0.05, 0.05};
inline constexpr VECTOR3 CAPSULE_CAMERA{0, -1.65, -0.1};  // [m], design frame
// Shared by both parachute configurations.
inline constexpr double CHUTE_SIZE = 80;                  // [m]
inline constexpr VECTOR3 CHUTE_COG_SHIFT{0, -0.1, 0};     // [m], design frame
// The full stack's, and the capsule's under a canopy.
inline constexpr HullCw STACK_CW{1.1, 2.2, 3.5, 3.5};

// The full stack: orbital, descent and service modules joined.
inline constexpr HullDefinition STACK_HULL{
    .size = 15,
    .dryMass = 6320,
    .cogShift = {0, 0, 0},
    .touchdown = {{0, -2, 4}, {-2, -2, -4}, {2, -2, -4}},
    .pmi = {5, 5, 0.85},
    .crossSections = {15, 32, 6},
    .cw = STACK_CW,
    .rotDrag = {0.1, 0.1, 0.01},
    .pitchMomentScale = -3e-6,
    .bankMomentScale = 3e-6,
    .camera = {0, -1.5, 1.5},
    .setsFriction = true,
    .frictionLng = 0.05,
    .frictionLat = 0.5,
    .placement = HullPlacement::AmongValues,
};

// The descent module alone, and landing.
inline constexpr HullDefinition DESCENT_HULL{
    .size = 5,
    .dryMass = CAPSULE_DRY_MASS,
    .cogShift = {0, -0.1, -0.5},
    .touchdown = {CAPSULE_TOUCHDOWN[0], CAPSULE_TOUCHDOWN[1], CAPSULE_TOUCHDOWN[2]},
    .pmi = CAPSULE_PMI,
    .crossSections = {5, 5, 5},
    .cw = {1.1, 2.2, 2.5, 2.5},
    .rotDrag = CAPSULE_ROT_DRAG,
    .pitchMomentScale = -1e-6,
    .bankMomentScale = -1e-6,
    .camera = CAPSULE_CAMERA,
    .setsFriction = false,
    .frictionLng = 0,
    .frictionLat = 0,
    .placement = HullPlacement::First,
};

// Under the drogue.
inline constexpr HullDefinition DROGUE_HULL{
    .size = CHUTE_SIZE,
    .dryMass = CAPSULE_DRY_MASS,
    .cogShift = CHUTE_COG_SHIFT,
    .touchdown = {CAPSULE_TOUCHDOWN[0], CAPSULE_TOUCHDOWN[1], CAPSULE_TOUCHDOWN[2]},
    .pmi = CAPSULE_PMI,
    .crossSections = {5, 5, 40},
    .cw = STACK_CW,
    .rotDrag = CAPSULE_ROT_DRAG,
    .pitchMomentScale = -0.0005,
    .bankMomentScale = -0.0005,
    .camera = CAPSULE_CAMERA,
    .setsFriction = false,
    .frictionLng = 0,
    .frictionLat = 0,
    .placement = HullPlacement::AfterArrays,
};

// Under the main parachute.
inline constexpr HullDefinition MAIN_CHUTE_HULL{
    .size = CHUTE_SIZE,
    .dryMass = CAPSULE_DRY_MASS,
    .cogShift = CHUTE_COG_SHIFT,
    .touchdown = {CAPSULE_TOUCHDOWN[0], CAPSULE_TOUCHDOWN[1], CAPSULE_TOUCHDOWN[2]},
    .pmi = CAPSULE_PMI,
    .crossSections = {5, 5, 1000},
    .cw = STACK_CW,
    .rotDrag = CAPSULE_ROT_DRAG,
    .pitchMomentScale = -0.00005,
    .bankMomentScale = -0.00005,
    .camera = CAPSULE_CAMERA,
    .setsFriction = false,
    .frictionLng = 0,
    .frictionLat = 0,
    .placement = HullPlacement::AfterArrays,
};
