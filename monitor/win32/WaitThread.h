#pragma once

#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <cstdint>

namespace quill {

class TfrmFSWatch;

// The worker of one directory watcher: waits on the watcher's completion
// port, journals each filled buffer and issues the next read, until the stop
// request (completion key 0) arrives. Created suspended; the watcher waits
// for it to end and then frees it.
class TWaitThread {
public:
    explicit TWaitThread(TfrmFSWatch& watch);
    // Waits for a started thread to end; one never started ends unrun.
    TWaitThread(const TWaitThread&) = delete;
    TWaitThread& operator=(const TWaitThread&) = delete;
    ~TWaitThread();

    void Start();
    // Returns once the thread has ended.
    void WaitFor();

    DWORD ThreadId() const noexcept { return FThreadId; }
    // User and kernel time the thread used, in 100 ns ticks, once it has
    // ended.
    std::uint64_t CpuTime() const noexcept { return FCpuTime; }

private:
    static DWORD WINAPI ThreadProc(void* self) noexcept;
    void Execute();
    void MeasureCpuTime() noexcept;

    TfrmFSWatch& FWatch;
    TUniqueHandleObject FThread;
    DWORD FThreadId = 0;
    bool FStarted = false;
    std::uint64_t FCpuTime = 0;
};

} // namespace quill
