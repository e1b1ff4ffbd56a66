#pragma once

namespace quill {

// Whatever serves the window messages of the thread while it waits: the main
// window, or the hidden window of a recording from the command line.
class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    virtual void ProcessMessages() = 0;
};

} // namespace quill
