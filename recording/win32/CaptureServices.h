#pragma once

#include "common/MessageBoxes.h"
#include "monitor/win32/FSWatch.h"
#include "monitor/win32/SHChangeNotify.h"
#include "recording/CapturePlatform.h"

#include <windows.h>

#include <memory>
#include <string>

namespace quill {

// True on the platform family that can watch directories for changes.
bool IsWinNT();

// The shell-notification component as the window and the command line
// record with it: for the whole shell namespace, so that removable, optical
// and network drives report their events too, not only the fixed drives.
std::unique_ptr<TSHChangeNotify> NewShellComponent(HWND owner, IDriveInfo& drives);

// The shell-notification component as a capture starts and stops it.
class TShellMonitor : public IShellMonitor {
public:
    explicit TShellMonitor(TSHChangeNotify& component) : FComponent(component) {}
    TShellEventDispatch& Events() override { return FComponent.Events(); }
    void Start(TCaptureNotes& notes) override;
    void Stop() noexcept override { FComponent.Stop(); }

private:
    TSHChangeNotify& FComponent;
};

// One directory watcher per path, owned by the main window and never shown.
class TWin32DirectoryWatching : public IDirectoryWatching {
public:
    TWin32DirectoryWatching(HWND owner, IMessageBoxes& boxes) : FOwner(owner), FBoxes(boxes) {}
    bool Available() const override { return IsWinNT(); }
    std::unique_ptr<IDirectoryWatcher> StartWatch(const std::string& path, std::uint32_t mask,
                                                  TFileWatchJournal& journal) override;

private:
    HWND FOwner;
    IMessageBoxes& FBoxes;
};

// The warnings file beside the program.
class TWin32WarningsSource : public IWarningsSource {
public:
    explicit TWin32WarningsSource(std::wstring directory) : FDirectory(std::move(directory)) {}
    TIniFile ReadWarnings() override;

private:
    std::wstring FDirectory;
};

} // namespace quill
