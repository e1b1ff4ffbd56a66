#include "recording/win32/ProgramJob.h"

namespace quill {
namespace {

constexpr ULONG_PTR kJobKey = 1;
constexpr ULONG_PTR kStopKey = 2;

} // namespace

std::uint64_t CreationTimeOf(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::unique_ptr<TProgramJob> TProgramJob::Create() {
    std::unique_ptr<TProgramJob> job(new TProgramJob);
    job->FJob.Reset(::CreateJobObjectW(nullptr, nullptr));
    job->FPort.Reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    job->FFinished.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!job->FJob || !job->FPort || !job->FFinished) {
        return nullptr;
    }
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT port{};
    port.CompletionKey = reinterpret_cast<PVOID>(kJobKey);
    port.CompletionPort = job->FPort.Get();
    if (!::SetInformationJobObject(job->FJob.Get(), JobObjectAssociateCompletionPortInformation, &port, sizeof(port))) {
        return nullptr;
    }
    // An installer that asks to leave the job must still be able to start
    // its process: the wait looks for such processes once the job is empty.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    ::SetInformationJobObject(job->FJob.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    job->FListener = std::thread([raw = job.get()] { raw->Listen(); });
    return job;
}

TProgramJob::~TProgramJob() {
    if (FListener.joinable()) {
        ::PostQueuedCompletionStatus(FPort.Get(), 0, kStopKey, nullptr);
        FListener.join();
    }
}

bool TProgramJob::Assign(HANDLE process) {
    if (!::AssignProcessToJobObject(FJob.Get(), process)) {
        return false;
    }
    ++FAssigned;
    Join(::GetProcessId(process));
    return true;
}

// A process's creation time is asked only now: a process that has just
// joined may not have been given one yet.
TProcessFamily TProgramJob::Members() const {
    const std::lock_guard lock(FMembersLock);
    TProcessFamily family;
    for (const auto& [processID, process] : FMembers) {
        family.Add(processID, process ? CreationTimeOf(process.Get()) : 0);
    }
    return family;
}

// The handle stays open while the job lives, so that no other process can
// take the member's id before its children are looked for. A process can end
// before its message is taken: then it has no handle and its creation time
// is unknown.
void TProgramJob::Join(std::uint32_t processID) {
    TUniqueHandleObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processID));
    const std::lock_guard lock(FMembersLock);
    FMembers.try_emplace(processID, std::move(process));
}

void TProgramJob::Listen() noexcept {
    for (;;) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED data = nullptr;
        if (!::GetQueuedCompletionStatus(FPort.Get(), &message, &key, &data, INFINITE) || key == kStopKey) {
            return;
        }
        if (key != kJobKey) {
            continue;
        }
        if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
            try {
                Join(static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(data)));
            } catch (...) {
                FMembersLost = true;
            }
        } else if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
            ::SetEvent(FFinished.Get());
        }
    }
}

} // namespace quill
