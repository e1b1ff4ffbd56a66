#include "monitor/win32/WaitThread.h"

#include "monitor/ChangeRecords.h"
#include "monitor/win32/FSWatch.h"

#include <stdexcept>
#include <string>

namespace quill {

TWaitThread::TWaitThread(TfrmFSWatch& watch) : FWatch(watch) {
    FThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &FThreadId));
    if (!FThread) {
        throw std::runtime_error("the watcher's thread cannot be created");
    }
}

TWaitThread::~TWaitThread() {
    if (!FStarted) {
        ::ResumeThread(FThread.Get());
    }
    WaitFor();
}

void TWaitThread::Start() {
    FStarted = true;
    ::ResumeThread(FThread.Get());
}

void TWaitThread::WaitFor() {
    ::WaitForSingleObject(FThread.Get(), INFINITE);
}

// Asked by the thread itself as it ends: Wine knows no times of a thread
// that has ended.
void TWaitThread::MeasureCpuTime() noexcept {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        FCpuTime = ticks(kernel) + ticks(user);
    }
}

DWORD WINAPI TWaitThread::ThreadProc(void* self) noexcept {
    auto& thread = *static_cast<TWaitThread*>(self);
    if (!thread.FStarted) {
        return 0;
    }
    std::string reason;
    try {
        thread.Execute();
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = "an unknown error";
    }
    if (!reason.empty()) {
        try {
            thread.FWatch.FJournal.AddNote(kStoppedWatching, thread.FWatch.FDirectory + " (" + reason + ")");
        } catch (...) {
            // Out of memory: nothing is left to tell it with.
        }
    }
    thread.MeasureCpuTime();
    return 0;
}

void TWaitThread::Execute() {
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        const BOOL succeeded = ::GetQueuedCompletionStatus(FWatch.FPort.Get(), &bytes, &key, &overlapped, INFINITE);
        const DWORD error = succeeded ? ERROR_SUCCESS : ::GetLastError();
        if (overlapped == nullptr) {
            // The stop request, or a port that no longer works.
            return;
        }
        if (!FWatch.ReadCompleted(succeeded != FALSE, error, bytes)) {
            return;
        }
    }
}

} // namespace quill
