#include "recording/win32/CaptureServices.h"

#include "filter/win32/RegWarning.h"

namespace quill {
namespace {

class TWatcher : public IDirectoryWatcher {
public:
    explicit TWatcher(std::unique_ptr<TfrmFSWatch> watch) : FWatch(std::move(watch)) {}
    void StopWatch() noexcept override { FWatch->StopWatch(); }

private:
    std::unique_ptr<TfrmFSWatch> FWatch;
};

} // namespace

bool IsWinNT() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return ::GetVersionExW(&version) != FALSE && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::unique_ptr<TSHChangeNotify> NewShellComponent(HWND owner, IDriveInfo& drives) {
    auto component = std::make_unique<TSHChangeNotify>(owner, drives);
    component->HardDriveOnly = false;
    return component;
}

void TShellMonitor::Start(TCaptureNotes& notes) {
    FComponent.Notes = &notes;
    FComponent.Start();
}

std::unique_ptr<IDirectoryWatcher> TWin32DirectoryWatching::StartWatch(const std::string& path, std::uint32_t mask,
                                                                       TFileWatchJournal& journal) {
    auto watch = std::make_unique<TfrmFSWatch>(FOwner, true, path, mask, journal, FBoxes);
    watch->StartWatch();
    return std::make_unique<TWatcher>(std::move(watch));
}

TIniFile TWin32WarningsSource::ReadWarnings() {
    return ReadWarningsFile(FDirectory);
}

} // namespace quill
