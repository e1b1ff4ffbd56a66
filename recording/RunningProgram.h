#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace quill {

// A program being recorded, with whatever it started.
class IRunningProgram {
public:
    virtual ~IRunningProgram() = default;
    // Serves the window's messages until the program and every process it
    // started have ended (true) or keepWaiting, asked after each batch of
    // messages, answers false.
    virtual bool WaitForExit(const std::function<bool()>& keepWaiting) = 0;
    // The exit code of the program itself once it has ended; empty while it
    // runs or when the platform does not tell.
    virtual std::optional<std::uint32_t> ExitCode() const { return std::nullopt; }
};

} // namespace quill
