// The Talvek's flight configurations as data: one row per configuration, which the vessel's one
// set-up (TalvekVessel::DefineConfiguration) applies and the sequencer moves between. A new
// configuration is a row here, a hull record in hull_definitions.h and a transition in the
// sequencer; its save and reload need nothing more.
#pragma once

#include <cstdint>
#include <span>

#include "host/orbiter.h"
#include "spacecraft/hull_definitions.h"

// The number saved under CONFIGURATION. A scenario may hold any 16-bit number; one without a
// row defines nothing and takes part in no transition, and is saved again as read.
enum class Configuration : std::int16_t {
    CONFIG_FULL_STACK = 0,  // orbital, descent and service modules joined
    CONFIG_DESCENT = 1,     // the descent module alone
    CONFIG_DROGUE = 2,      // under the drogue
    CONFIG_MAIN_CHUTE = 3,  // under the main parachute
    CONFIG_LANDING = 4,     // the main parachute released, the soft-landing burn
};
using enum Configuration;

constexpr std::int16_t Number(Configuration c) { return static_cast<std::int16_t>(c); }

// The propellant tanks. A set-up deletes the tanks its row drops, cuts the attitude tank to the
// row's limit, and creates, in order, the tanks the row makes that are missing (a tank made once
// keeps its contents through every rebuild); a loaded vessel creates the tanks its row holds, in
// their order, so that the host's saved levels (PRPLEVEL by index) find them.
enum class Tank : std::uint8_t { Main, DescentAttitude, Landing };
// Capacity [kg] by tank, in the enum's order. The descent module's own attitude propellant rides
// in the stack; separation cuts it to what the descent module keeps, the parachutes delete it.
inline constexpr double TANK_CAPACITY[] = {900, 60, 70};

// The spacecraft's own meshes, loaded once at construction.
enum class Mesh : std::uint8_t { Stack, Descent, Drogue, MainChute };
inline constexpr const char* MESH_FILES[] = {"talvek", "talvek-descent", "tlvdrogue", "tlvchute"};  // by Mesh
struct MeshPlacement {
    Mesh mesh;
    VECTOR3 position;  // [m], design frame
};

// The solar arrays: built on the configuration's first mesh, or gone with the orbital module.
// A configuration with arrays adds its meshes before it fits its tanks and thrusters.
enum class Arrays : std::uint8_t { Deployable, Removed };

// What hangs over the capsule: under a canopy the time acceleration is held at x10 at most.
enum class Canopy : std::uint8_t { None, Drogue, Main };

// The landing thruster: ready under the main canopy (it tells the sequencer that the landing may
// come), or burning from the set-up on once the canopy is released.
enum class LandingThruster : std::uint8_t { None, Ready, Burning };

// The thrusters a configuration creates; the landing thruster is apart (LandingThruster).
enum class Thrusters : std::uint8_t { FullStack, DescentAttitude, None };

struct ConfigurationDef {
    Configuration configuration;
    // What the log says on entering it, before " (configuration N)".
    const char* entered;
    const HullDefinition* hull;
    std::span<const Tank> tanks;            // held, in creation order
    std::span<const Tank> made;             // created by the set-up when missing
    std::span<const Tank> dropped;          // deleted when present
    std::span<const MeshPlacement> meshes;  // in the order they are added
    VECTOR3 payloadOrigin;                  // [m], design frame: where payload lines' positions start
    Arrays arrays;
    Canopy canopy;
    LandingThruster landingThruster;
    Thrusters thrusters;
    // Attitude propellant kept at most when set up [kg]; none below 0.
    double attitudeTankLimit;
    // The docking port, the default propellant resource and the transponder, which the
    // configurations after it keep, and the payload meshes' visibility.
    bool stackFittings;
};

inline constexpr Tank STACK_TANKS[] = {Tank::Main, Tank::DescentAttitude};
// The descent module's attitude tank comes with the stack; no set-up of the capsule makes it.
inline constexpr Tank DESCENT_TANKS[] = {Tank::DescentAttitude};
inline constexpr Tank LANDING_TANKS[] = {Tank::Landing};
inline constexpr Tank MAIN_TANK[] = {Tank::Main};
inline constexpr Tank MAIN_AND_ATTITUDE_TANKS[] = {Tank::Main, Tank::DescentAttitude};

