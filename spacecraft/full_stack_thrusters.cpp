// The full stack's main engine and 22 attitude thrusters in 14 groups.
#include "spacecraft/constants.h"
#include "spacecraft/exhaust.h"
#include "spacecraft/talvek_vessel.h"

namespace {

constexpr VECTOR3 MAIN_POSITION{0, 0, -2.64};
constexpr VECTOR3 MAIN_DIRECTION{0, 0, 1};
constexpr double MAIN_THRUST = 3924;      // [N]
constexpr double MAIN_ISP = 2992;         // [m/s]
constexpr double ATT_THRUST = 140;        // [N]
constexpr double ATT_ISP = 2903;          // [m/s]

struct AttitudeThruster {
    int row, slot;
    VECTOR3 pos;  // design frame
    VECTOR3 dir;  // as it stands
};

// Creation order; blocks of four (the last a pair) each get their exhaust after creation.
constexpr AttitudeThruster ATTITUDE_THRUSTERS[] = {
    {0, 0, {-0.1, 1.38, -2.515}, {0, -1, 0}},    // P1
    {0, 1, {0.1, 1.38, -2.515}, {0, -1, 0}},     // P2
    {0, 2, {-1.12, -0.25, 0}, {0, 1, 0}},        // P3
    {0, 3, {1.12, -0.25, 0}, {0, 1, 0}},         // P4
    {1, 0, {-0.1, -1.38, -2.515}, {0, 1, 0}},    // P5
    {1, 1, {0.1, -1.38, -2.515}, {0, 1, 0}},     // P6
    {1, 2, {-1.12, 0.25, 0}, {0, -1, 0}},        // P7
    {1, 3, {1.12, 0.25, 0}, {0, -1, 0}},         // P8
    {2, 0, {-1.38, -0.1, -2.515}, {1, 0, 0}},    // Y1
    {2, 1, {-1.38, 0.1, -2.515}, {1, 0, 0}},     // Y2
    {2, 2, {1.2, -0.1, 0}, {-1, 0, 0}},          // Y3
    {2, 3, {1.2, 0.1, 0}, {-1, 0, 0}},           // Y4
    {3, 0, {1.38, -0.1, -2.515}, {-1, 0, 0}},    // Y5
    {3, 1, {1.38, 0.1, -2.515}, {-1, 0, 0}},     // Y6
    {3, 2, {-1.2, -0.1, 0}, {1, 0, 0}},          // Y7
    {3, 3, {-1.2, 0.1, 0}, {1, 0, 0}},           // Y8
    {10, 0, {-1.1, 0, -2.64}, {0, 0, 1}},        // F1
    {10, 1, {1.1, 0, -2.64}, {0, 0, 1}},         // F2
    {10, 2, {0, 1.1, -2.64}, {0, 0, 1}},         // F3
    {10, 3, {0, -1.1, -2.64}, {0, 0, 1}},        // F4
    {11, 0, {-1.15, 0, 0.15}, {0.141, 0, -0.99}},  // B1
    {11, 1, {1.15, 0, 0.15}, {-0.141, 0, -0.99}},  // B2
};
constexpr int ATTITUDE_THRUSTER_COUNT = sizeof ATTITUDE_THRUSTERS / sizeof ATTITUDE_THRUSTERS[0];
constexpr int EXHAUST_BLOCK = 4;

// Rows 4 to 9 share thrusters of rows 0 to 3: {row, slot 0 from (row, slot), slot 1 from (row, slot)}.
struct SharedRow {
    int row;
    int fromRow0, fromSlot0, fromRow1, fromSlot1;
};
constexpr SharedRow SHARED_ROWS[] = {
    {4, 0, 3, 1, 2},  // bank left: P4, P7
    {5, 0, 2, 1, 3},  // bank right: P3, P8
    {6, 0, 2, 0, 3},  // up: P3, P4
    {7, 1, 2, 1, 3},  // down: P7, P8
    {8, 2, 2, 2, 3},  // left: Y3, Y4
    {9, 3, 2, 3, 3},  // right: Y7, Y8
};

struct Group {
    int row;  // -1: the main engine
    int count;
    THGROUP_TYPE type;
};
constexpr Group GROUPS[] = {
    {0, 4, THGROUP_ATT_PITCHUP},  {1, 4, THGROUP_ATT_PITCHDOWN}, {2, 4, THGROUP_ATT_YAWLEFT},
    {3, 4, THGROUP_ATT_YAWRIGHT}, {4, 2, THGROUP_ATT_BANKLEFT},  {5, 2, THGROUP_ATT_BANKRIGHT},
    {8, 2, THGROUP_ATT_LEFT},     {9, 2, THGROUP_ATT_RIGHT},     {7, 2, THGROUP_ATT_DOWN},
    {6, 2, THGROUP_ATT_UP},       {10, 4, THGROUP_ATT_FORWARD},  {11, 2, THGROUP_ATT_BACK},
    {-1, 1, THGROUP_MAIN},        {11, 2, THGROUP_RETRO},
};

}  // namespace

void TalvekVessel::CreateFullStackThrusters() {
    // A rebuild starts from nothing, so the host never keeps thrusters or groups of an earlier run.
    ClearThrusterDefinitions();

    mainThruster = CreateThruster(MAIN_POSITION - cogShift, MAIN_DIRECTION, MAIN_THRUST, mainTank, MAIN_ISP, ISP_REF_NONE,
                                  P_REF);
    AddExhaustStream(mainThruster, ExhaustSpec(ENGINE_EXHAUST_LONG));
    AddExhaustStream(mainThruster, ExhaustSpec(ENGINE_EXHAUST_SHORT));

    for (int first = 0; first < ATTITUDE_THRUSTER_COUNT; first += EXHAUST_BLOCK) {
        const int end = first + EXHAUST_BLOCK < ATTITUDE_THRUSTER_COUNT ? first + EXHAUST_BLOCK : ATTITUDE_THRUSTER_COUNT;
        for (int i = first; i < end; ++i) {
            const AttitudeThruster& t = ATTITUDE_THRUSTERS[i];
            attThrusters[t.row][t.slot] =
                CreateThruster(t.pos - cogShift, t.dir, ATT_THRUST, mainTank, ATT_ISP, ISP_REF_NONE, P_REF);
        }
        for (int i = first; i < end; ++i) {
            const AttitudeThruster& t = ATTITUDE_THRUSTERS[i];
            AddExhaustStream(attThrusters[t.row][t.slot], ExhaustSpec(ATT_EXHAUST));
        }
    }

    for (const SharedRow& s : SHARED_ROWS) {
        attThrusters[s.row][0] = attThrusters[s.fromRow0][s.fromSlot0];
        attThrusters[s.row][1] = attThrusters[s.fromRow1][s.fromSlot1];
    }

    for (const Group& g : GROUPS) {
        THRUSTER_HANDLE* handles = g.row < 0 ? &mainThruster : attThrusters[g.row];
        CreateThrusterGroup(handles, g.count, g.type);
    }
}
