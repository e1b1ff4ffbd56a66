#include "commandline/win32/CommandHost.h"

#include "common/ScopeExit.h"
#include "common/win32/Files.h"
#include "common/win32/WinText.h"
#include "filter/win32/ResultsFilterForm.h"
#include "recording/win32/ProgramLauncher.h"

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

ULONGLONG Deadline(int timeoutSeconds) {
    return ::GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
}

} // namespace

TWin32CommandHost::TWin32CommandHost(TCommandWindow& window, IProcessSnapshot& processes, const TSettings& settings,
                                     IMessageBoxes& boxes, IIgnoreFiles& ignoreFiles, HANDLE input)
    : FWindow(window), FProcesses(processes), FSettings(settings), FBoxes(boxes), FIgnoreFiles(ignoreFiles),
      FInput(input) {}

std::unique_ptr<IRunningProgram> TWin32CommandHost::StartProgram(const std::string& fileName,
                                                                 const std::vector<std::string>& arguments,
                                                                 TCaptureNotes& notes) {
    return quill::StartProgram(fileName, JoinCommandLine(arguments), FWindow, FProcesses, notes);
}

bool TWin32CommandHost::WaitForProgram(IRunningProgram& program, std::optional<int> timeoutSeconds) {
    if (!timeoutSeconds) {
        return program.WaitForExit([] { return true; });
    }
    const ULONGLONG deadline = Deadline(*timeoutSeconds);
    FWindow.Tick(kTickMilliseconds);
    const TScopeExit stopTicking([this] { FWindow.Tick(0); });
    return program.WaitForExit([deadline] { return ::GetTickCount64() < deadline; });
}

void TWin32CommandHost::WaitForEnter(std::optional<int> timeoutSeconds) {
    auto state = std::make_shared<TEnterState>();
    DWORD count = 0;
    if (FInput != nullptr && state->Read) {
        state->Input = FInput;
        std::thread(ReadLine, state).detach();
        count = 1;
    }
    const HANDLE read = state->Read.Get();
    const ULONGLONG deadline = timeoutSeconds ? Deadline(*timeoutSeconds) : 0;
    while (true) {
        DWORD wait = INFINITE;
        if (timeoutSeconds) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline) {
                return;
            }
            wait = static_cast<DWORD>(deadline - now);
        } else if (count == 0) {
            // Neither a line nor the clock could end the wait.
            return;
        }
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, &read, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 1 && woken == WAIT_OBJECT_0) {
            if (!state->Ended) {
                return;
            }
            count = 0;
        } else if (woken == WAIT_OBJECT_0 + count) {
            FWindow.ProcessMessages();
        } else {
            return;
        }
    }
}

void TWin32CommandHost::ApplyResultFilter(TSessionStore& store) {
    quill::ApplyResultFilter(FSettings, FBoxes, FIgnoreFiles, store);
}

std::string TWin32CommandHost::ReadFile(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(Wide(path));
    if (!bytes) {
        throw std::runtime_error(path + " is not there");
    }
    return std::move(*bytes);
}

void TWin32CommandHost::WriteFile(const std::string& path, std::string_view bytes) {
    WriteWholeFile(Wide(path), bytes);
}

} // namespace quill
