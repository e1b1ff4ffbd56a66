#include "recording/win32/RunningProgram.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr DWORD kPollInterval = 250;

} // namespace

bool WaitServingMessages(HANDLE handle, IMessagePump& view, const std::function<bool()>& keepWaiting) {
    const DWORD count = handle != nullptr ? 1 : 0;
    while (keepWaiting()) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + count) {
            view.ProcessMessages();
        } else {
            return true;
        }
    }
    return false;
}

TWaitableProgram::TWaitableProgram(IMessagePump& view, TUniqueHandleObject process, std::unique_ptr<TProgramJob> job)
    : FView(view), FProcess(std::move(process)), FJob(std::move(job)) {}

bool TWaitableProgram::WaitForExit(const std::function<bool()>& keepWaiting) {
    const HANDLE waitable = FJob && !FJob->Empty() ? FJob->Finished() : FProcess.Get();
    return WaitServingMessages(waitable, FView, keepWaiting);
}

TPolledProgram::TPolledProgram(IMessagePump& view, IProcessSnapshot& processes, TProcessName process)
    : FView(view), FProcesses(processes), FProcess(std::move(process)) {}

bool TPolledProgram::Running() {
    std::vector<TProcessName> running;
    GetProcessList(FProcesses, running);
    return std::any_of(running.begin(), running.end(), [this](const TProcessName& entry) {
        return entry.ProcessID == FProcess.ProcessID && SameText(entry.Name, FProcess.Name);
    });
}

bool TPolledProgram::WaitForExit(const std::function<bool()>& keepWaiting) {
    ULONGLONG nextPoll = 0;
    while (keepWaiting()) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= nextPoll) {
            if (!Running()) {
                return true;
            }
            nextPoll = now + kPollInterval;
            continue;
        }
        const auto timeout = static_cast<DWORD>(nextPoll - now);
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
            FView.ProcessMessages();
        }
    }
    return false;
}

} // namespace quill
