#include "tray/win32/SimpleTimer.h"

#include <map>
#include <utility>

namespace quill {
namespace {

// The running timers of the user-interface thread, by the platform's id.
std::map<UINT_PTR, TSimpleTimer*>& Running() {
    static std::map<UINT_PTR, TSimpleTimer*> running;
    return running;
}

} // namespace

TSimpleTimer::TSimpleTimer(std::function<void()> onTimer, UINT interval)
    : FOnTimer(std::move(onTimer)), FInterval(interval) {}

bool TSimpleTimer::Start() {
    Stop();
    if (FInterval == 0) {
        return false;
    }
    FId = ::SetTimer(nullptr, 0, FInterval, Elapsed);
    if (FId != 0) {
        Running()[FId] = this;
    }
    return FId != 0;
}

void TSimpleTimer::Stop() noexcept {
    if (FId != 0) {
        ::KillTimer(nullptr, FId);
        Running().erase(FId);
        FId = 0;
    }
}

void TSimpleTimer::SetInterval(UINT interval) {
    FInterval = interval;
    if (Enabled()) {
        if (interval == 0) {
            Stop();
        } else {
            Start();
        }
    }
}

void CALLBACK TSimpleTimer::Elapsed(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    const auto found = Running().find(id);
    if (found == Running().end() || !found->second->FOnTimer) {
        return;
    }
    try {
        found->second->FOnTimer();
    } catch (...) {
        // A tick has no caller to report to; the next one tries again.
    }
}

} // namespace quill
