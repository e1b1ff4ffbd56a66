#include "tray/win32/TrayIcon.h"

#include "common/win32/WinText.h"

#include <algorithm>

namespace quill {
namespace {

constexpr wchar_t kHandlerClass[] = L"QuillborneTrayIconHandler";
constexpr UINT kIconId = 1;

void RegisterHandlerClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHandlerClass;
    ::RegisterClassExW(&windowClass);
}

} // namespace

void FillTrayTip(wchar_t (&tip)[128], const std::string& hint, bool showHint) noexcept {
    std::fill(std::begin(tip), std::end(tip), L'\0');
    if (!showHint || hint.empty()) {
        return;
    }
    try {
        const std::wstring text = Wide(hint);
        std::size_t length = std::min<std::size_t>(text.size(), 127);
        if (length < text.size() && IS_HIGH_SURROGATE(text[length - 1])) {
            --length;
        }
        std::copy_n(text.begin(), length, tip);
    } catch (...) {
        // No tip rather than a wrong one.
    }
}

TTrayIcon::TTrayIcon(HWND owner)
    : FOwner(owner), FClickTimer([this] {
          FClickTimer.Stop();
          if (FClicks.ClickTimeElapsed() && OnClick) {
              OnClick();
          }
      }),
      FTaskbarCreated(::RegisterWindowMessageW(L"TaskbarCreated")) {
    RegisterHandlerClass(HandlerProc);
    // Top-level, though never shown: only such windows get the task bar's
    // broadcast.
    FHandler = ::CreateWindowExW(WS_EX_TOOLWINDOW, kHandlerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), this);
    FData.cbSize = sizeof(FData);
    FData.hWnd = FHandler;
    FData.uID = kIconId;
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    FData.uCallbackMessage = kCallbackMessage;
}

TTrayIcon::~TTrayIcon() {
    SetIconVisible(false);
    if (FHandler != nullptr) {
        ::SetWindowLongPtrW(FHandler, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandler);
    }
}

void TTrayIcon::Notify(DWORD operation) {
    FillTrayTip(FData.szTip, FHint, FShowHint);
    ::Shell_NotifyIconW(operation, &FData);
}

void TTrayIcon::SetIcon(HICON icon) {
    FData.hIcon = icon;
    if (FVisible) {
        Notify(NIM_MODIFY);
    }
}

void TTrayIcon::SetHint(const std::string& hint) {
    if (hint == FHint) {
        return;
    }
    FHint = hint;
    if (FVisible) {
        Notify(NIM_MODIFY);
    }
}

void TTrayIcon::SetShowHint(bool showHint) {
    FShowHint = showHint;
    if (FVisible) {
        Notify(NIM_MODIFY);
    }
}

void TTrayIcon::SetIconVisible(bool visible) {
    if (visible == FVisible) {
        return;
    }
    FVisible = visible;
    Notify(visible ? NIM_ADD : NIM_DELETE);
}

void TTrayIcon::RestoreMainWindow() {
    if (::IsIconic(FOwner)) {
        ::ShowWindow(FOwner, SW_RESTORE);
    }
    ::ShowWindow(FOwner, SW_SHOW);
    ::SetForegroundWindow(FOwner);
}

void TTrayIcon::HideMainWindow() {
    ::ShowWindow(FOwner, SW_HIDE);
}

void TTrayIcon::SendToTray() {
    HideMainWindow();
    SetIconVisible(true);
}

bool TTrayIcon::OwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool minimising = (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE) ||
                            (message == WM_SHOWWINDOW && wParam == FALSE && lParam == SW_PARENTCLOSING);
    if (!FMinimizeToTray) {
        return false;
    }
    if (minimising) {
        if (OnMinimizeToTray) {
            OnMinimizeToTray();
        }
        SendToTray();
        return true;
    }
    // Minimised by other means than the system menu (another program, the
    // shell's "minimise all windows"): the window is iconic already, and
    // goes on into the notification area all the same.
    if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
        SendToTray();
        return true;
    }
    return false;
}

LRESULT CALLBACK TTrayIcon::HandlerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* creating = static_cast<TTrayIcon*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        creating->FHandler = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
    }
    auto* icon = reinterpret_cast<TTrayIcon*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (icon == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing may unwind through the platform's code.
    try {
        return icon->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT TTrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCallbackMessage) {
        if (FEnabled && wParam == kIconId) {
            Mouse(static_cast<UINT>(lParam));
        }
        return 0;
    }
    if (message == FTaskbarCreated && FTaskbarCreated != 0) {
        if (FVisible) {
            Notify(NIM_ADD);
        }
        return 0;
    }
    switch (message) {
    // The icon never objects to the end of the session.
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
    case WM_CLOSE:
        return 0;
    default:
        return ::DefWindowProcW(FHandler, message, wParam, lParam);
    }
}

void TTrayIcon::Mouse(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
        if (FClicks.LeftDown(static_cast<bool>(OnDblClick))) {
            FClickTimer.SetInterval(::GetDoubleClickTime());
            FClickTimer.Start();
        }
        if (FLeftPopup) {
            ShowPopupMenu();
        }
        break;
    case WM_LBUTTONUP:
        if (FClicks.LeftUp(FClickTimer.Enabled()) && OnClick) {
            OnClick();
        }
        break;
    case WM_LBUTTONDBLCLK:
        FClicks.DoubleClick();
        if (OnDblClick) {
            OnDblClick();
        }
        break;
    case WM_RBUTTONDOWN:
        ShowPopupMenu();
        break;
    default:
        break;
    }
}

// The owner comes to the front first and gets an empty message after the
// menu, or the menu would not close when the user clicks elsewhere.
void TTrayIcon::ShowPopupMenu() {
    POINT at{};
    if (!OnPopupMenu || !::GetCursorPos(&at)) {
        return;
    }
    ::SetForegroundWindow(FOwner);
    OnPopupMenu(at);
    ::PostMessageW(FOwner, WM_NULL, 0, 0);
}

} // namespace quill
