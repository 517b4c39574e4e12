// The descent module's six attitude thrusters, one per group, fed from its own attitude tank.
#include "spacecraft/constants.h"
#include "spacecraft/talvek_vessel.h"

namespace {

constexpr double DESCENT_ATT_THRUST = 50;              // [N]
constexpr double DESCENT_ATT_ISP = 2903;               // [m/s]

struct DescentThruster {
    int row;
    VECTOR3 pos;  // design frame
    VECTOR3 dir;
    THGROUP_TYPE type;
};
constexpr DescentThruster DESCENT_THRUSTERS[] = {
    {2, {0, 0, 1}, {-1, 0, 0}, THGROUP_ATT_YAWLEFT},   {3, {0, 0, 1}, {1, 0, 0}, THGROUP_ATT_YAWRIGHT},
    {0, {0, 0, 1}, {0, 1, 0}, THGROUP_ATT_PITCHUP},    {1, {0, 0, 1}, {0, -1, 0}, THGROUP_ATT_PITCHDOWN},
    {4, {0, 1, 1}, {-1, 0, 0}, THGROUP_ATT_BANKLEFT},  {5, {0, 1, 1}, {1, 0, 0}, THGROUP_ATT_BANKRIGHT},
};

}  // namespace

void TalvekVessel::CreateDescentThrusters() {
    for (const DescentThruster& t : DESCENT_THRUSTERS)
        attThrusters[t.row][0] = CreateThruster(t.pos - cogShift, t.dir, DESCENT_ATT_THRUST, descentAttTank,
                                                DESCENT_ATT_ISP, ISP_REF_NONE, P_REF);
    for (const DescentThruster& t : DESCENT_THRUSTERS) CreateThrusterGroup(attThrusters[t.row], 1, t.type);
}
