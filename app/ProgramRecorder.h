#pragma once

#include "app/MainView.h"
#include "app/SessionController.h"
#include "common/MessageBoxes.h"
#include "common/ProcessList.h"
#include "recording/RunningProgram.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quill {

// A process instance the watch has already offered. The creation time tells
// a reused process id from the instance the user declined.
struct TSeenProcess {
    std::string Name;
    std::uint32_t ProcessID = 0;
    std::uint64_t CreationTime = 0;
};

// What the watch and Run Program need from the window and the platform.
class IProgramHost {
public:
    virtual ~IProgramHost() = default;
    // The file-open dialog; false when the user cancels.
    virtual bool ChooseProgram(std::string& fileName) = 0;
    // Null when the file cannot be started.
    virtual std::unique_ptr<IRunningProgram> StartProgram(const std::string& fileName) = 0;
    // Never null: a process that cannot be opened is followed by its
    // snapshot entry.
    virtual std::unique_ptr<IRunningProgram> FollowProcess(const TProcessName& process) = 0;
    // 0 when the process is gone or cannot be asked.
    virtual std::uint64_t CreationTime(std::uint32_t processID) = 0;
    // True when the user wants the process recorded.
    virtual bool AskRecordProcess(const std::string& name) = 0;
    // Minimises the application and hides the main window in the
    // notification area.
    virtual void SendToTray() = 0;
    // Shows the main window again; the notification-area icon keeps its
    // state.
    virtual void RestoreFromTray() = 0;
};

// Ties a recording to a program: the process watch's timer tick and the Run
// Program action, both driving the wizard.
class TProgramRecorder {
public:
    TProgramRecorder(TSessionController& controller, IMainView& view, IProgramHost& host, IProcessSnapshot& processes,
                     IMessageBoxes& messages);

    void Tick();
    void RunProgram();

    const std::vector<TSeenProcess>& SeenProcesses() const noexcept { return FSeenProcesses; }

private:
    bool FindCandidate(TProcessName& candidate);
    bool Seen(const TSeenProcess& process) const;
    bool Watched(const std::string& name) const;
    void ReachRecording();
    void WaitAndStop(IRunningProgram& program);

    TSessionController& FController;
    IMainView& FView;
    IProgramHost& FHost;
    IProcessSnapshot& FProcesses;
    IMessageBoxes& FMessages;
    std::vector<TSeenProcess> FSeenProcesses;
};

} // namespace quill
