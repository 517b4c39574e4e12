// The pilot's key commands: Control+J steps the configuration (separating the modules first),
// K moves the solar arrays, J alone releases the last payload. Any Shift disables all three.
#include "spacecraft/talvek_vessel.h"

namespace {
constexpr double J_DELAY = 1.0;   // [s]
constexpr double K_DELAY = 0.5;   // [s]
constexpr int KEY_USED = 1;
constexpr int KEY_NOT_USED = 0;
}  // namespace

int TalvekVessel::ConsumeBufferedKey(BufferedKeyCode key, bool pressed, char* keyboardState) {
    // A command acts on the event of its letter going down; the modifiers come from the keyboard
    // state. The state is the keyboard as the host polled it after the step, not at the event: a
    // J pressed and released within one frame arrives with J up, and an event of any other key
    // (or of a modifier) arrives with J still down while it is held.
    if (!pressed) return KEY_NOT_USED;
    if (KEYDOWN(keyboardState, OAPI_KEY_LSHIFT) || KEYDOWN(keyboardState, OAPI_KEY_RSHIFT)) return KEY_NOT_USED;
    if (KEYDOWN(keyboardState, OAPI_KEY_LCONTROL) || KEYDOWN(keyboardState, OAPI_KEY_RCONTROL)) {
        if (key != static_cast<BufferedKeyCode>(OAPI_KEY_J)) return KEY_NOT_USED;
        if (!oapiAcceptDelayedKey(OAPI_KEY_J, J_DELAY)) return KEY_NOT_USED;
        if (const auto next = sequencer.ByKey()) Enter(*next);
        return KEY_USED;
    }
    if (key == static_cast<BufferedKeyCode>(OAPI_KEY_K)) {
        if (!oapiAcceptDelayedKey(OAPI_KEY_K, K_DELAY)) return KEY_NOT_USED;
        LogEvent(arrays.Toggle() == SolarArrays::PanelMotion::Deploying ? "solar arrays deploying" : "solar arrays stowing");
        return KEY_USED;
    }
    if (key == static_cast<BufferedKeyCode>(OAPI_KEY_J)) {
        if (!oapiAcceptDelayedKey(OAPI_KEY_J, J_DELAY)) return KEY_NOT_USED;
        ReleaseLastPayload();
        sequencer.RequestRebuild();
        return KEY_USED;
    }
    return KEY_NOT_USED;
}
