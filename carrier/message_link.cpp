// Sending and collecting messages through the message module.
#include "payload_carrier.h"

void PayloadCarrier::SendVesselMessage(VESSEL*, const char*, const char*) {}

bool PayloadCarrier::PollMessages() { return false; }
