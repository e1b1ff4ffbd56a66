#pragma once

#include "app/ProgramRecorder.h"
#include "app/SessionServices.h"
#include "app/win32/ResumeFile.h"
#include "common/MessageBoxes.h"
#include "common/win32/Win32DriveInfo.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "filter/win32/RegWarning.h"
#include "filter/win32/Win32IgnoreFiles.h"
#include "monitor/win32/SHChangeNotify.h"
#include "recording/RecordingSession.h"
#include "recording/win32/CaptureServices.h"
#include "report/win32/Win32ReportFiles.h"
#include "settings/StartupShortcut.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quill {

// The caption of the folder browser that asks where the installer source goes.
inline constexpr std::string_view kInstallerSourceTitle = "Save as Installer Source";

// The work the wizard hands to the rest of the program. Owns the recording
// session, through which the filter and the report reach the session store.
// The dialogs are joined here as each of them is built.
class TMainServices : public ISessionServices {
public:
    TMainServices(TSettings& settings, IRegistry& registry, IMessageBoxes& boxes, std::wstring executableDirectory);
    ~TMainServices() override;
    TMainServices(const TMainServices&) = delete;
    TMainServices& operator=(const TMainServices&) = delete;

    // Joins the captures to the main window once it exists: the window shows
    // their progress and owns the monitors.
    void Connect(HWND owner, ICaptureDisplay& display);
    // The system's question whether the user's session may end reaches the
    // main window through the shell-notification component, which ends its
    // registration when the answer allows it. After Connect.
    void ConnectEndSessionQuery(std::function<bool()> query);
    // Run Program is the recorder's once the main window has one.
    void ConnectRecorder(TProgramRecorder& recorder) noexcept { FRecorder = &recorder; }
    // The settings dialog's start-up box acts on it once joined.
    void ConnectStartupShortcut(IStartupShortcut& shortcut) noexcept { FStartupShortcut = &shortcut; }
    // Null until connected.
    TRecordingSession* Session() noexcept { return FSession.get(); }

    void CaptureBefore(TRecordingInfo& recording) override;
    void CaptureAfter(TRecordingInfo& recording, bool abort) override;
    void WriteReport(std::string& reportFile, const TRecordingInfo& recording) override;
    void SaveInstallerSource(const std::string& reportFile, const TRecordingInfo& recording) override;
    void SaveForRestart(const TRecordingInfo& recording) override;
    void CheckKeptRecording() override;
    void ResumeRecording(TRecordingInfo& recording) override;
    void DiscardResume() override;
    void NewSession() override;
    void FreeSession() override;
    void ShowSettingsDialog() override;
    void StoreFilterSwitches() override;
    void ShowFilterDialog() override;
    void EditIgnoreList(TIgnoreKind kind) override;
    void ShowAbout() override;
    void OpenHelp() override;
    void RunProgram() override;
    void OpenDonationPage() override;

private:
    TRecordingSession& Connected();
    TResumeFile ResumeFile();

    TSettings& FSettings;
    IRegistry& FRegistry;
    IMessageBoxes& FBoxes;
    TWin32FileSystem FFileSystem;
    TWin32LocalTime FLocalTime;
    TWin32DriveInfo FDrives;
    TWin32ProcessSnapshot FProcesses;
    TWin32WarningsSource FWarnings;
    TWin32IgnoreFiles FIgnoreFiles;
    TWin32ReportFiles FReportFiles;
    HWND FOwner = nullptr;
    std::unique_ptr<TSHChangeNotify> FShellComponent;
    std::unique_ptr<TShellMonitor> FShellMonitor;
    std::unique_ptr<TWin32DirectoryWatching> FWatching;
    std::unique_ptr<TWindowRegWarningDisplay> FWarningDisplay;
    std::unique_ptr<TRecordingSession> FSession;
    TProgramRecorder* FRecorder = nullptr;
    IStartupShortcut* FStartupShortcut = nullptr;
    std::string FExecutableDirectory;
};

} // namespace quill
