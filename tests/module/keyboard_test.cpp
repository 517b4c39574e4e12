// The pilot's key commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "module_fixture.h"
#include "spacecraft/internal/test_access.h"

namespace {

struct KeyCase {
    const char* name;
    int key;                // the event's key, going down
    std::vector<int> held;  // the keyboard state polled after the step
    int configuration;
    float panelState;
    int result;
    int configurationAfter;
    RebuildPhase rebuildAfter;
    SolarArrays::PanelMotion motionAfter;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class Keys : public ModuleTest, public testing::WithParamInterface<KeyCase> {};

constexpr int J = OAPI_KEY_J, K = OAPI_KEY_K, LCTRL = OAPI_KEY_LCONTROL, RCTRL = OAPI_KEY_RCONTROL,
              LSHIFT = OAPI_KEY_LSHIFT, RSHIFT = OAPI_KEY_RSHIFT;
constexpr int A = 0x1E;  // a key that commands nothing
constexpr RebuildPhase IDLE = RebuildPhase::Idle, REQUESTED = RebuildPhase::Requested;
constexpr SolarArrays::PanelMotion STILL = SolarArrays::PanelMotion::Still,
                                   DEPLOYING = SolarArrays::PanelMotion::Deploying,
                                   RETRACTING = SolarArrays::PanelMotion::Retracting;

}  // namespace

TEST_P(Keys, ActOnTheLetterGoingDownWithTheModifiersHeld) {
    root.Write("Config/Vessels/tlvorbit.cfg", "Mass = 1\n");
    root.Write("Config/Vessels/tlvservice.cfg", "Mass = 1\n");
    TalvekVessel t(record->Handle());
    Inside(t).sequencer.configuration = ConfigurationNumbered(GetParam().configuration);
    Inside(t).arrays.panelState = GetParam().panelState;
    char state[KEYBOARD_STATE_SIZE];
    std::memset(state, 0, sizeof state);
    for (int key : GetParam().held) state[key] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(static_cast<DWORD>(GetParam().key), true, state), GetParam().result);
    EXPECT_EQ(Number(Inside(t).sequencer.configuration), GetParam().configurationAfter);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, GetParam().rebuildAfter);
    EXPECT_EQ(Inside(t).arrays.panelMotion, GetParam().motionAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Keys,
    testing::Values(KeyCase{"ShiftJ", J, {LSHIFT, J}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"RShiftK", K, {RSHIFT, K}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"CtrlShiftJ", J, {LCTRL, LSHIFT, J}, 1, 0, 0, 1, IDLE, STILL},
                    KeyCase{"CtrlK", K, {LCTRL, K}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"CtrlJSeparates", J, {LCTRL, J}, 0, 0, 1, Number(CONFIG_DESCENT), REQUESTED, STILL},
                    KeyCase{"RCtrlJSteps", J, {RCTRL, J}, 1, 0, 1, Number(CONFIG_DROGUE), REQUESTED, STILL},
                    KeyCase{"CtrlJToLanding", J, {LCTRL, J}, 3, 0, 1, Number(CONFIG_LANDING), REQUESTED, STILL},
                    KeyCase{"CtrlJInLanding", J, {LCTRL, J}, 4, 0, 1, Number(CONFIG_LANDING), IDLE, STILL},
                    KeyCase{"CtrlJBelowZero", J, {LCTRL, J}, -2, 0, 1, -1, REQUESTED, STILL},
                    KeyCase{"KHalfwayDeploys", K, {K}, 0, 0.5f, 1, 0, IDLE, DEPLOYING},
                    KeyCase{"KPastHalfwayRetracts", K, {K}, 0, 0.51f, 1, 0, IDLE, RETRACTING},
                    KeyCase{"JReleases", J, {J}, 2, 0, 1, 2, REQUESTED, STILL},
                    // Pressed and released between two polls: the state shows the key up already.
                    KeyCase{"JWithinOneFrame", J, {}, 2, 0, 1, 2, REQUESTED, STILL},
                    KeyCase{"CtrlJWithinOneFrame", J, {LCTRL}, 1, 0, 1, Number(CONFIG_DROGUE), REQUESTED, STILL},
                    KeyCase{"KWithinOneFrame", K, {}, 0, 0, 1, 0, IDLE, DEPLOYING},
                    // Another key while J is held: not J's command again.
                    KeyCase{"OtherKeyWhileJHeld", A, {J, A}, 2, 0, 0, 2, IDLE, STILL},
                    KeyCase{"CtrlDownWhileJHeld", LCTRL, {LCTRL, J}, 0, 0, 0, 0, IDLE, STILL},
                    KeyCase{"KWhileJHeld", K, {J, K}, 0, 0, 1, 0, IDLE, DEPLOYING},
                    KeyCase{"Nothing", A, {A}, 0, 0, 0, 0, IDLE, STILL}));

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

