#pragma once

#include "common/CaptureNotes.h"
#include "common/ProcessList.h"
#include "common/win32/UniqueHandle.h"
#include "recording/MessagePump.h"
#include "recording/RunningProgram.h"
#include "recording/win32/ProgramJob.h"

#include <windows.h>

#include <memory>
#include <string_view>
#include <vector>

namespace quill {

inline constexpr std::string_view kNotFollowed = "Could not follow the started processes";

// Serves the window's messages until the handle is signalled (true) or
// keepWaiting answers false. The thread sleeps in the platform's wait between
// messages; a failing wait counts as the end.
bool WaitServingMessages(HANDLE handle, IMessagePump& view, const std::function<bool()>& keepWaiting);

// A program followed through a handle: a job's finished event or the process
// itself. The job, when there is one, lives as long as the wait. Once the job
// is empty, the processes its members started outside it (and theirs, in
// turn) are followed too, each noted.
class TWaitableProgram : public IRunningProgram {
public:
    TWaitableProgram(IMessagePump& view, IProcessSnapshot& processes, TCaptureNotes& notes, TUniqueHandleObject process,
                     std::unique_ptr<TProgramJob> job);
    bool WaitForExit(const std::function<bool()>& keepWaiting) override;
    std::optional<std::uint32_t> ExitCode() const override;

private:
    bool FollowOutsideJob(const std::function<bool()>& keepWaiting);
    void OpenOutsideChildren(TProcessFamily& family, std::vector<TUniqueHandleObject>& followed);

    IMessagePump& FView;
    IProcessSnapshot& FProcesses;
    TCaptureNotes& FNotes;
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
