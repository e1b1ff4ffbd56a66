#include "app/win32/ProgramHost.h"

#include "app/win32/ProcessWatchForm.h"
#include "common/win32/WinText.h"
#include "recording/win32/ProgramLauncher.h"

#include <commdlg.h>

#include <iterator>
#include <utility>

namespace quill {

TWin32ProgramHost::TWin32ProgramHost(HINSTANCE instance, HWND owner, IMainView& view, TTrayIcon& tray,
                                     IProcessSnapshot& processes, std::function<TCaptureNotes&()> notes,
                                     std::string executableDirectory)
    : FInstance(instance), FOwner(owner), FView(view), FTray(tray), FProcesses(processes), FNotes(std::move(notes)),
      FInitialDirectory(Wide(executableDirectory)) {}

bool TWin32ProgramHost::ChooseProgram(std::string& fileName) {
    wchar_t chosen[MAX_PATH * 4] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = FOwner;
    dialog.lpstrFilter = L"Programs\0*.exe;*.com;*.bat\0All files\0*.*\0";
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = static_cast<DWORD>(std::size(chosen));
    dialog.lpstrInitialDir = FInitialDirectory.empty() ? nullptr : FInitialDirectory.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_DONTADDTORECENT |
                   OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&dialog)) {
        return false;
    }
    const std::wstring path(chosen);
    FInitialDirectory = path.substr(0, dialog.nFileOffset);
    fileName = Narrow(path);
    return true;
}

std::unique_ptr<IRunningProgram> TWin32ProgramHost::StartProgram(const std::string& fileName) {
    // Run Program's message box says only that the program could not be
    // started.
    std::string whyNot;
    return quill::StartProgram({fileName, {}, {}}, FView, FProcesses, FNotes(), whyNot);
}

std::unique_ptr<IRunningProgram> TWin32ProgramHost::FollowProcess(const TProcessName& process) {
    return quill::FollowProcess(process, FView, FProcesses, FNotes());
}

std::uint64_t TWin32ProgramHost::CreationTime(std::uint32_t processID) {
    return ProcessCreationTime(processID);
}

bool TWin32ProgramHost::AskRecordProcess(const std::string& name) {
    return quill::AskRecordProcess(FInstance, name);
}

void TWin32ProgramHost::SendToTray() {
    FView.ProcessMessages();
    FTray.SendToTray();
    FView.ProcessMessages();
}

void TWin32ProgramHost::RestoreFromTray() {
    FTray.RestoreMainWindow();
}

} // namespace quill
