// The pilot's key commands: Control+J steps the configuration (separating the modules first),
// K moves the solar arrays, J alone releases the last payload. Any Shift disables all three.
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr double J_DELAY = 1.0;   // [s]
constexpr double K_DELAY = 0.5;   // [s]
constexpr int KEY_USED = 1;
constexpr int KEY_NOT_USED = 0;
}  // namespace

int TalvekVessel::ConsumeBufferedKey(DWORD /*key*/, bool /*pressed*/, char* keyboardState) {
    // The decision rests on the keyboard state alone.
    if (KEYDOWN(keyboardState, OAPI_KEY_LSHIFT) || KEYDOWN(keyboardState, OAPI_KEY_RSHIFT)) return KEY_NOT_USED;
    if (KEYDOWN(keyboardState, OAPI_KEY_LCONTROL) || KEYDOWN(keyboardState, OAPI_KEY_RCONTROL)) {
        if (!KEYDOWN(keyboardState, OAPI_KEY_J)) return KEY_NOT_USED;
        if (!oapiAcceptDelayedKey(OAPI_KEY_J, J_DELAY)) return KEY_NOT_USED;
        if (sequencer.configuration == CONFIG_FULL_STACK) {
            SeparateModules();
        } else if (sequencer.configuration < CONFIG_LANDING) {
            sequencer.SwitchTo(static_cast<std::int16_t>(sequencer.configuration + 1));
            LogEvent("configuration " + std::to_string(sequencer.configuration) + " by hand (Ctrl+J)");
        }
        return KEY_USED;
    }
    if (KEYDOWN(keyboardState, OAPI_KEY_K) && oapiAcceptDelayedKey(OAPI_KEY_K, K_DELAY)) {
        LogEvent(arrays.Toggle() == SolarArrays::PanelMotion::Deploying ? "solar arrays deploying" : "solar arrays stowing");
        return KEY_USED;
    }
    if (KEYDOWN(keyboardState, OAPI_KEY_J) && oapiAcceptDelayedKey(OAPI_KEY_J, J_DELAY)) {
        ReleaseLastPayload();
        sequencer.RequestRebuild();
        return KEY_USED;
    }
    return KEY_NOT_USED;
}
