// Sending and collecting messages through the message module.
#include "carrier/payload_carrier.h"
#include "messages/message_channel.h"

void PayloadCarrier::SendVesselMessage(VESSEL* target, const char* name, const char* text) {
    SendMessageThrough(messageModule, target, name, text);
}

bool PayloadCarrier::CollectMessages() {
    bool any = false;
    while (PollMessages()) any = true;
    return any;
}

bool PayloadCarrier::PollMessages() {
    bool received = false;
    CheckCMessageFn check = FindCheckMessage(messageModule);
    if (!check) return false;
    int result;
    do {
        // Only the first bytes are cleared: a module that writes nothing leaves both empty, and
        // clearing the whole 2.3 KB every frame cost more than the rest of the step.
        char name[MESSAGE_NAME_BUFFER];
        char text[MESSAGE_TEXT_BUFFER];
        name[0] = '\0';
        text[0] = '\0';
        result = check(static_cast<VESSEL*>(this), name, text);
        // Terminated within their sizes whatever the module wrote.
        name[MESSAGE_NAME_BUFFER - 1] = '\0';
        text[MESSAGE_TEXT_BUFFER - 1] = '\0';
        // A message with an empty text is dropped.
        if (result != NO_MESSAGE && text[0] != '\0') {
            DispatchMessage(name, text);
            received = true;
        }
    } while (result >= 0);
    return received;
}
