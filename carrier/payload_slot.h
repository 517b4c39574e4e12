// One entry of the carrier's payload and stage table, the mesh record it carries, and the
// scenario line that stands for it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "host/hosttypes.h"

constexpr int PAYLOAD_SLOT_COUNT = 50;
constexpr int PAYLOAD_NAME_SIZE = 128;  // buffer size; at most 127 characters

constexpr std::uint16_t PAYLOAD_KIND_PAYLOAD = 0;
constexpr std::uint16_t PAYLOAD_KIND_STAGE = 1;

struct PayloadMeshEntry {
    MESHHANDLE meshHandle = nullptr;  // template from oapiLoadMesh; owned by the host
    VECTOR3 position{0, 0, 0};        // [m], the carrier's design frame, as read
    std::string meshName;             // mesh file name, as read
    int meshIndex = 0;                // index from AddMesh; set on the copies in the mesh list
};

struct PayloadSlot {
    std::uint16_t kind = PAYLOAD_KIND_PAYLOAD;
    bool attached = false;
    std::int16_t parentStage = 0;            // enclosing stage slot; -1 none (a never-used slot keeps 0)
    char vesselName[PAYLOAD_NAME_SIZE] = {};
    PayloadMeshEntry mesh;
    VECTOR3 releasePosition{0, 0, 0};        // [m], vessel frame: mesh position plus the last placement offset
    char className[PAYLOAD_NAME_SIZE] = {};
    double mass = 0.0;                       // [kg]
    double rotation = 0.0;                   // [deg] about the carrier's x axis
    double fuelLevel = 0.0;                  // [0..1] of the released vessel's maximum fuel mass
    VECTOR3 releaseVelocity{0, 0, 0};        // [m/s], vessel frame
};

// A slot as a whole scenario line: its keyword, one blank and the nine fields (PAYLOAD_FIELDS in
// carrier/internal/payload_fields.h reads and writes them).
//   PAYLOAD <vessel> <mesh> <class> <x> <y> <z> <mass> <rotation> <fuel level>
//   STAGE   <the same nine fields>   opens a stage: later lines nest in it
//   ENDSTAGE (or ENDDRV)              closes the open stage
struct PayloadLine {
    const char* keyword;  // "PAYLOAD" or "STAGE"
    std::string text;     // the whole line, keyword first

    // The line after its keyword and the blank: the value a scenario writer puts after the key.
    const char* Fields() const { return text.c_str() + std::strlen(keyword) + 1; }
};

// The line of a slot with the slot at `position` (the carrier's design frame in a save; relative
// to a released stage in its hand-over): an empty name as "-", numbers as short as they read back
// exactly. Saves and hand-overs both write it, so that a stage receives exactly what a save would
// hold.
PayloadLine FormatPayloadLine(const PayloadSlot& slot, const VECTOR3& position);
