#include "message_channel.h"

void SendMessageThrough(LibraryHandle module, VESSEL* target, const char* name, const char* text) {
    if (!module) return;
    auto send = reinterpret_cast<SendCMessageFn>(FindLibraryFunction(module, "SendCMessage"));
    if (!send) return;
    send(target, name, text);
}

CheckCMessageFn FindCheckMessage(LibraryHandle module) {
    if (!module) return nullptr;
    return reinterpret_cast<CheckCMessageFn>(FindLibraryFunction(module, "CheckCMessage"));
}
