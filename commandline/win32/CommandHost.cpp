#include "commandline/win32/CommandHost.h"

#include "commandline/ProgramSearch.h"
#include "commandline/win32/Win32ProgramLookup.h"
#include "common/ScopeExit.h"
#include "common/win32/WinText.h"
#include "filter/win32/ResultsFilterForm.h"
#include "recording/win32/ProgramLauncher.h"
#include "report/win32/Win32PackageEnvironment.h"
#include "report/win32/Win32PackageFiles.h"

#include <winioctl.h>
#include <winternl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace quill {
namespace {

// How often a wait with a timeout looks at the clock.
constexpr UINT kTickMilliseconds = 250;

// What the reader of the console's input and the wait share; whichever ends
// last releases it, since a reader blocked in its read is left behind when
// the time runs out.
struct TEnterState {
    HANDLE Input = nullptr;
    TUniqueHandleObject Read{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> Ended{false}; // the input ended without a line
};

void ReadLine(const std::shared_ptr<TEnterState>& state) noexcept {
    char buffer[256];
    DWORD count = 0;
    bool lineEnded = false;
    while (!lineEnded && ::ReadFile(state->Input, buffer, sizeof(buffer), &count, nullptr) && count != 0) {
        lineEnded = std::string_view(buffer, count).find('\n') != std::string_view::npos;
    }
    state->Ended = !lineEnded;
    ::SetEvent(state->Read.Get());
}

bool IsNullDevice(HANDLE handle) {
    using TQueryVolume = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FS_INFORMATION_CLASS);
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryVolumeInformationFile");
    if (found == nullptr) {
        return false;
    }
    const auto query = reinterpret_cast<TQueryVolume>(reinterpret_cast<void*>(found));
    IO_STATUS_BLOCK status{};
    FILE_FS_DEVICE_INFORMATION device{};
    return query(handle, &status, &device, sizeof(device), FileFsDeviceInformation) >= 0 &&
           device.DeviceType == FILE_DEVICE_NULL;
}

// Whether a read would find the end at once, as far as can be told without
// reading: an input that may still bring a line (a console, a terminal, an
// open pipe) is not at its end.
bool InputAtEnd(HANDLE input) {
    DWORD mode = 0;
    if (::GetConsoleMode(input, &mode)) {
        return false;
    }
    switch (::GetFileType(input)) {
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        return !::PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) &&
               ::GetLastError() == ERROR_BROKEN_PIPE;
    }
    case FILE_TYPE_DISK: {
        LARGE_INTEGER position{};
        LARGE_INTEGER size{};
        return ::SetFilePointerEx(input, LARGE_INTEGER{}, &position, FILE_CURRENT) && ::GetFileSizeEx(input, &size) &&
               position.QuadPart >= size.QuadPart;
    }
    case FILE_TYPE_CHAR:
        return IsNullDevice(input);
    default:
        return false;
    }
}

ULONGLONG Deadline(int timeoutSeconds) {
    return ::GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
}

} // namespace

TWin32CommandHost::TWin32CommandHost(TCommandWindow& window, IProcessSnapshot& processes, const TSettings& settings,
                                     IMessageBoxes& boxes, IIgnoreFiles& ignoreFiles, HANDLE input,
                                     const TConsoleInterrupt& interrupt)
    : FWindow(window), FProcesses(processes), FSettings(settings), FBoxes(boxes), FIgnoreFiles(ignoreFiles),
      FInput(input), FInterrupt(interrupt) {}

std::unique_ptr<IRunningProgram> TWin32CommandHost::StartProgram(const std::string& fileName,
                                                                 const std::vector<std::string>& arguments,
                                                                 TCaptureNotes& notes) {
    TProgramStart start{fileName, JoinCommandLine(arguments), {}};
    // As from the shell, a program found on the search path runs in the
    // current folder, where the files its arguments name are.
    if (!NamesFolder(fileName)) {
        const TProgramSearch search = CurrentProgramSearch();
        TWin32ProgramLookup lookup;
        start.FileName = FindProgram(fileName, search, lookup);
        start.Folder = search.CurrentFolder;
        if (start.FileName.empty()) {
            throw std::runtime_error("It is not in the current folder, in a folder of PATH or under App Paths.");
        }
    }
    std::string whyNot;
    std::unique_ptr<IRunningProgram> program = quill::StartProgram(start, FWindow, FProcesses, notes, whyNot);
    if (!program) {
        throw std::runtime_error(whyNot);
    }
    return program;
}

TWaitEnd TWin32CommandHost::WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) {
    const auto end = [this](bool ended) {
        return ended ? TWaitEnd::Done : FInterrupt.Pressed() ? TWaitEnd::Interrupted : TWaitEnd::TimeRanOut;
    };
    if (!timeoutSeconds) {
        return end(program.WaitForExit([this] { return !FInterrupt.Pressed(); }));
    }
    const ULONGLONG deadline = Deadline(*timeoutSeconds);
    FWindow.Tick(kTickMilliseconds);
    const TScopeExit stopTicking([this] { FWindow.Tick(0); });
    return end(
        program.WaitForExit([this, deadline] { return !FInterrupt.Pressed() && ::GetTickCount64() < deadline; }));
}

TWaitEnd TWin32CommandHost::WaitForEnter(std::optional<int> timeoutSeconds) {
    auto state = std::make_shared<TEnterState>();
    DWORD count = 0;
    if (FInput != nullptr && state->Read) {
        state->Input = FInput;
        std::thread(ReadLine, state).detach();
        count = 1;
    }
    const HANDLE read = state->Read.Get();
    const ULONGLONG deadline = timeoutSeconds ? Deadline(*timeoutSeconds) : 0;
    while (!FInterrupt.Pressed()) {
        DWORD wait = INFINITE;
        if (timeoutSeconds) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline) {
                return TWaitEnd::TimeRanOut;
            }
            wait = static_cast<DWORD>(deadline - now);
        } else if (count == 0) {
            // Neither a line nor the clock could end the wait.
            return TWaitEnd::InputEnded;
        }
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, &read, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 1 && woken == WAIT_OBJECT_0) {
            if (!state->Ended) {
                return TWaitEnd::Done;
            }
            count = 0;
        } else if (woken == WAIT_OBJECT_0 + count) {
            FWindow.ProcessMessages();
        } else {
            return TWaitEnd::TimeRanOut;
        }
    }
    return TWaitEnd::Interrupted;
}

bool TWin32CommandHost::InputEnded() {
    return FInput == nullptr || InputAtEnd(FInput);
}

bool TWin32CommandHost::Interrupted() {
    return FInterrupt.Pressed();
}

void TWin32CommandHost::ApplyResultFilter(TSessionStore& store) {
    quill::ApplyResultFilter(FSettings, FBoxes, FIgnoreFiles, store);
}

std::string TWin32CommandHost::ReadFile(const std::string& path) {
    return TWin32PackageFiles().Read(path);
}

void TWin32CommandHost::WriteFile(const std::string& path, std::string_view bytes) {
    TWin32PackageFiles().Write(path, bytes);
}

void TWin32CommandHost::MakeFolders(const std::string& folder) {
    TWin32PackageFiles().MakeFolders(folder);
}

TPackageEnvironment TWin32CommandHost::PackageEnvironment() {
    return Win32PackageEnvironment();
}

} // namespace quill
