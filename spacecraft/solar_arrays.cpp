// The solar array deployment animation: two folding wings and six further parts of the
// "talvek" mesh, driven by one state from 0 (stowed) to 1 (deployed).
#include "spacecraft/solar_arrays.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "carrier/degrees.h"
#include "spacecraft/scenario_keys.h"

namespace {

constexpr double PANEL_RATE = 0.1;  // [1/s] a full travel takes 10 s of simulation time
constexpr float PANELS_HALFWAY = 0.5f;

// Mesh groups of each component, in the order the records list them.
UINT GROUPS_WING_LEFT_ROOT[] = {16};
UINT GROUPS_WING_LEFT_2[] = {17};
UINT GROUPS_WING_LEFT_3[] = {20};
UINT GROUPS_WING_LEFT_4[] = {19, 18};
UINT GROUPS_WING_RIGHT_ROOT[] = {21};
UINT GROUPS_WING_RIGHT_2[] = {22};
UINT GROUPS_WING_RIGHT_3[] = {25};
UINT GROUPS_WING_RIGHT_4[] = {23, 24};
UINT GROUPS_ANTENNA_REAR[] = {12};
UINT GROUPS_COVER_TOP[] = {15};
UINT GROUPS_COVER_SIDE[] = {14};
UINT GROUPS_DOCKING_PROBE[] = {0, 4};
UINT GROUPS_ANTENNA_FRONT_1[] = {27};
UINT GROUPS_ANTENNA_FRONT_2[] = {26};

struct Component {
    bool rotation;   // else translation
    UINT* groups;
    UINT groupCount;
    VECTOR3 ref;     // rotation: reference point; translation: shift [m]
    VECTOR3 axis;    // as written, not normalised
    double degrees;
    double start, end;
    int parent;      // number (1-based) of an earlier component, 0 none
};

#define GROUP_LIST(g) g, sizeof g / sizeof g[0]
const Component COMPONENTS[] = {
    {true, GROUP_LIST(GROUPS_WING_LEFT_ROOT), {-1.1, 0, 0}, {0, 0, 1}, 90, 0.1, 0.9, 0},
    {true, GROUP_LIST(GROUPS_WING_LEFT_2), {-1.12, 0.63, 0}, {0, 0, 1}, -178, 0.1, 0.9, 1},
    {true, GROUP_LIST(GROUPS_WING_LEFT_3), {-1.15, -0.63, 0}, {0, 0, 1}, 178, 0.1, 0.9, 2},
    {true, GROUP_LIST(GROUPS_WING_LEFT_4), {-1.18, 0.63, 0}, {0, 0, 1}, -178, 0.1, 0.9, 3},
    {true, GROUP_LIST(GROUPS_WING_RIGHT_ROOT), {1.1, 0, 0}, {0, 0, 1}, -90, 0.1, 0.9, 0},
    {true, GROUP_LIST(GROUPS_WING_RIGHT_2), {1.12, 0.63, 0}, {0, 0, 1}, 178, 0.1, 0.9, 5},
    {true, GROUP_LIST(GROUPS_WING_RIGHT_3), {1.15, -0.63, 0}, {0, 0, 1}, -178, 0.1, 0.9, 6},
    {true, GROUP_LIST(GROUPS_WING_RIGHT_4), {1.18, 0.63, 0}, {0, 0, 1}, 178, 0.1, 0.9, 7},
    {true, GROUP_LIST(GROUPS_ANTENNA_REAR), {-0.722, 0.891, -2.6}, {0.239796, 0.97082, 0}, 178, 0.05, 0.3, 0},
    {true, GROUP_LIST(GROUPS_COVER_TOP), {0, 0.94, 4.11}, {1, 0, 0}, -140, 0.31, 0.85, 0},
    {true, GROUP_LIST(GROUPS_COVER_TOP), {0, 0.94, 4.11}, {1, 0, 0}, -10, 0.27, 0.3, 0},
    {true, GROUP_LIST(GROUPS_COVER_SIDE), {-0.94, 0, 4.11}, {0, 1, 0}, -130, 0.3, 0.9, 0},
    {true, GROUP_LIST(GROUPS_COVER_SIDE), {-0.94, 0, 4.11}, {0, 1, 0}, -20, 0.3, 0.35, 0},
    {false, GROUP_LIST(GROUPS_DOCKING_PROBE), {0, -0.4, 0.07}, {0, 0, 0}, 0, 0.8, 1, 0},
    {true, GROUP_LIST(GROUPS_ANTENNA_FRONT_1), {0.565, -0.35, 4.36}, {0.574, 1, 0}, -50, 0.02, 0.1, 0},
    {true, GROUP_LIST(GROUPS_ANTENNA_FRONT_2), {0.794, -0.484, 4.093}, {0.574, 1, 0}, 50, 0.02, 0.1, 15},
};
#undef GROUP_LIST
static_assert(sizeof COMPONENTS / sizeof COMPONENTS[0] == DEPLOY_RECORD_COUNT);

// The decimal number after the key, held to 0..1; 0 when there is none. A value that is not
// finite ("nan", "inf") counts as none, so the animation never receives one, and one beyond
// 0..1 (which a float may not even hold) is taken as the nearer end. What was changed is said
// in repaired, which stays as it was when the value is read as written.
float ReadPanelState(const char* text, std::string& repaired) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    const char* start = text;
    while (*start == ' ' || *start == '\t') ++start;
    const std::string written(start, end && end > start ? end : start);
    if (!std::isfinite(value)) {
        repaired = "solar array state '" + written + "' is not a finite number; read as 0";
        return 0.0f;
    }
    if (value < 0 || value > 1) {
        const float nearer = value < 0 ? 0.0f : 1.0f;
        repaired = "solar array state '" + written + "' is outside 0..1; read as " + (value < 0 ? "0" : "1");
        return nearer;
    }
    return static_cast<float>(value);
}

}  // namespace

