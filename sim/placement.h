// Where a vessel is put: from what its scenario block said, from the status that oapiCreateVessel
// is given, or standing on its touchdown points on the ground.
#pragma once

#include <optional>
#include <string>

#include "host/hosttypes.h"
#include "sim/mathx.h"
#include "sim/scenario.h"

namespace sim {

class World;
struct VesselRecord;

// What is missing or impossible in a vessel block's state ("" when it can be placed): an orbiting
// vessel needs RPOS outside the planet, a landed one POS (or RPOS and AROT).
std::string CheckParsedState(const ParsedVesselState& state);
// Places the vessel where its block said: in flight, landed by POS (and AROT in the planet's axes),
// or landed by a global RPOS and AROT as earlier versions of talvek-sim saved it.
void PlaceParsed(World& world, VesselRecord& v, const ParsedVesselState& state);
// A landed status (status STATUS_LANDED) stands the vessel on its touchdown points at the
// longitude, latitude and heading of vdata[0]; any other is free flight from rpos, rvel, arot and vrot.
void PlaceFromStatus(World& world, VesselRecord& v, const VESSELSTATUS& status);
// Stands the vessel landed, at rest on the turning planet, at a longitude, latitude and heading
// [rad]: its centre of mass at alt [m] over the ground, or without alt on its touchdown points.
void PlaceLanded(World& world, VesselRecord& v, double lon, double lat, double heading,
                 std::optional<double> alt = std::nullopt);


// Where a landed vessel stands, as the host gives it back (its scenario lines, GetStatus).
struct LandedPlace {
    double lon, lat, heading;  // [rad]
    Mat3 planetRot;            // vessel axes -> the planet's own axes
};
LandedPlace WhereLanded(const World& world, const VesselRecord& v);

}  // namespace sim
