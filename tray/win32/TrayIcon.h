#pragma once

#include "tray/TrayClicks.h"
#include "tray/win32/SimpleTimer.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

namespace quill {

// The tip the shell shows: the first 127 UTF-16 units of the hint (never half
// a surrogate pair), or nothing when the hint is not to be shown.
void FillTrayTip(wchar_t (&tip)[128], const std::string& hint, bool showHint) noexcept;

// An icon in the notification area for the owner window: turns the shell's
// mouse messages into events, opens the owner's menu at the cursor, hides the
// owner into the notification area instead of minimising it, and adds the
// icon again when the task bar is recreated. A hidden top-level window of its
// own receives the shell's callbacks and the task bar's broadcast.
class TTrayIcon {
public:
    static constexpr UINT kCallbackMessage = 0x0800;

    explicit TTrayIcon(HWND owner);
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    void SetIcon(HICON icon);
    void SetHint(const std::string& hint);
    void SetShowHint(bool showHint);
    void SetIconVisible(bool visible);
    bool IconVisible() const noexcept { return FVisible; }
    void SetEnabled(bool enabled) noexcept { FEnabled = enabled; }
    void SetLeftPopup(bool leftPopup) noexcept { FLeftPopup = leftPopup; }
    void SetMinimizeToTray(bool minimizeToTray) noexcept { FMinimizeToTray = minimizeToTray; }
    // The window that receives the shell's callbacks for this icon.
    HWND Handler() const noexcept { return FHandler; }

    void RestoreMainWindow();
    void HideMainWindow();
    void SendToTray();

    // The owner passes its messages here first; true when taken over.
    bool OwnerMessage(UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnMinimizeToTray;
    // Opens the menu at the cursor; the owner is in front by then.
    std::function<void(POINT)> OnPopupMenu;

private:
    static LRESULT CALLBACK HandlerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Mouse(UINT message);
    void ShowPopupMenu();
    void Notify(DWORD operation);

    HWND FOwner;
    HWND FHandler = nullptr;
    NOTIFYICONDATAW FData{};
    std::string FHint;
    bool FShowHint = true;
    bool FVisible = false;
    bool FEnabled = true;
    bool FLeftPopup = false;
    bool FMinimizeToTray = false;
    TTrayClicks FClicks;
    TSimpleTimer FClickTimer;
    UINT FTaskbarCreated;
};

} // namespace quill
