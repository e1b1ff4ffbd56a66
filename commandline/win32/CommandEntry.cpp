#include "commandline/win32/CommandEntry.h"

#include "commandline/CommandRecording.h"
#include "commandline/RecordingPlan.h"
#include "commandline/ProgramSearch.h"
#include "commandline/win32/CommandConsole.h"
#include "commandline/win32/CommandHost.h"
#include "commandline/win32/CommandWindow.h"
#include "commandline/win32/ConsoleInterrupt.h"
#include "commandline/win32/ConsoleLine.h"
#include "common/win32/Files.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/Win32DriveInfo.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32ProcessSnapshot.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "filter/win32/Win32IgnoreFiles.h"
#include "monitor/win32/SHChangeNotify.h"
#include "recording/win32/CaptureServices.h"
#include "report/win32/Win32ReportFiles.h"
#include "report/win32/Win32ReportLocale.h"
#include "settings/DefaultPaths.h"
#include "settings/SettingsOverlay.h"
#include "settings/win32/HostDrive.h"
#include "snapshot/win32/Win32FileSystem.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace quill {
namespace {

// One recording from the command line at a time, in this session.
constexpr wchar_t kRecordingMutex[] = L"Local\\Quillborne.CommandRecording";

// Relative to the current folder, as the user typed them.
std::string FullPath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    const std::wstring wide = Wide(path);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    full.resize(length);
    return Narrow(full);
}

// A directory that cannot be asked about for another reason, such as access
// denied, is left to the capture, which notes what it cannot read.
TDirectoryState DirectoryState(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TDirectoryState::Directory
                                                            : TDirectoryState::NotADirectory;
    }
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return TDirectoryState::Missing;
    default:
        return TDirectoryState::Directory;
    }
}

void ResolvePaths(TRecordOptions& options) {
    if (options.Paths) {
        for (std::string& path : *options.Paths) {
            path = FullPath(path);
        }
    }
    options.ReportFile = FullPath(options.ReportFile);
    options.JsonFile = FullPath(options.JsonFile);
    options.UndoFile = FullPath(options.UndoFile);
    // A name without a folder is looked for when the program starts.
    if (NamesFolder(options.Program)) {
        options.Program = FullPath(options.Program);
    }
    options.SaveBeforeFile = FullPath(options.SaveBeforeFile);
    options.AfterFile = FullPath(options.AfterFile);
    options.PackageFolder = FullPath(options.PackageFolder);
    for (std::string& capture : options.CompareFiles) {
        capture = FullPath(capture);
    }
}

TRecordExit Record(HINSTANCE instance, const TRecordOptions& options, TWin32Console& console) {
    TCommandWindow window(instance);
    if (window.Handle() == nullptr) {
        console.PrintError("The recording's hidden window cannot be created.");
        return TRecordExit::NotWritten;
    }
    // The directory watchers draw their completion keys from it.
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // The progress of the captures, on a console someone watches.
    const std::unique_ptr<IConsoleLine> progressOutput =
        options.Quiet ? nullptr : InteractiveConsoleLine(console.Output());
    TProgressLine progress(progressOutput.get(), [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    });
    TProgressConsole lines(console, progress);
    TConsoleCaptureDisplay display(window, progress);

    TConsoleMessageBoxes boxes(lines);
    TConsoleRegWarnings warnings(lines);
    TWin32DriveInfo drives;
    TWin32DirectoryWatching watching(window.Handle(), boxes);

    TWin32Registry registry;
    TSettingsOverlay overlay(registry);
    TSettings settings(overlay);
    TakeFirstRunDefaults(settings, boxes, {watching.Available(), Narrow(ExecutableDirectory()), [&drives] {
                                               return DefaultScanPaths(drives, MapsWholeHost);
                                           }});
    ApplyRecordOptions(options, settings);

    TWin32FileSystem files;
    TWin32LocalTime clock;
    TWin32ProcessSnapshot processes;
    TWin32WarningsSource warningsSource(ExecutableDirectory());
    TWin32IgnoreFiles ignoreFiles;
    TWin32ReportFiles reportFiles;
    const TWin32ReportLocale locale;
    const std::unique_ptr<TSHChangeNotify> shellComponent = NewShellComponent(window.Handle(), drives);
    TShellMonitor shell(*shellComponent);
    TRecordingSession session(settings, TCapturePlatform{registry, files, clock, drives, processes, shell, watching,
                                                         display, warningsSource, warnings});
    const TConsoleInterrupt interrupt(window.Handle());
    TWin32CommandHost host(window, processes, settings, boxes, ignoreFiles, console.Input(), interrupt);
    TCommandRecording recording(session, settings, {host, lines, {reportFiles, locale, clock, boxes}},
                                Narrow(ExecutableDirectory()));
    return recording.Run(options);
}

} // namespace

int RunRecordCommand(HINSTANCE instance, const std::vector<std::string>& arguments) {
    TWin32Console console;
    TRecordOptions options;
    std::string error;
    if (!ParseRecordOptions(arguments, options, error) ||
        (!options.Help && !CheckScanDirectories(options, DirectoryState, error))) {
        console.PrintError(error);
        console.PrintError("");
        console.PrintError(RecordUsageText());
        return static_cast<int>(TRecordExit::Usage);
    }
    if (options.Help) {
        console.Print(RecordUsageText());
        return static_cast<int>(TRecordExit::NoChanges);
    }
    const TUniqueHandleObject mutex(::CreateMutexW(nullptr, TRUE, kRecordingMutex));
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        console.PrintError("Another recording from the command line is running; only one can run at a time.");
        return static_cast<int>(TRecordExit::Usage);
    }
    ResolvePaths(options);
    if (!CheckDistinctFiles(options, error)) {
        console.PrintError(error);
        return static_cast<int>(TRecordExit::Usage);
    }
    const int code = static_cast<int>(Record(instance, options, console));
    ::ReleaseMutex(mutex.Get());
    return code;
}

} // namespace quill
