#include "recording/win32/ProgramJob.h"

namespace quill {
namespace {

constexpr ULONG_PTR kJobKey = 1;
constexpr ULONG_PTR kStopKey = 2;

} // namespace

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
    // its process; following it matters less than the installation working.
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
    return true;
}

void TProgramJob::Listen() noexcept {
    for (;;) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED data = nullptr;
        if (!::GetQueuedCompletionStatus(FPort.Get(), &message, &key, &data, INFINITE) || key == kStopKey) {
            return;
        }
        if (key == kJobKey && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
            ::SetEvent(FFinished.Get());
        }
    }
}

} // namespace quill
