// The pilot's key commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "module_fixture.h"

namespace {

struct KeyCase {
    const char* name;
    std::vector<int> held;
    std::int16_t configuration;
    float panelState;
    int result;
    std::int16_t configurationAfter;
    RebuildPhase rebuildAfter;
    SolarArrays::PanelMotion motionAfter;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class Keys : public ModuleTest, public testing::WithParamInterface<KeyCase> {};

constexpr int J = OAPI_KEY_J, K = OAPI_KEY_K, LCTRL = OAPI_KEY_LCONTROL, RCTRL = OAPI_KEY_RCONTROL,
              LSHIFT = OAPI_KEY_LSHIFT, RSHIFT = OAPI_KEY_RSHIFT;
constexpr RebuildPhase IDLE = RebuildPhase::Idle, REQUESTED = RebuildPhase::Requested;
constexpr SolarArrays::PanelMotion STILL = SolarArrays::PanelMotion::Still,
                                   DEPLOYING = SolarArrays::PanelMotion::Deploying,
                                   RETRACTING = SolarArrays::PanelMotion::Retracting;

}  // namespace

TEST_P(Keys, ActOnTheKeyboardState) {
    root.Write("Config/Vessels/tlvorbit.cfg", "Mass = 1\n");
    root.Write("Config/Vessels/tlvservice.cfg", "Mass = 1\n");
    TalvekVessel t(record->Handle());
    t.sequencer.configuration = GetParam().configuration;
    t.arrays.panelState = GetParam().panelState;
    char state[KEYBOARD_STATE_SIZE];
    std::memset(state, 0, sizeof state);
    for (int key : GetParam().held) state[key] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(12345, false, state), GetParam().result);
    EXPECT_EQ(t.sequencer.configuration, GetParam().configurationAfter);
    EXPECT_EQ(t.sequencer.rebuildCounter, GetParam().rebuildAfter);
    EXPECT_EQ(t.arrays.panelMotion, GetParam().motionAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Keys,
    testing::Values(KeyCase{"ShiftJ", {LSHIFT, J}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"RShiftK", {RSHIFT, K}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"CtrlShiftJ", {LCTRL, LSHIFT, J}, 1, 0, 0, 1, IDLE, STILL},
                    KeyCase{"CtrlK", {LCTRL, K}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"CtrlJSeparates", {LCTRL, J}, 0, 0, 1, CONFIG_DESCENT, REQUESTED, STILL},
                    KeyCase{"RCtrlJSteps", {RCTRL, J}, 1, 0, 1, CONFIG_DROGUE, REQUESTED, STILL},
                    KeyCase{"CtrlJToLanding", {LCTRL, J}, 3, 0, 1, CONFIG_LANDING, REQUESTED, STILL},
                    KeyCase{"CtrlJInLanding", {LCTRL, J}, 4, 0, 1, CONFIG_LANDING, IDLE, STILL},
                    KeyCase{"CtrlJBelowZero", {LCTRL, J}, -2, 0, 1, -1, REQUESTED, STILL},
                    KeyCase{"KHalfwayDeploys", {K}, 0, 0.5f, 1, 0, IDLE, DEPLOYING},
                    KeyCase{"KPastHalfwayRetracts", {K}, 0, 0.51f, 1, 0, IDLE, RETRACTING},
                    KeyCase{"JReleases", {J}, 2, 0, 1, 2, REQUESTED, STILL},
                    KeyCase{"Nothing", {}, 0, 0, 0, 0, IDLE, STILL}));

TEST_F(ModuleTest, SeparationByKeyCreatesBothModules) {
    root.Write("Config/Vessels/tlvorbit.cfg", "Mass = 1\n");
    root.Write("Config/Vessels/tlvservice.cfg", "Mass = 1\n");
    TalvekVessel t(record->Handle());
    char state[KEYBOARD_STATE_SIZE] = {};
    state[OAPI_KEY_LCONTROL] = state[OAPI_KEY_J] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_J, true, state), 1);
    EXPECT_NE(world->FindByName("TalvekOrbitMod"), nullptr);
    EXPECT_NE(world->FindByName("TalvekServiceMod"), nullptr);
}

TEST_F(ModuleTest, DelaysRefuseTheSameKeyAndLetTheNextTestFollow) {
    TalvekVessel t(record->Handle());
    char state[KEYBOARD_STATE_SIZE] = {};
    state[OAPI_KEY_J] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_J, true, state), 1);
    t.sequencer.rebuildCounter = RebuildPhase::Idle;
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_J, true, state), 0) << "J again within 1 s";
    EXPECT_EQ(t.sequencer.rebuildCounter, RebuildPhase::Idle);
    for (int i = 0; i < 61; ++i) world->AdvanceFrame(1.0 / 60);
    // K and J held, K refused by its delay: the J test still follows.
    state[OAPI_KEY_K] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_K, true, state), 1);
    EXPECT_EQ(t.arrays.panelMotion, SolarArrays::PanelMotion::Deploying) << "K first";
    t.arrays.panelMotion = SolarArrays::PanelMotion::Still;
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_K, true, state), 1) << "K refused, J accepted";
    EXPECT_EQ(t.arrays.panelMotion, SolarArrays::PanelMotion::Still);
    EXPECT_EQ(t.sequencer.rebuildCounter, RebuildPhase::Requested);
}

TEST_F(ModuleTest, KeyCodeAndPressedFlagMakeNoDifference) {
    TalvekVessel t(record->Handle());
    char state[KEYBOARD_STATE_SIZE] = {};
    state[OAPI_KEY_K] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(0, false, state), 1);
    EXPECT_EQ(t.arrays.panelMotion, SolarArrays::PanelMotion::Deploying);
}