inline constexpr VECTOR3 DESIGN_ORIGIN{0, 0, 0};
// The design origin as the descent module's set-up has always handed it over, the shift negated:
// x is -0, which the host's records show (a dump writes -0.0).
inline constexpr VECTOR3 DESCENT_ORIGIN{-0.0, 0, 0};
inline constexpr VECTOR3 CANOPY_POSITION{0, 0, 72};  // [m], design frame
inline constexpr MeshPlacement STACK_MESHES[] = {{Mesh::Stack, DESIGN_ORIGIN}};
inline constexpr MeshPlacement DESCENT_MESHES[] = {{Mesh::Descent, DESCENT_ORIGIN}};
inline constexpr MeshPlacement DROGUE_MESHES[] = {{Mesh::Descent, DESIGN_ORIGIN}, {Mesh::Drogue, CANOPY_POSITION}};
inline constexpr MeshPlacement MAIN_CHUTE_MESHES[] = {{Mesh::MainChute, CANOPY_POSITION},
                                                      {Mesh::Descent, DESIGN_ORIGIN}};

constexpr double NO_TANK_LIMIT = -1;
constexpr double DESCENT_ATT_TANK_LIMIT = 40;  // [kg] attitude propellant kept after separation

inline constexpr ConfigurationDef CONFIGURATIONS[] = {
    {
        .configuration = CONFIG_FULL_STACK,
        .entered = "",
        .hull = &STACK_HULL,
        .tanks = STACK_TANKS,
        .made = STACK_TANKS,
        .dropped = {},
        .meshes = STACK_MESHES,
        .payloadOrigin = DESIGN_ORIGIN,
        .arrays = Arrays::Deployable,
        .canopy = Canopy::None,
        .landingThruster = LandingThruster::None,
        .thrusters = Thrusters::FullStack,
        .attitudeTankLimit = NO_TANK_LIMIT,
        .stackFittings = true,
    },
    {
        .configuration = CONFIG_DESCENT,
        .entered = "modules separated: descent module alone",
        .hull = &DESCENT_HULL,
        .tanks = DESCENT_TANKS,
        .made = {},
        .dropped = MAIN_TANK,
        .meshes = DESCENT_MESHES,
        .payloadOrigin = DESCENT_ORIGIN,
        .arrays = Arrays::Removed,
        .canopy = Canopy::None,
        .landingThruster = LandingThruster::None,
        .thrusters = Thrusters::DescentAttitude,
        .attitudeTankLimit = DESCENT_ATT_TANK_LIMIT,
        .stackFittings = false,
    },
    {
        .configuration = CONFIG_DROGUE,
        .entered = "drogue parachute deployed",
        .hull = &DROGUE_HULL,
        .tanks = LANDING_TANKS,
        .made = LANDING_TANKS,
        .dropped = MAIN_AND_ATTITUDE_TANKS,
        .meshes = DROGUE_MESHES,
        .payloadOrigin = DESIGN_ORIGIN,
        .arrays = Arrays::Removed,
        .canopy = Canopy::Drogue,
        .landingThruster = LandingThruster::None,
        .thrusters = Thrusters::None,
        .attitudeTankLimit = NO_TANK_LIMIT,
        .stackFittings = false,
    },
    {
        .configuration = CONFIG_MAIN_CHUTE,
        .entered = "main parachute deployed",
        .hull = &MAIN_CHUTE_HULL,
        .tanks = LANDING_TANKS,
        .made = LANDING_TANKS,
        .dropped = MAIN_AND_ATTITUDE_TANKS,
        .meshes = MAIN_CHUTE_MESHES,
        .payloadOrigin = DESIGN_ORIGIN,
        .arrays = Arrays::Removed,
        .canopy = Canopy::Main,
        .landingThruster = LandingThruster::Ready,
        .thrusters = Thrusters::None,
        .attitudeTankLimit = NO_TANK_LIMIT,
        .stackFittings = false,
    },
    {
        .configuration = CONFIG_LANDING,
        .entered = "on the ground: main parachute released",
        .hull = &DESCENT_HULL,
        .tanks = LANDING_TANKS,
        .made = LANDING_TANKS,
        .dropped = MAIN_TANK,
        .meshes = DESCENT_MESHES,
        .payloadOrigin = DESCENT_ORIGIN,
        .arrays = Arrays::Removed,
        .canopy = Canopy::None,
        .landingThruster = LandingThruster::Burning,
        .thrusters = Thrusters::DescentAttitude,
        .attitudeTankLimit = DESCENT_ATT_TANK_LIMIT,
        .stackFittings = false,
    },
};


using ConfigurationTable = std::span<const ConfigurationDef>;

// The row of a configuration number, null for a number without one.
constexpr const ConfigurationDef* FindConfiguration(ConfigurationTable table, std::int16_t number) {
    for (const ConfigurationDef& row : table)
        if (Number(row.configuration) == number) return &row;
    return nullptr;
}
