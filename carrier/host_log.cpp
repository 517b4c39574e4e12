// What the vessel tells the user, through the host's log.
#include "payload_carrier.h"

void PayloadCarrier::LogEvent(const std::string& what) const {
    // One log serves every vessel of the simulation: each line starts with the vessel's name.
    std::string text = std::string(GetName()) + ": " + what;
    oapiWriteLog(text.data());
}
