#include "app/ProgramRecorder.h"

#include "common/ScopeExit.h"
#include "common/TextCompare.h"

#include <algorithm>

namespace quill {

TProgramRecorder::TProgramRecorder(TSessionController& controller, IMainView& view, IProgramHost& host,
                                   IProcessSnapshot& processes, IMessageBoxes& messages)
    : FController(controller), FView(view), FHost(host), FProcesses(processes), FMessages(messages) {}

bool TProgramRecorder::Watched(const std::string& name) const {
    const auto& watched = FController.WatchedPrograms();
    return std::binary_search(watched.begin(), watched.end(), name, TTextLess{});
}

bool TProgramRecorder::Seen(const TSeenProcess& process) const {
    return std::any_of(FSeenProcesses.begin(), FSeenProcesses.end(), [&](const TSeenProcess& seen) {
        return seen.ProcessID == process.ProcessID && seen.CreationTime == process.CreationTime &&
               SameText(seen.Name, process.Name);
    });
}

bool TProgramRecorder::FindCandidate(TProcessName& candidate) {
    std::vector<TProcessName> running;
    GetProcessList(FProcesses, running);
    for (const TProcessName& process : running) {
        if (!Watched(process.Name)) {
            continue;
        }
        TSeenProcess instance{process.Name, process.ProcessID, FHost.CreationTime(process.ProcessID)};
        if (Seen(instance)) {
            continue;
        }
        FSeenProcesses.push_back(std::move(instance));
        if (FView.Terminating()) {
            continue;
        }
        if (FHost.AskRecordProcess(process.Name)) {
            candidate = process;
            return true;
        }
    }
    return false;
}

void TProgramRecorder::ReachRecording() {
    while (FController.Step() < 5 && !FView.Terminating()) {
        FController.NextStep();
    }
}

void TProgramRecorder::WaitAndStop(IRunningProgram& program) {
    const int step = FController.Step();
    program.WaitForExit([&] { return !FView.Terminating() && FController.Step() == step; });
    if (!FView.Terminating() && FController.Step() == 5) {
        FHost.RestoreFromTray();
        FController.ProgramExited();
    }
}

void TProgramRecorder::Tick() {
    if (FController.Step() >= 3) {
        return;
    }
    FView.SetWatchTimer(false);
    const TScopeExit rearm([this] { FView.SetWatchTimer(!FView.Terminating()); });
    TProcessName candidate;
    if (!FindCandidate(candidate) || FView.Terminating()) {
        return;
    }
    FHost.SendToTray();
    ReachRecording();
    if (FController.Step() != 5) {
        return;
    }
    // Follow the instance from the moment the user accepted: the children it
    // starts during the before-capture belong to the installation too.
    const std::unique_ptr<IRunningProgram> program = FHost.FollowProcess(candidate);
    FController.RecordProgram(candidate.Name, true);
    WaitAndStop(*program);
}

void TProgramRecorder::RunProgram() {
    std::string fileName;
    if (!FHost.ChooseProgram(fileName)) {
        return;
    }
    ReachRecording();
    if (FController.Step() != 5) {
        return;
    }
    const std::unique_ptr<IRunningProgram> program = FHost.StartProgram(fileName);
    if (!program) {
        const TMessageAnswer answer =
            FMessages.Show(TMessageKind::Error, "The program (" + fileName + ") could not be started. Abort recording?",
                           TMessageButtons::YesNo);
        if (answer == TMessageAnswer::Yes) {
            FController.AbortRecording();
        }
        return;
    }
    FHost.SendToTray();
    FController.RecordProgram(fileName, false);
    WaitAndStop(*program);
}

} // namespace quill
