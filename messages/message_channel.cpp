#include "message_channel.h"

void SendMessageThrough(HMODULE module, VESSEL* target, const char* name, const char* text) {
    if (!module) return;
    auto send = reinterpret_cast<SendCMessageFn>(GetProcAddress(module, "SendCMessage"));
    if (!send) return;
    send(target, name, text);
}

CheckCMessageFn FindCheckMessage(HMODULE module) {
    if (!module) return nullptr;
    return reinterpret_cast<CheckCMessageFn>(GetProcAddress(module, "CheckCMessage"));
}
