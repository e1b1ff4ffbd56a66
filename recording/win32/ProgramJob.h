#pragma once

#include "common/win32/UniqueHandle.h"
#include "recording/ProcessFamily.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace quill {

// The creation time of a process in the platform's file-time units; 0 when it
// cannot be asked.
std::uint64_t CreationTimeOf(HANDLE process);

// A job object whose last process ending sets an event. A listener thread
// takes the job's messages from its completion port, since the port itself is
// not something a window's wait can include; it also keeps every process that
// joined, for the processes they may have started outside the job.
class TProgramJob {
public:
    // Null when the platform refuses a job or its port.
    static std::unique_ptr<TProgramJob> Create();
    ~TProgramJob();
    TProgramJob(const TProgramJob&) = delete;
    TProgramJob& operator=(const TProgramJob&) = delete;

    // False with the system's error when the process cannot join (it may
    // already belong to a job that forbids nesting).
    bool Assign(HANDLE process);
    bool Empty() const noexcept { return FAssigned == 0; }
    // Signalled once no process of the job runs any more.
    HANDLE Finished() const noexcept { return FFinished.Get(); }
    // Every process that has joined so far; MembersLost says when one could
    // not be kept.
    TProcessFamily Members() const;
    bool MembersLost() const noexcept { return FMembersLost; }

private:
    TProgramJob() = default;
    void Listen() noexcept;
    void Join(std::uint32_t processID);

    TUniqueHandleObject FJob;
    TUniqueHandleObject FPort;
    TUniqueHandleObject FFinished;
    std::thread FListener;
    int FAssigned = 0;
    mutable std::mutex FMembersLock;
    std::unordered_map<std::uint32_t, TUniqueHandleObject> FMembers;
    std::atomic<bool> FMembersLost = false;
};

} // namespace quill
