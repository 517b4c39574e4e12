// Inside the carrier: the nine fields of a payload line, in their order on the line. The one
// table drives the reading of a line, its writing (saves and hand-overs alike) and the log lines
// about what a line loses. A new field is a row here and the member it fills in PayloadSlot.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "carrier/payload_slot.h"

// What a line may hold, so that every vessel the carrier weighs or releases stays within what a
// host reads back: a payload within 10 km of the carrier's origin along each axis (as far as a
// class file places touchdown points), a mass that a class file may give, a tank from empty to full.
constexpr double MAX_PAYLOAD_OFFSET = 1e4;  // [m]
constexpr double MAX_PAYLOAD_MASS = 1e9;    // [kg]

enum class PayloadFieldKind { Name, Number };

// One field's value on its way between a line and a slot.
struct PayloadFieldValue {
    std::string_view name;  // a name field's text; empty for none
    double number = 0;      // a number field's value
};

struct PayloadField {
    const char* name;  // as the log names it: "has no fuel level", "its mesh name"
    PayloadFieldKind kind;
    // A line may end before it without a word in the log (the names, and a field added after files
    // were written without it); a missing number is reported.
    bool quietWhenMissing;
    // A file the host opens inside its folder (Meshes, Config/Vessels): a name leading out of it
    // is not taken.
    bool fileInFolder;
    // A number beyond lo..hi is held to the nearer end and reported with the range as `range`
    // writes it; nullptr takes any finite number.
    double lo, hi;
    const char* range;
    // The slot member the field fills, and reads back for a line; position is where the line
    // places the slot (a save's own position, a hand-over's relative one).
    void (*store)(PayloadSlot& slot, const PayloadFieldValue& value);
    PayloadFieldValue (*load)(const PayloadSlot& slot, const VECTOR3& position);
};

namespace payload_field_rows {

template <char (PayloadSlot::*Member)[PAYLOAD_NAME_SIZE]>
void StoreName(PayloadSlot& slot, const PayloadFieldValue& value) {
    const size_t length = std::min(value.name.size(), static_cast<size_t>(PAYLOAD_NAME_SIZE - 1));
    if (length) std::memcpy(slot.*Member, value.name.data(), length);  // an empty view may hold no pointer
    (slot.*Member)[length] = '\0';
}
template <char (PayloadSlot::*Member)[PAYLOAD_NAME_SIZE]>
PayloadFieldValue LoadName(const PayloadSlot& slot, const VECTOR3&) {
    return {slot.*Member, 0};
}
inline void StoreMeshName(PayloadSlot& slot, const PayloadFieldValue& value) { slot.mesh.meshName = value.name; }
inline PayloadFieldValue LoadMeshName(const PayloadSlot& slot, const VECTOR3&) { return {slot.mesh.meshName, 0}; }
// x, y, z as 0, 1, 2.
template <int Axis>
constexpr double& Component(VECTOR3& v) {
    return Axis == 0 ? v.x : Axis == 1 ? v.y : v.z;
}
template <int Axis>
constexpr double Component(const VECTOR3& v) {
    return Axis == 0 ? v.x : Axis == 1 ? v.y : v.z;
}
template <int Axis>
void StorePosition(PayloadSlot& slot, const PayloadFieldValue& value) {
    Component<Axis>(slot.mesh.position) = value.number;
}
template <int Axis>
PayloadFieldValue LoadPosition(const PayloadSlot&, const VECTOR3& position) {
    return {{}, Component<Axis>(position)};
}
template <double PayloadSlot::*Member>
void StoreNumber(PayloadSlot& slot, const PayloadFieldValue& value) {
    slot.*Member = value.number;
}
template <double PayloadSlot::*Member>
PayloadFieldValue LoadNumber(const PayloadSlot& slot, const VECTOR3&) {
    return {{}, slot.*Member};
}

template <char (PayloadSlot::*Member)[PAYLOAD_NAME_SIZE]>
constexpr PayloadField Name(const char* name, bool fileInFolder) {
    return {name, PayloadFieldKind::Name, true, fileInFolder, 0, 0, nullptr, StoreName<Member>, LoadName<Member>};
}
constexpr PayloadField MeshName(const char* name) {
    return {name, PayloadFieldKind::Name, true, true, 0, 0, nullptr, StoreMeshName, LoadMeshName};
}
template <int Axis>
constexpr PayloadField Position(const char* name) {
    return {name,
            PayloadFieldKind::Number,
            false,
            false,
            -MAX_PAYLOAD_OFFSET,
            MAX_PAYLOAD_OFFSET,
            "-10000..10000 m",
            StorePosition<Axis>,
            LoadPosition<Axis>};
}
template <double PayloadSlot::*Member>
constexpr PayloadField Number(const char* name, double lo, double hi, const char* range, bool quietWhenMissing = false) {
    return {name, PayloadFieldKind::Number, quietWhenMissing, false, lo, hi, range, StoreNumber<Member>,
            LoadNumber<Member>};
}

}  // namespace payload_field_rows

//   PAYLOAD <vessel> <mesh> <class> <x> <y> <z> <mass> <rotation> <fuel level>
inline constexpr PayloadField PAYLOAD_FIELDS[] = {
    payload_field_rows::Name<&PayloadSlot::vesselName>("vessel", false),
    payload_field_rows::MeshName("mesh"),
    payload_field_rows::Name<&PayloadSlot::className>("class", true),
    payload_field_rows::Position<0>("x position"),
    payload_field_rows::Position<1>("y position"),
    payload_field_rows::Position<2>("z position"),
    payload_field_rows::Number<&PayloadSlot::mass>("mass", 0, MAX_PAYLOAD_MASS, "0..1e9 kg"),
    // The rotation turns the same for any finite angle.
    payload_field_rows::Number<&PayloadSlot::rotation>("rotation", 0, 0, nullptr),
    payload_field_rows::Number<&PayloadSlot::fuelLevel>("fuel level", 0, 1, "0..1"),
};

constexpr int PAYLOAD_FIELD_COUNT = static_cast<int>(std::size(PAYLOAD_FIELDS));
