#pragma once

#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <thread>

namespace quill {

// A job object whose last process ending sets an event. A listener thread
// takes the job's messages from its completion port, since the port itself is
// not something a window's wait can include.
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

private:
    TProgramJob() = default;
    void Listen() noexcept;

    TUniqueHandleObject FJob;
    TUniqueHandleObject FPort;
    TUniqueHandleObject FFinished;
    std::thread FListener;
    int FAssigned = 0;
};

} // namespace quill
