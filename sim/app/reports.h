// Text reports of a run: the event timeline and the trace of host calls.
#pragma once

#include <string>

namespace sim {

class World;
struct TraceEntry;

// One line per event: "<time, 2 decimals> <vessel> <event> [details]".
std::string EventsText(const World& world);
// After a run, one line per vessel: where it is (landed: longitude and latitude; in flight: its
// orbit's apoapsis and periapsis, or height and speed when it is falling back), its touchdowns,
// its peak load and the propellant it used.
std::string SummaryText(const World& world);
// The modules' log lines: "<time, 2 decimals> <vessel> <text>".
std::string LogText(const World& world);
// The log lines in which a module said it could not read a scenario line whole (a payload line, a
// stage left open), one per line as in LogText; empty when there are none.
std::string UnreadLines(const World& world);
// One line per host call: "<vessel> <call>(<arguments>)".
std::string TraceText(const World& world);
// The line of one call, its line end included.
std::string TraceLine(const TraceEntry& t);

}  // namespace sim
