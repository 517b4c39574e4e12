// Creating a vessel at a local position of this one, moving with it.
#include "payload_carrier.h"

VESSEL* PayloadCarrier::SpawnChildVessel(const char* name, const char* className, const VECTOR3& localPosition,
                                         const VECTOR3& localVelocityChange, const VECTOR3& rotationChange) {
    VESSELSTATUS status;
    GetStatus(status);
    status.eng_main = 0;
    status.eng_hovr = 0;
    Local2Rel(localPosition, status.rpos);
    VECTOR3 velocityChange;
    GlobalRot(localVelocityChange, velocityChange);
    status.rvel += velocityChange;
    status.vrot += rotationChange;
    const OBJHANDLE handle = oapiCreateVessel(name, className, status);
    return oapiGetVesselInterface(handle);
}
