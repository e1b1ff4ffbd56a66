#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace quill::test {

// Plays the user inside a dialog's modal loop: a thread timer performs one
// step at each tick while the dialog of the caption is shown.
class TDialogDriver {
public:
    using TStep = std::function<void(HWND dialog)>;

    TDialogDriver(std::wstring caption, std::deque<TStep> steps) {
        Current() = this;
        FCaption = std::move(caption);
        FSteps = std::move(steps);
        FTimer = ::SetTimer(nullptr, 0, 50, Tick);
    }
    ~TDialogDriver() {
        ::KillTimer(nullptr, FTimer);
        Current() = nullptr;
    }
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;

    bool Done() const noexcept { return FSteps.empty(); }

private:
    static TDialogDriver*& Current() {
        static TDialogDriver* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        TDialogDriver* driver = Current();
        if (driver == nullptr || driver->FSteps.empty()) {
            return;
        }
        const HWND dialog = ::FindWindowW(L"#32770", driver->FCaption.c_str());
        if (dialog == nullptr || !::IsWindowVisible(dialog) || !::IsWindowEnabled(dialog)) {
            return;
        }
        const TStep step = std::move(driver->FSteps.front());
        driver->FSteps.pop_front();
        step(dialog);
    }

    std::wstring FCaption;
    std::deque<TStep> FSteps;
    UINT_PTR FTimer = 0;
};

inline void Command(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

} // namespace quill::test
