#pragma once

#include <functional>

namespace quill {

// A program being recorded, with whatever it started.
class IRunningProgram {
public:
    virtual ~IRunningProgram() = default;
    // Serves the window's messages until the program and every process it
    // started have ended (true) or keepWaiting, asked after each batch of
    // messages, answers false.
    virtual bool WaitForExit(const std::function<bool()>& keepWaiting) = 0;
};

} // namespace quill
