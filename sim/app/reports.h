// Text reports of a run: the event timeline and the trace of host calls.
#pragma once

#include <string>

namespace sim {

class World;

// One line per event: "<time, 2 decimals> <vessel> <event> [details]".
std::string EventsText(const World& world);
// After a run, one line per vessel: where it is (landed: longitude and latitude; in flight: its
// orbit's apoapsis and periapsis, or height and speed when it is falling back), its touchdowns,
// its peak load and the propellant it used.
std::string SummaryText(const World& world);
// One line per host call: "<vessel> <call>(<arguments>)".
std::string TraceText(const World& world);

}  // namespace sim
