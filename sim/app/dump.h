// The host's record of every vessel as JSON.
#pragma once

#include <nlohmann/json.hpp>

namespace sim {

class World;

nlohmann::ordered_json DumpWorld(World& world);

}  // namespace sim
