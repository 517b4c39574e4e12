// What only the full stack fits, and the configurations after it keep: the docking port, the
// default propellant resource and the transponder.
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr VECTOR3 DOCK_POSITION{0, 0, 4.615};          // [m], handed over as it stands
constexpr VECTOR3 DOCK_DIRECTION{0, 0, 1};
constexpr VECTOR3 DOCK_ROTATION{0, 1, 0};
}  // namespace

void TalvekVessel::CreateDockPort() {
    if (!dockPort) dockPort = CreateDock(DOCK_POSITION, DOCK_DIRECTION, DOCK_ROTATION);
}

void TalvekVessel::KeepFullStackFittings() {
    SetSurfaceFrictionCoeff(STACK_HULL.frictionLng, STACK_HULL.frictionLat);
    CreateDockPort();
    EnableTransponder(true);
}