SolarArrays::SolarArrays(VESSEL& vessel) : deployAnim(static_cast<std::int16_t>(vessel.CreateAnimation(0.0))), vessel(vessel) {}

SolarArrays::PanelMotion SolarArrays::Toggle() {
    panelMotion = panelState > PANELS_HALFWAY ? PanelMotion::Retracting : PanelMotion::Deploying;
    return panelMotion;
}

void SolarArrays::Stow() { vessel.SetAnimation(static_cast<UINT>(deployAnim), 0); }

void SolarArrays::Show() { vessel.SetAnimation(static_cast<UINT>(deployAnim), panelState); }

void SolarArrays::Remove() {
    for (ANIMATIONCOMPONENT_HANDLE& component : deployComponents) {
        if (!component) continue;
        vessel.DelAnimationComponent(static_cast<UINT>(deployAnim), component);
        component = nullptr;
    }
}

void SolarArrays::Build(UINT meshIndex) {
    for (ANIMATIONCOMPONENT_HANDLE& component : deployComponents)
        if (component) vessel.DelAnimationComponent(static_cast<UINT>(deployAnim), component);
    // The records keep their groups and motions from one build to the next; only the mesh they
    // act on can change, so they are made once and reused (the host no longer refers to them
    // through the components just deleted).
    for (int i = 0; i < DEPLOY_RECORD_COUNT; ++i) {
        const Component& c = COMPONENTS[i];
        DeployRecord& record = deployRecords[i];
        if (MGROUP_TRANSFORM* made = record.get())
            made->mesh = meshIndex;
        else if (c.rotation)
            record.rotation = std::make_unique<DeployRotation>(meshIndex, c.groups, c.groupCount, c.ref, c.axis,
                                                               static_cast<float>(DegreesToRadians(c.degrees)));
        else
            record.translation = std::make_unique<DeployTranslation>(meshIndex, c.groups, c.groupCount, c.ref);
        ANIMATIONCOMPONENT_HANDLE parent = c.parent ? deployComponents[c.parent - 1] : nullptr;
        deployComponents[i] = vessel.AddAnimationComponent(static_cast<UINT>(deployAnim), c.start, c.end, record.get(), parent);
    }
}

void SolarArrays::Step(double dt) {
    if (panelMotion == PanelMotion::Still) return;
    if (panelMotion == PanelMotion::Deploying) {
        const double sum = panelState + dt * PANEL_RATE;
        if (sum > 1) {
            panelState = 1;
            panelMotion = PanelMotion::Still;
        } else {
            panelState = static_cast<float>(sum);
        }
    } else {
        const double difference = panelState - dt * PANEL_RATE;
        if (difference < 0) {
            panelState = 0;
            panelMotion = PanelMotion::Still;
        } else {
            panelState = static_cast<float>(difference);
        }
    }
    Show();
}

bool SolarArrays::ParseLine(const char* line, std::string* repaired) {
    if (StartsWithKey(line, KEY_PANELS, KEY_PANELS_LENGTH)) {
        std::string what;
        panelState = ReadPanelState(line + KEY_PANELS_LENGTH, what);
        if (repaired && !what.empty()) *repaired = what + ": " + line;
        return true;
    }
    if (StartsWithKey(line, KEY_PANEL_MOTION, KEY_PANEL_MOTION_LENGTH)) {
        const std::int16_t motion = ReadInt16(line + KEY_PANEL_MOTION_LENGTH);
        const bool moving = motion == static_cast<std::int16_t>(PanelMotion::Deploying) ||
                            motion == static_cast<std::int16_t>(PanelMotion::Retracting);
        panelMotion = moving ? static_cast<PanelMotion>(motion) : PanelMotion::Still;
        return true;
    }
    return false;
}

void SolarArrays::Save(FILEHANDLE scn) const {
    // The host's writers take char* but do not change the key.
    oapiWriteScenario_float(scn, const_cast<char*>(KEY_PANELS), panelState);
    if (panelMotion != PanelMotion::Still)
        oapiWriteScenario_int(scn, const_cast<char*>(KEY_PANEL_MOTION), static_cast<int>(panelMotion));
}
