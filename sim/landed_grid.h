// The grid of a landed vessel's saved lines: the physics puts a vessel that comes to rest on it,
// so that what is saved reads back to the same lines.
#pragma once

namespace sim {

// Decimals of a landed vessel's POS [deg], HEADING [deg] and ALT [m], and of AROT [deg].
constexpr int LANDED_POS_DECIMALS = 7;
constexpr int LANDED_HEADING_DECIMALS = 2;
constexpr int LANDED_ALT_DECIMALS = 3;
constexpr int AROT_DECIMALS = 3;

}  // namespace sim
