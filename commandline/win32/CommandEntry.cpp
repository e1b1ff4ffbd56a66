#include "commandline/win32/CommandEntry.h"

#include "commandline/CommandRecording.h"
#include "commandline/win32/CommandConsole.h"
#include "commandline/win32/CommandHost.h"
#include "commandline/win32/CommandWindow.h"
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
#include "settings/SettingsOverlay.h"
#include "snapshot/win32/Win32FileSystem.h"

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

void ResolvePaths(TRecordOptions& options) {
    options.ReportFile = FullPath(options.ReportFile);
    options.JsonFile = FullPath(options.JsonFile);
    options.UndoFile = FullPath(options.UndoFile);
    options.Program = FullPath(options.Program);
    options.SaveBeforeFile = FullPath(options.SaveBeforeFile);
    options.AfterFile = FullPath(options.AfterFile);
}

TRecordExit Record(HINSTANCE instance, const TRecordOptions& options, TWin32Console& console) {
    TCommandWindow window(instance);
    if (window.Handle() == nullptr) {
        console.PrintError("The recording's hidden window cannot be created.");
        return TRecordExit::NotWritten;
    }
    // The directory watchers draw their completion keys from it.
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    TWin32Registry registry;
    TSettingsOverlay overlay(registry);
    TSettings settings(overlay);
    ApplyRecordOptions(options, settings);

    TConsoleMessageBoxes boxes(console);
    TConsoleRegWarnings warnings(console);
    TWin32FileSystem files;
    TWin32LocalTime clock;
    TWin32DriveInfo drives;
    TWin32ProcessSnapshot processes;
    TWin32WarningsSource warningsSource(ExecutableDirectory());
    TWin32IgnoreFiles ignoreFiles;
    TWin32ReportFiles reportFiles;
    const TWin32ReportLocale locale;
    const std::unique_ptr<TSHChangeNotify> shellComponent = NewShellComponent(window.Handle(), drives);
    TShellMonitor shell(*shellComponent);
    TWin32DirectoryWatching watching(window.Handle(), boxes);
    TRecordingSession session(settings, TCapturePlatform{registry, files, clock, drives, processes, shell, watching,
                                                         window, warningsSource, warnings});
    TWin32CommandHost host(window, processes, settings, boxes, ignoreFiles, console.Input());
    TCommandRecording recording(session, settings, {host, console, {reportFiles, locale, clock, boxes}},
                                Narrow(ExecutableDirectory()));
    return recording.Run(options);
}

} // namespace

int RunRecordCommand(HINSTANCE instance, const std::vector<std::string>& arguments) {
    TWin32Console console;
    TRecordOptions options;
    std::string error;
    if (!ParseRecordOptions(arguments, options, error)) {
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
    const int code = static_cast<int>(Record(instance, options, console));
    ::ReleaseMutex(mutex.Get());
    return code;
}

} // namespace quill
