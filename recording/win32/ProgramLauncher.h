#pragma once

#include "common/CaptureNotes.h"
#include "common/ProcessList.h"
#include "recording/MessagePump.h"
#include "recording/RunningProgram.h"

#include <memory>
#include <string>

namespace quill {

// What to start, and where.
struct TProgramStart {
    std::string FileName;
    // The rest of the command line, quoted as the program expects; may be
    // empty.
    std::string Arguments;
    // The working directory; empty: the program's own folder.
    std::string Folder;
};

// Starts the chosen file inside a job, so that the wait also covers whatever
// the program starts: programs (.exe, .com) directly, created suspended until
// they belong to the job; any other file through the shell's "open". Null
// when nothing was started, with the reason in whyNot.
std::unique_ptr<IRunningProgram> StartProgram(const TProgramStart& start, IMessagePump& view,
                                              IProcessSnapshot& processes, TCaptureNotes& notes, std::string& whyNot);

// Follows a running process and the processes it has started by now, through
// a job where the platform allows one, else through its handle, else through
// the snapshot. Every fallback is noted.
std::unique_ptr<IRunningProgram> FollowProcess(const TProcessName& process, IMessagePump& view,
                                               IProcessSnapshot& processes, TCaptureNotes& notes);

// The creation time of a running process in the platform's file-time units; 0
// when it is gone or cannot be asked.
std::uint64_t ProcessCreationTime(std::uint32_t processID);

} // namespace quill
