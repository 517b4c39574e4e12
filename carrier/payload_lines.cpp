// Payload and stage scenario lines: routing, parsing and saving.
#include "payload_carrier.h"

void PayloadCarrier::HandleScenarioLine(const char*) {}

bool PayloadCarrier::DispatchMessage(const char*, const char*) { return true; }

void PayloadCarrier::ParsePayloadLine(const char*) {}

void PayloadCarrier::SavePayloadLines(FILEHANDLE) {}
