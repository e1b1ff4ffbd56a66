#include "commandline/win32/ConsoleInterrupt.h"

namespace quill {

std::atomic<TConsoleInterrupt*> TConsoleInterrupt::FActive{nullptr};

TConsoleInterrupt::TConsoleInterrupt(HWND wake) : FWake(wake) {
    FActive = this;
    ::SetConsoleCtrlHandler(OnControl, TRUE);
}

TConsoleInterrupt::~TConsoleInterrupt() {
    ::SetConsoleCtrlHandler(OnControl, FALSE);
    FActive = nullptr;
}

BOOL WINAPI TConsoleInterrupt::OnControl(DWORD type) noexcept {
    TConsoleInterrupt* const active = FActive;
    if (active == nullptr || (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)) {
        return FALSE;
    }
    active->FPressed = true;
    ::PostMessageW(active->FWake, WM_NULL, 0, 0);
    return TRUE;
}

} // namespace quill
