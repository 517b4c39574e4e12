// Creating a vessel at a local position of this one, moving with it.
#include "payload_carrier.h"

VESSEL* PayloadCarrier::SpawnChildVessel(const char*, const char*, const VECTOR3&, const VECTOR3&, const VECTOR3&) {
    return nullptr;
}
