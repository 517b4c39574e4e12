#include "reports.h"

#include "../text.h"
#include "../world.h"

namespace sim {

std::string EventsText(const World& world) {
    std::string out;
    for (const auto& e : world.events) out += FormatFixed(e.time, 2) + " " + e.vessel + " " + e.what + "\n";
    return out;
}

std::string TraceText(const World& world) {
    std::string out;
    for (const auto& t : world.trace) out += (t.vessel.empty() ? "-" : t.vessel) + " " + t.call + "(" + t.args + ")\n";
    return out;
}

}  // namespace sim
