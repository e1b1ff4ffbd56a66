#pragma once

#include <windows.h>

#include <functional>

namespace quill {

// A timer that needs no window of its own: the thread's message loop hands
// its ticks to the handler. Stops when destroyed.
class TSimpleTimer {
public:
    explicit TSimpleTimer(std::function<void()> onTimer, UINT interval = 1000);
    ~TSimpleTimer() { Stop(); }
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // False when the interval is 0 or the platform refuses; restarts a
    // running timer.
    bool Start();
    void Stop() noexcept;
    bool Enabled() const noexcept { return FId != 0; }
    UINT Interval() const noexcept { return FInterval; }
    // A running timer restarts with the new interval, or stops at 0.
    void SetInterval(UINT interval);

private:
    static void CALLBACK Elapsed(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;

    std::function<void()> FOnTimer;
    UINT FInterval;
    UINT_PTR FId = 0;
};

} // namespace quill
