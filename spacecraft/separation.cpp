// Releasing the orbital and service modules: the descent module flies on alone.
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr const char* ORBITAL_MODULE_NAME = "TalvekOrbitMod";
constexpr const char* ORBITAL_MODULE_CLASS = "tlvorbit";
constexpr VECTOR3 ORBITAL_MODULE_POSITION{0.45, 0.6, 2.75};   // [m], design frame
constexpr VECTOR3 ORBITAL_MODULE_VELOCITY{0, 0, 0.5};         // [m/s], forward
constexpr const char* SERVICE_MODULE_NAME = "TalvekServiceMod";
constexpr const char* SERVICE_MODULE_CLASS = "tlvservice";
constexpr VECTOR3 SERVICE_MODULE_POSITION{0, 0.2, -2.2};      // [m], design frame
constexpr VECTOR3 SERVICE_MODULE_VELOCITY{0, 0, -0.5};        // [m/s], backward
constexpr VECTOR3 NO_ROTATION{0, 0, 0};
}  // namespace

void TalvekVessel::SeparateModules() {
    SpawnChildVessel(ORBITAL_MODULE_NAME, ORBITAL_MODULE_CLASS, ORBITAL_MODULE_POSITION - cogShift,
                     ORBITAL_MODULE_VELOCITY, NO_ROTATION);
    SpawnChildVessel(SERVICE_MODULE_NAME, SERVICE_MODULE_CLASS, SERVICE_MODULE_POSITION - cogShift,
                     SERVICE_MODULE_VELOCITY, NO_ROTATION);
}
