// Drawing and weighing the attached payloads.
#include "payload_carrier.h"

void PayloadCarrier::PlacePayloadMeshes(const VECTOR3&) {}

void PayloadCarrier::PlacePayloadMeshes() { PlacePayloadMeshes(VECTOR3{0, 0, 0}); }

double PayloadCarrier::GetPayloadMass(VECTOR3& centre) {
    centre = VECTOR3{0, 0, 0};
    return 0.0;
}

double PayloadCarrier::GetPayloadMass() {
    VECTOR3 centre;
    return GetPayloadMass(centre);
}
