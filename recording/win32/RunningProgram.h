#pragma once

#include "common/ProcessList.h"
#include "common/win32/UniqueHandle.h"
#include "recording/MessagePump.h"
#include "recording/RunningProgram.h"
#include "recording/win32/ProgramJob.h"

#include <windows.h>

#include <memory>

namespace quill {

// Serves the window's messages until the handle is signalled (true) or
// keepWaiting answers false. The thread sleeps in the platform's wait between
// messages; a failing wait counts as the end.
bool WaitServingMessages(HANDLE handle, IMessagePump& view, const std::function<bool()>& keepWaiting);

// A program followed through a handle: a job's finished event or the process
// itself. The job, when there is one, lives as long as the wait.
class TWaitableProgram : public IRunningProgram {
public:
    TWaitableProgram(IMessagePump& view, TUniqueHandleObject process, std::unique_ptr<TProgramJob> job);
    bool WaitForExit(const std::function<bool()>& keepWaiting) override;

private:
    IMessagePump& FView;
    TUniqueHandleObject FProcess;
    std::unique_ptr<TProgramJob> FJob;
};

// A process that cannot be opened: its snapshot entry is looked for every
// 250 ms.
class TPolledProgram : public IRunningProgram {
public:
    TPolledProgram(IMessagePump& view, IProcessSnapshot& processes, TProcessName process);
    bool WaitForExit(const std::function<bool()>& keepWaiting) override;

private:
    bool Running();

    IMessagePump& FView;
    IProcessSnapshot& FProcesses;
    TProcessName FProcess;
};

} // namespace quill
