// The PAYLOAD and STAGE lines of a scenario's vessel blocks, found and nested as the carrier reads
// them, so that what the flight will do with them can be checked before the first frame.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario.h"

namespace sim {

struct ScenarioPayloadLine {
    const ScenarioVesselBlock* block = nullptr;  // the vessel whose block holds the line
    int line = 0;                                // in the scenario's file
    bool stage = false;                          // a STAGE line, else a PAYLOAD line
    std::string vessel, mesh, className;         // as written; empty for "-" or a missing field
    std::vector<std::string> numbers;            // x y z mass rotation fuel level, as written (those there are)
    int nested = 0;                              // a stage's PAYLOAD and STAGE lines, at any depth within it
};

// Every block's lines that the carrier takes for a payload or a stage: the word PAYLOAD or STAGE in
// capitals and a blank, then the fields. A STAGE holds the lines after it up to the ENDSTAGE (or
// ENDDRV) that closes it, or to the block's end. In the order of the file.
std::vector<ScenarioPayloadLine> ScenarioPayloadLines(const Scenario& scenario);

// The name a carrier gives the vessel it releases for a line's vessel field: cut to the 127
// characters a line's name holds, a colon, ';', blank or control character made '_'.
std::string ReleasedVesselName(const std::string& written);
// The longest vessel name a carrier gives, a suffix "-N" for a taken name included.
constexpr size_t CARRIER_NAME_LENGTH = 127;

}  // namespace sim
