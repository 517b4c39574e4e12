// What a vessel does with a scenario line or message that is not a payload line.
#pragma once

class MessageReceiver {
public:
    // Receives every line or message whose name is not a payload keyword. Does nothing
    // unless a derived vessel class overrides it.
    virtual void OnMessage(const char* name, const char* text);

protected:
    ~MessageReceiver() = default;
};
