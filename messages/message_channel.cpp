#include "messages/message_channel.h"

#include <string>

#include "host/orbiter.h"
#include "messages/host_log.h"

namespace {
constexpr int MESSAGE_REFUSED = -1;
// Every carrier polls each frame: a look-up by name would cost more than the rest of its step.
LibraryFunctionCache g_sendMessage;
LibraryFunctionCache g_checkMessage;
}  // namespace

void SendMessageThrough(LibraryHandle module, VESSEL* target, const char* name, const char* text) {
    if (!module) return;
    auto send = reinterpret_cast<SendCMessageFn>(FindLibraryFunction(module, "SendCMessage", g_sendMessage));
    if (!send) return;
    if (send(target, name, text) != MESSAGE_REFUSED) return;
    // A refused message (a hand-over among them) is lost; the log says so rather than nothing.
    const char* vessel = target ? target->GetName() : nullptr;
    const std::string line = std::string("Talvek: message ") + (name ? name : "") + " for " +
                       (vessel ? vessel : "no vessel") + " was refused by the message module" +
                       (target && name && text ? " (queue full)" : "");
    WriteHostLog(line);
}

CheckCMessageFn FindCheckMessage(LibraryHandle module) {
    if (!module) return nullptr;
    return reinterpret_cast<CheckCMessageFn>(FindLibraryFunction(module, "CheckCMessage", g_checkMessage));
}
