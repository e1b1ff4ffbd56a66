#pragma once

#include "common/CaptureNotes.h"
#include "common/DiskUsage.h"
#include "common/LocalTime.h"
#include "common/ProcessList.h"
#include "common/Registry.h"
#include "filter/RegWatch.h"
#include "monitor/Journal.h"
#include "monitor/ShellEventDispatch.h"
#include "snapshot/FileSystem.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quill {

// The window's progress display during a capture: a caption, a bar, an
// animation that shows work without a measure, and the hourglass.
class ICaptureDisplay {
public:
    virtual ~ICaptureDisplay() = default;
    virtual void ShowCaption(bool visible) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void ShowBar(bool visible) = 0;
    virtual void SetBar(int minimum, int maximum, int step, int position) = 0;
    // Back to its minimum.
    virtual void RewindBar() = 0;
    virtual void StepBar() = 0;
    virtual void ShowAnimation(bool visible) = 0;
    virtual void RunAnimation(bool running) = 0;
    virtual void ShowBusyCursor(bool busy) = 0;
    // Lets the window handle what is pending: paints, clicks, commands, the
    // shell's notifications.
    virtual void ProcessMessages() = 0;
    virtual void BringToFront() = 0;
};

// The shell's change notifications, delivered on the user-interface thread
// to the handlers set in Events().
class IShellMonitor {
public:
    virtual ~IShellMonitor() = default;
    virtual TShellEventDispatch& Events() = 0;
    // Registers for the kinds that have a handler; what a handler cannot take
    // is noted in notes. Raises when the shell refuses.
    virtual void Start(TCaptureNotes& notes) = 0;
    virtual void Stop() noexcept = 0;
};

// One running directory watch.
class IDirectoryWatcher {
public:
    virtual ~IDirectoryWatcher() = default;
    // Returns once the watcher's thread has ended.
    virtual void StopWatch() noexcept = 0;
};

class IDirectoryWatching {
public:
    virtual ~IDirectoryWatching() = default;
    // Whether the platform can watch directories for changes at all.
    virtual bool Available() const = 0;
    // Watches the directory and its subtree for the changes of the mask,
    // journalling each; a watch that cannot start tells the user itself.
    virtual std::unique_ptr<IDirectoryWatcher> StartWatch(const std::string& path, std::uint32_t mask,
                                                          TFileWatchJournal& journal) = 0;
};

// The warnings file beside the program. Raises when it exists but cannot be
// read.
class IWarningsSource {
public:
    virtual ~IWarningsSource() = default;
    virtual TIniFile ReadWarnings() = 0;
};

// Every platform service a recording uses.
struct TCapturePlatform {
    IRegistry& Registry;
    IFileSystem& FileSystem;
    const ILocalTime& LocalTime;
    IDriveInfo& Drives;
    IProcessSnapshot& Processes;
    IShellMonitor& ShellMonitor;
    IDirectoryWatching& Watching;
    ICaptureDisplay& Display;
    IWarningsSource& WarningsSource;
    IRegWarningDisplay& WarningDisplay;
};

} // namespace quill
