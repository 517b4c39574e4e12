// The message module: holds named text messages for vessels until they collect them.
// Exported under undecorated names, loaded at run time by every carrier.
#pragma once

class VESSEL;

extern "C" {
// Holds a message for target. Returns 0, or -1 when it was refused (a queue is full, or an
// argument is null). The name is kept to 255 characters, the text to 2047.
int SendCMessage(VESSEL* target, const char* name, const char* text);
// Writes the oldest message waiting for self into name (256 bytes) and text (2048 bytes), each
// terminated, and returns how many are still waiting after it; -1 when none was waiting.
int CheckCMessage(VESSEL* self, char* name, char* text);
// Drops every message waiting for target and returns how many there were. The host calls it
// when it deletes a vessel, so that a new vessel that happens to get the same address never
// receives them, and after each frame for vessels that have no module to read their messages.
int ForgetCMessages(VESSEL* target);
}
