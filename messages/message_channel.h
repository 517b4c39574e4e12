// The message module's contract, and calls into it that look its functions up once per load of
// the module: a missing module or function leaves the channel silent.
#pragma once

#include "messages/library_loader.h"

class VESSEL;

// Holds a message (name, text) for the target vessel; returns -1 when it refused the message.
using SendCMessageFn = int (*)(VESSEL* target, const char* name, const char* text);
// Writes the next message for self into the buffers (256 and 2048 bytes, each terminated
// within its size) and returns a value >= 0, or returns -1 when none is waiting.
using CheckCMessageFn = int (*)(VESSEL* self, char* name, char* text);

constexpr const char* MESSAGE_MODULE_PATH = "Modules\\dravomessage";
constexpr int MESSAGE_NAME_BUFFER = 256;
constexpr int MESSAGE_TEXT_BUFFER = 2048;
constexpr int NO_MESSAGE = -1;

// Hands a message to the module for target; nothing without a module or its function. A message
// the module refuses is reported as a line of the host's log.
void SendMessageThrough(LibraryHandle module, VESSEL* target, const char* name, const char* text);
// Looks up the module's CheckCMessage; null without a module or the function.
CheckCMessageFn FindCheckMessage(LibraryHandle module);
