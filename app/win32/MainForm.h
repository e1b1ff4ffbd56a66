#pragma once

#include "app/MainView.h"
#include "app/ProgramRecorder.h"
#include "app/SessionController.h"
#include "app/win32/ProgramHost.h"
#include "common/CaptureNotes.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "recording/CapturePlatform.h"
#include "tray/win32/TrayIcon.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace quill {

// The main window: owns the session controller, shows what it decides and
// hands it every command, and shows a capture's progress. Created from its
// dialog template as a modeless dialog of its own window class, so that other
// programs can find it by class and title.
class TfrmMain : public IMainView, public ICaptureDisplay {
public:
    static constexpr wchar_t kWindowClass[] = L"QuillborneMain";

    TfrmMain(HINSTANCE instance, TSettings& settings, ISessionServices& services, IMessageBoxes& messages,
             std::string executableDirectory);
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Creates the window, still hidden; false when the platform refuses.
    bool Create();
    // Runs the controller's window creation, which shows the window unless
    // the program started with Windows. The captures must be joined to the
    // window first: a click may arrive as soon as it shows.
    void Open(bool startupSwitch);
    HWND Handle() const noexcept { return FHandle; }
    // Runs the message loop until the window is gone; returns the exit code.
    int Run();

    void ShowState(const TWizardState& wizard, const TActionStates& actions) override;
    void ShowCaptureProgress(bool running) override;
    void FocusYes() override;
    void ProcessMessages() override;
    bool Terminating() const override { return FTerminating; }
    void SetWatchTimer(bool enabled) override;
    void BringToFront() override;
    void RestoreMainWindow() override;
    bool Visible() const override;
    void CloseWindow() override;

    void ShowCaption(bool visible) override;
    void SetCaption(const std::string& text) override;
    void ShowBar(bool visible) override;
    void SetBar(int minimum, int maximum, int step, int position) override;
    void RewindBar() override;
    void StepBar() override;
    void ShowAnimation(bool visible) override;
    void RunAnimation(bool running) override;
    void ShowBusyCursor(bool busy) override;

    TSessionController& Controller() noexcept { return FController; }
    // Joins the process watch and Run Program once the recording exists:
    // what they cannot follow goes to its notes.
    void ConnectPrograms(std::function<TCaptureNotes&()> notes);
    // Null until connected.
    TProgramRecorder* Recorder() noexcept { return FRecorder.get(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void InitDialog();
    void AddHints();
    void Command(int id);
    void FormCloseQuery();
    void PopupMenuPopup(POINT at);
    void UpdateMenu(HMENU menu, const TActionStates& actions);
    bool SetCaptureCursor();
    bool Dispatch(MSG& message);
    void ShowControl(int id, bool visible);
    void CreateTrayIcon();
    void ShowShutdownBlockReason(const std::string& reason);

    HINSTANCE FInstance;
    IMessageBoxes& FMessages;
    std::string FExecutableDirectory;
    TSessionController FController;
    TWin32ProcessSnapshot FProcesses;
    std::unique_ptr<TTrayIcon> FTray;
    std::unique_ptr<TWin32ProgramHost> FProgramHost;
    std::unique_ptr<TProgramRecorder> FRecorder;
    HWND FHandle = nullptr;
    HACCEL FAccelerators = nullptr;
    TUniqueMenu FPopupMenu;
    bool FTerminating = false;
    bool FClosing = false;
    bool FCaptureRunning = false;
    std::string FShutdownBlockReason;
};

} // namespace quill
