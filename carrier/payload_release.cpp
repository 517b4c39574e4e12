// Releasing the last payload, or the stage that holds it, as a vessel of its own.
#include "payload_carrier.h"

VESSEL* PayloadCarrier::ReleaseLastPayload() { return nullptr; }
