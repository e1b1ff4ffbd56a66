#pragma once

#include "monitor/ShellEventKinds.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace quill {

// Case of the paths handed to the handlers; only the letters a to z change.
enum class TTextCase { tcAsIs = 0, tcUppercase = 1, tcLowercase = 2 };

void ApplyTextCase(TTextCase textCase, std::string& path);

// The lowest window message number the shell may deliver notifications on:
// the first one free for applications.
inline constexpr int kMinMessageNo = 1024;

// Raises std::invalid_argument for a number below kMinMessageNo.
void CheckMessageNo(int messageNo);

// A handler receives the delivered event code and the event's paths; the
// second path is empty for the kinds that carry one path only.
using TShellEventHandler = std::function<void(std::uint32_t code, const std::string& path1, const std::string& path2)>;

// Turns delivered notifications into handler calls: one handler slot per
// kind, the registration mask from the slots that are set, the case of the
// paths, and the suppression of an event that repeats the one before it.
class TShellEventDispatch {
public:
    void SetHandler(std::uint32_t kind, TShellEventHandler handler);
    void ClearHandlers() noexcept;
    bool HasHandler(std::uint32_t kind) const noexcept;

    // The OR of the bits whose handler is set.
    std::uint32_t Mask() const noexcept;

    TTextCase TextCase = TTextCase::tcAsIs;

    // One delivered notification; the interrupt flag of the code is ignored.
    // Returns true when a handler was called.
    bool Deliver(std::uint32_t code, std::string path1, std::string path2);

private:
    std::array<TShellEventHandler, kShellEventKindCount> FHandlers;
    std::uint32_t FLastCode = 0;
    std::string FLastPath1;
    std::string FLastPath2;
};

} // namespace quill