TEST_F(ModuleTest, DelaysRefuseTheSameKeyWithinItsDelay) {
    TalvekVessel t(record->Handle());
    char state[KEYBOARD_STATE_SIZE] = {};
    state[OAPI_KEY_J] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_J, true, state), 1);
    Inside(t).sequencer.rebuildCounter = RebuildPhase::Idle;
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_J, true, state), 0) << "J again within 1 s";
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
    for (int i = 0; i < 61; ++i) world->AdvanceFrame(1.0 / 60);
    state[OAPI_KEY_K] = static_cast<char>(0x80);
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_K, true, state), 1);
    EXPECT_EQ(Inside(t).arrays.panelMotion, SolarArrays::PanelMotion::Deploying);
    Inside(t).arrays.panelMotion = SolarArrays::PanelMotion::Still;
    EXPECT_EQ(t.ConsumeBufferedKey(OAPI_KEY_K, true, state), 0) << "K again within 0.5 s, J held: neither acts";
    EXPECT_EQ(Inside(t).arrays.panelMotion, SolarArrays::PanelMotion::Still);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
}

// The simulator's key flow: every key's event going down and coming up, with the keyboard as it
// stands when the host polls it after the step. Each command acts once per press of its letter.
TEST_F(ModuleTest, EachPressActsOnceInTheSimulatorsKeyFlow) {
    TalvekVessel t(record->Handle());
    Inside(t).sequencer.configuration = CONFIG_DROGUE;
    auto event = [&](int key, bool down, std::vector<int> held) {
        char state[KEYBOARD_STATE_SIZE] = {};
        for (int k : held) state[k] = static_cast<char>(0x80);
        const int used = t.ConsumeBufferedKey(static_cast<DWORD>(key), down, state);
        const bool rebuilt = Inside(t).sequencer.rebuildCounter != RebuildPhase::Idle;
        Inside(t).sequencer.rebuildCounter = RebuildPhase::Idle;
        return std::pair{used, rebuilt};
    };
    auto seconds = [&](double s) {
        for (int i = 0; i < static_cast<int>(s * 60); ++i) world->AdvanceFrame(1.0 / 60);
    };
    // J pressed and released between two polls: one release.
    EXPECT_EQ(event(J, true, {}), std::pair(1, true));
    EXPECT_EQ(event(J, false, {}), std::pair(0, false));
    seconds(2);
    // J held over several frames while other keys go down and up: nothing more.
    EXPECT_EQ(event(J, true, {J}), std::pair(1, true));
    seconds(2);
    EXPECT_EQ(event(A, true, {J, A}), std::pair(0, false));
    EXPECT_EQ(event(A, false, {J}), std::pair(0, false));
    EXPECT_EQ(event(LCTRL, true, {J, LCTRL}), std::pair(0, false)) << "Control after J is not Control+J";
    EXPECT_EQ(event(LCTRL, false, {J}), std::pair(0, false)) << "Control coming up leaves J alone";
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_DROGUE);
    EXPECT_EQ(event(J, false, {}), std::pair(0, false));
}
