#pragma once

#include "app/MainView.h"
#include "app/ProgramRecorder.h"
#include "common/CaptureNotes.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "tray/win32/TrayIcon.h"

#include <windows.h>

#include <functional>
#include <string>

namespace quill {

// The main window's side of the process watch and of Run Program: the
// file-open dialog, the launch, the question and the notification area.
class TWin32ProgramHost : public IProgramHost {
public:
    // The notes are those of the recording in progress, where a launch that
    // cannot be followed completely is told.
    TWin32ProgramHost(HINSTANCE instance, HWND owner, IMainView& view, TTrayIcon& tray, IProcessSnapshot& processes,
                      std::function<TCaptureNotes&()> notes, std::string executableDirectory);

    bool ChooseProgram(std::string& fileName) override;
    std::unique_ptr<IRunningProgram> StartProgram(const std::string& fileName) override;
    std::unique_ptr<IRunningProgram> FollowProcess(const TProcessName& process) override;
    std::uint64_t CreationTime(std::uint32_t processID) override;
    bool AskRecordProcess(const std::string& name) override;
    void SendToTray() override;
    void RestoreFromTray() override;

private:
    HINSTANCE FInstance;
    HWND FOwner;
    IMainView& FView;
    TTrayIcon& FTray;
    IProcessSnapshot& FProcesses;
    std::function<TCaptureNotes&()> FNotes;
    // The dialog opens where the last choice was made, first beside the
    // program itself.
    std::wstring FInitialDirectory;
};

} // namespace quill
