#include "recording/win32/RunningProgram.h"

#include "common/TextCompare.h"
#include "common/win32/SystemMessage.h"

#include <algorithm>
#include <string>
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

TWaitableProgram::TWaitableProgram(IMessagePump& view, IProcessSnapshot& processes, TCaptureNotes& notes,
                                   TUniqueHandleObject process, std::unique_ptr<TProgramJob> job)
    : FView(view), FProcesses(processes), FNotes(notes), FProcess(std::move(process)), FJob(std::move(job)) {}

bool TWaitableProgram::WaitForExit(const std::function<bool()>& keepWaiting) {
    if (!FJob || FJob->Empty()) {
        return WaitServingMessages(FProcess.Get(), FView, keepWaiting);
    }
    return WaitServingMessages(FJob->Finished(), FView, keepWaiting) && FollowOutsideJob(keepWaiting);
}

// A process that returned STILL_ACTIVE as its code is told apart from one
// that runs by its handle, which is signalled once it has ended.
std::optional<std::uint32_t> TWaitableProgram::ExitCode() const {
    DWORD code = 0;
    if (::WaitForSingleObject(FProcess.Get(), 0) != WAIT_OBJECT_0 || !::GetExitCodeProcess(FProcess.Get(), &code)) {
        return std::nullopt;
    }
    return code;
}

// A process started with leave to break away from the job does not keep it
// busy. Whatever the job's members started that still runs is followed until
// it ends; then what those started is looked for in the same way.
bool TWaitableProgram::FollowOutsideJob(const std::function<bool()>& keepWaiting) {
    if (FJob->MembersLost()) {
        FNotes.Add(kNotFollowed, "processes started outside the job (a process of the job could not be kept)");
    }
    TProcessFamily family = FJob->Members();
    // Held to the end, so that a followed process's id stays its own.
    std::vector<TUniqueHandleObject> followed;
    for (;;) {
        const std::size_t first = followed.size();
        OpenOutsideChildren(family, followed);
        if (followed.size() == first) {
            return true;
        }
        for (std::size_t i = first; i < followed.size(); ++i) {
            if (!WaitServingMessages(followed[i].Get(), FView, keepWaiting)) {
                return false;
            }
        }
    }
}

void TWaitableProgram::OpenOutsideChildren(TProcessFamily& family, std::vector<TUniqueHandleObject>& followed) {
    std::vector<TProcessEntry> snapshot;
    if (!FProcesses.TakeSnapshot(snapshot)) {
        FNotes.Add(kNotFollowed, "processes started outside the job (the system gave no process snapshot)");
        return;
    }
    for (const TProcessEntry& child : family.NewChildren(snapshot)) {
        const std::string name = ProcessName(child.ExeFile) + " (" + std::to_string(child.ProcessID) + ")";
        TUniqueHandleObject process(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.ProcessID));
        if (!process) {
            const DWORD error = ::GetLastError();
            // An id that names no process any more: it ended after the snapshot.
            if (error != ERROR_INVALID_PARAMETER) {
                FNotes.Add(kNotFollowed, name + " outside the job (" + SystemMessage(error) + ")");
            }
            continue;
        }
        const std::uint64_t created = CreationTimeOf(process.Get());
        if (family.IsChild(child, created)) {
            family.Add(child.ProcessID, created);
            FNotes.Add("Followed outside the job", name);
            followed.push_back(std::move(process));
        }
    }
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
