#pragma once

#include <windows.h>

#include <atomic>

namespace quill {

// Ctrl+C and Ctrl+Break on the console, for as long as it lives: instead of
// ending the process at once, with outputs half made, they mark the
// recording as stopped and wake the window's thread, whose waits look at the
// mark after each message. One at a time.
class TConsoleInterrupt {
public:
    explicit TConsoleInterrupt(HWND wake);
    ~TConsoleInterrupt();
    TConsoleInterrupt(const TConsoleInterrupt&) = delete;
    TConsoleInterrupt& operator=(const TConsoleInterrupt&) = delete;

    bool Pressed() const noexcept { return FPressed; }

private:
    // The system calls it on a thread of its own.
    static BOOL WINAPI OnControl(DWORD type) noexcept;

    static std::atomic<TConsoleInterrupt*> FActive;
    HWND FWake;
    std::atomic<bool> FPressed{false};
};

} // namespace quill
