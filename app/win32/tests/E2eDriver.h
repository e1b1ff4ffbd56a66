#pragma once

#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace quill::test {

using namespace std::chrono_literals;

// Starts quillborne.exe from the folder of the test program and finds its
// windows the way a user sees them: by window class, title and control id.
class TQuillborneProcess {
public:
    explicit TQuillborneProcess(const std::wstring& arguments = L"");
    ~TQuillborneProcess();
    TQuillborneProcess(const TQuillborneProcess&) = delete;
    TQuillborneProcess& operator=(const TQuillborneProcess&) = delete;

    bool Started() const noexcept { return static_cast<bool>(FProcess); }
    DWORD Id() const noexcept { return FId; }
    // The main window (shown or hidden) once its wizard is set up, or null.
    HWND MainWindow(std::chrono::milliseconds timeout = 20s) const;
    // A message box of the program, once one is shown, or null.
    HWND MessageBox(std::chrono::milliseconds timeout = 20s) const;
    // A shown top-level window of the program of the class, or null.
    HWND ShownWindow(const wchar_t* windowClass, std::chrono::milliseconds timeout = 20s) const {
        return FindTopLevel(windowClass, kTitle, true, timeout);
    }
    // A shown dialog of the program with the caption, or null.
    HWND ShownDialog(const wchar_t* caption, std::chrono::milliseconds timeout = 20s) const;
    HANDLE Handle() const noexcept { return FProcess.Get(); }
    // The exit code once the program has ended within the time, or nothing.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = 20s) const;

private:
    static constexpr wchar_t kTitle[] = L"Quillborne v2.0";
    HWND FindTopLevel(const wchar_t* windowClass, const wchar_t* title, bool mustBeVisible,
                      std::chrono::milliseconds timeout) const;

    TUniqueHandleObject FProcess;
    DWORD FId = 0;
};

// Holds the thread of a window still until thawed, so that a test can queue
// several messages which the window then finds all at once, in the order the
// platform hands them out: sent messages before posted ones.
class TFrozenWindowThread {
public:
    explicit TFrozenWindowThread(HWND window);
    ~TFrozenWindowThread() { Thaw(); }
    TFrozenWindowThread(const TFrozenWindowThread&) = delete;
    TFrozenWindowThread& operator=(const TFrozenWindowThread&) = delete;

    bool Frozen() const noexcept { return FFrozen; }
    void Thaw();

private:
    TUniqueHandleObject FThread;
    bool FFrozen = false;
};

// Sends a message without waiting for the window to handle it.
class TPendingMessage {
public:
    TPendingMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    TPendingMessage(const TPendingMessage&) = delete;
    TPendingMessage& operator=(const TPendingMessage&) = delete;

    // True once the window has handled the message (everything it started
    // has returned), false when the time runs out first.
    bool Wait(std::chrono::milliseconds timeout = 20s);
    // The window's answer, once handled.
    LRESULT Result() const noexcept { return FHandled->Result; }

private:
    struct THandled {
        bool Done = false;
        LRESULT Result = 0;
    };
    static void CALLBACK Handled(HWND window, UINT message, ULONG_PTR data, LRESULT result);

    bool FSent = false;
    // Shared with the platform's report, which may come after this is gone.
    std::shared_ptr<THandled> FHandled = std::make_shared<THandled>();
};

// Presses a button without waiting for the window to handle the press.
class TPendingClick : public TPendingMessage {
public:
    TPendingClick(HWND window, int controlId) : TPendingMessage(::GetDlgItem(window, controlId), BM_CLICK, 0, 0) {}
};

// A top-level window of the process (of any process for 0), of the class and,
// unless null, the title, once there is one within the time; or null.
HWND FindWindowOf(DWORD processId, const wchar_t* windowClass, const wchar_t* title, bool mustBeVisible,
                  std::chrono::milliseconds timeout);
// The text of a message box: its longest static text.
std::string MessageBoxText(HWND box);
// Presses a button of a window as a click would.
void Click(HWND window, int controlId);
// The control of a window that has the keyboard focus, or the window itself.
HWND FocusOf(HWND window);
// The top of a control in its parent's client area, in pixels.
int ControlTop(HWND parent, int controlId);

// The program's settings key, removed before and after each test.
class TSettingsKey {
public:
    TSettingsKey();
    ~TSettingsKey();
    TSettingsKey(const TSettingsKey&) = delete;
    TSettingsKey& operator=(const TSettingsKey&) = delete;
    void Set(const wchar_t* name, const wchar_t* text) const;
    // The stored text, or nothing when the value is missing.
    std::optional<std::wstring> Get(const wchar_t* name) const;
};

} // namespace quill::test
