#include "app/ProgramRecorder.h"

#include "app/tests/ControllerFixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace quill {
namespace {

constexpr std::string_view kReport = "WriteReport C:\\Tools\\QuillborneReport.html";

class TFakeSnapshot : public IProcessSnapshot {
public:
    bool TakeSnapshot(std::vector<TProcessEntry>& entries) override {
        entries = Entries;
        return Available;
    }
    std::uint32_t OwnProcessID() const override { return 0; }

    std::vector<TProcessEntry> Entries;
    bool Available = true;
};

class TFakeHost;

// Ends, unless the wizard has left its step by then, once the host's
// DuringWait has run.
class TFakeProgram : public IRunningProgram {
public:
    explicit TFakeProgram(TFakeHost& host) : FHost(host) {}
    bool WaitForExit(const std::function<bool()>& keepWaiting) override;

private:
    TFakeHost& FHost;
};

class TFakeHost : public IProgramHost {
public:
    bool ChooseProgram(std::string& fileName) override {
        fileName = Chosen;
        return !Chosen.empty();
    }
    std::unique_ptr<IRunningProgram> StartProgram(const std::string& fileName) override {
        Started.push_back(fileName);
        return CanStart ? std::make_unique<TFakeProgram>(*this) : nullptr;
    }
    std::unique_ptr<IRunningProgram> FollowProcess(const TProcessName& process) override {
        Followed.push_back(process.ProcessID);
        return std::make_unique<TFakeProgram>(*this);
    }
    std::uint64_t CreationTime(std::uint32_t processID) override {
        const auto found = Created.find(processID);
        return found == Created.end() ? 0 : found->second;
    }
    bool AskRecordProcess(const std::string& name) override {
        Asked.push_back(name);
        if (OnAsk) {
            OnAsk();
        }
        if (Answers.empty()) {
            return false;
        }
        const bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void SendToTray() override { ++SentToTray; }
    void RestoreFromTray() override { Restored = true; }

    std::string Chosen;
    bool CanStart = true;
    std::vector<std::string> Started;
    std::vector<std::uint32_t> Followed;
    std::map<std::uint32_t, std::uint64_t> Created;
    std::vector<std::string> Asked;
    std::deque<bool> Answers;
    std::function<void()> OnAsk;
    int SentToTray = 0;
    bool Restored = false;
    std::vector<int> StepsAtWait;
    // Runs inside the wait, as the window's messages do.
    std::function<void()> DuringWait;
    std::function<int()> Step;
};

bool TFakeProgram::WaitForExit(const std::function<bool()>& keepWaiting) {
    FHost.StepsAtWait.push_back(FHost.Step());
    if (FHost.DuringWait) {
        FHost.DuringWait();
    }
    return keepWaiting();
}

class ProgramRecorder : public test::SessionController {
protected:
    TFakeSnapshot FSnapshot;
    TFakeHost FHost;
    TProgramRecorder FRecorder{FController, FView, FHost, FSnapshot, FMessages};

    void Start(std::string_view watched, std::string_view skipSteps = "N") {
        Settled();
        Store("Processes", watched);
        Store("WatchProcesses", "Y");
        Store("SkipSteps", skipSteps);
        FHost.Step = [this] { return FController.Step(); };
        FController.Create(false);
        FHost.Restored = false;
    }

    void Running(std::string exeFile, std::uint32_t processID) {
        FSnapshot.Entries.push_back(TProcessEntry{std::move(exeFile), processID, 4, 1, 8});
    }
};

TEST_F(ProgramRecorder, AWatchedNameMatchesTheWholeFileNameWithoutRegardToCase) {
    struct TCase {
        const char* Watched;
        const char* Running;
        bool Offered;
    };
    const TCase cases[] = {
        {"SETUP.EXE", "setup.exe", true},
        {"setup.exe", "SeTuP.ExE", true},
        {"setup.exe", "C:\\Downloads\\setup.exe", true},
        {"setup.exe", "setup.exe.bak", false},
        {"setup.exe", "mysetup.exe", false},
        {"setup.exe", "setup", false},
        {"set*.exe", "setup.exe", false},
        {"C:\\Downloads\\setup.exe", "setup.exe", false},
        {"other.exe*SETUP.exe", "setup.exe", true},
    };
    for (const TCase& c : cases) {
        TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
        TProgramRecorder recorder(controller, FView, FHost, FSnapshot, FMessages);
        Store("Processes", c.Watched);
        controller.Create(false);
        FSnapshot.Entries.clear();
        Running(c.Running, 100);
        FHost.Asked.clear();
        recorder.Tick();
        EXPECT_EQ(FHost.Asked.size(), c.Offered ? 1u : 0u) << c.Watched << " / " << c.Running;
    }
}

TEST_F(ProgramRecorder, ADeclinedInstanceIsNeverOfferedAgainButANewInstanceIs) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FHost.Created[100] = 7000;
    FRecorder.Tick();
    FRecorder.Tick();
    EXPECT_EQ(FHost.Asked.size(), 1u);
    FSnapshot.Entries.clear();
    Running("setup.exe", 101);
    FRecorder.Tick();
    EXPECT_EQ(FHost.Asked.size(), 2u);
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_TRUE(FView.TimerEnabled);
}

TEST_F(ProgramRecorder, AReusedProcessIdIsANewInstance) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FHost.Created[100] = 7000;
    // The declined process ends while its prompt is open and a new one gets
    // its id.
    FHost.OnAsk = [this] { FHost.Created[100] = 9000; };
    FRecorder.Tick();
    FHost.OnAsk = nullptr;
    FRecorder.Tick();
    EXPECT_EQ(FHost.Asked.size(), 2u);
}

TEST_F(ProgramRecorder, TwoInstancesAreOfferedInSnapshotOrder) {
    Start("setup.exe");
    Running("setup.exe", 100);
    Running("setup.exe", 200);

    FHost.Answers = {false, false};
    FRecorder.Tick();
    EXPECT_EQ(FHost.Asked.size(), 2u) << "declining the first offers the second in the same tick";

    TProgramRecorder recorder(FController, FView, FHost, FSnapshot, FMessages);
    FHost.Asked.clear();
    FHost.Answers = {true, false};
    recorder.Tick();
    EXPECT_EQ(FHost.Followed, (std::vector<std::uint32_t>{100}));
    EXPECT_EQ(FHost.Asked.size(), 1u) << "accepting the first leaves the second to a later tick";
    recorder.Tick();
    EXPECT_EQ(FHost.Asked.size(), 2u);
}

TEST_F(ProgramRecorder, ATickAtStepThreeOrLaterDoesNothing) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FController.Execute(TAction::StartRecording);
    ASSERT_EQ(FController.Step(), 5);
    FRecorder.Tick();
    EXPECT_TRUE(FHost.Asked.empty());
    EXPECT_TRUE(FView.TimerEnabled);
}

TEST_F(ProgramRecorder, NoSnapshotFindsNothing) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FSnapshot.Available = false;
    FRecorder.Tick();
    EXPECT_TRUE(FHost.Asked.empty());
}

TEST_F(ProgramRecorder, AnAcceptedPromptRecordsUntilTheProgramExits) {
    for (const char* skipSteps : {"N", "Y"}) {
        FServices.Calls.clear();
        FHost.StepsAtWait.clear();
        TProgramRecorder recorder(FController, FView, FHost, FSnapshot, FMessages);
        Start("setup.exe", skipSteps);
        FSnapshot.Entries.clear();
        Running("Setup.exe", 100);
        FHost.Answers = {true};
        FHost.DuringWait = [this] { EXPECT_FALSE(FView.TimerEnabled) << "no second tick during the wait"; };
        recorder.Tick();
        EXPECT_EQ(FHost.StepsAtWait, (std::vector<int>{5})) << skipSteps;
        EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore", "CaptureAfter", std::string(kReport)}));
        EXPECT_EQ(FServices.Reported.ProgramName, "Setup.exe");
        EXPECT_TRUE(FServices.Reported.StartedAutomatically);
        EXPECT_FALSE(FServices.Reported.StoppedManually);
        EXPECT_EQ(FHost.SentToTray, 1);
        EXPECT_TRUE(FHost.Restored);
        EXPECT_LE(FController.Step(), 2);
        EXPECT_TRUE(FView.TimerEnabled);
        FHost.SentToTray = 0;
        FHost.Restored = false;
    }
}

TEST_F(ProgramRecorder, StoppingByHandDuringTheWaitReportsAManualStop) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FHost.Answers = {true};
    FHost.DuringWait = [this] { FController.Execute(TAction::StopRecording); };
    FRecorder.Tick();
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore", "CaptureAfter", std::string(kReport)}));
    EXPECT_TRUE(FServices.Reported.StartedAutomatically);
    EXPECT_TRUE(FServices.Reported.StoppedManually);
    EXPECT_FALSE(FHost.Restored) << "the window stays in the notification area";
}

TEST_F(ProgramRecorder, TerminatingDuringTheWaitStopsNothing) {
    Start("setup.exe");
    Running("setup.exe", 100);
    FHost.Answers = {true};
    FHost.DuringWait = [this] { FView.IsTerminating = true; };
    FRecorder.Tick();
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore"}));
    EXPECT_FALSE(FView.TimerEnabled);
}

TEST_F(ProgramRecorder, RunProgramRecordsALaunchedProgramUntilItExits) {
    Start("");
    FHost.Chosen = "C:\\Downloads\\setup.msi";
    FRecorder.RunProgram();
    EXPECT_EQ(FHost.Started, (std::vector<std::string>{"C:\\Downloads\\setup.msi"}));
    EXPECT_EQ(FHost.StepsAtWait, (std::vector<int>{5}));
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore", "CaptureAfter", std::string(kReport)}));
    EXPECT_EQ(FServices.Reported.ProgramName, "C:\\Downloads\\setup.msi");
    EXPECT_FALSE(FServices.Reported.StartedAutomatically);
    EXPECT_FALSE(FServices.Reported.StoppedManually);
    EXPECT_TRUE(FHost.Restored);
    EXPECT_EQ(FController.Step(), 1);
}

TEST_F(ProgramRecorder, RunProgramCancelledDoesNothing) {
    Start("");
    FRecorder.RunProgram();
    EXPECT_TRUE(FServices.Calls.empty());
    EXPECT_EQ(FController.Step(), 1);
}

TEST_F(ProgramRecorder, AProgramThatCannotStartAsksWhetherToAbort) {
    Start("");
    FHost.Chosen = "C:\\Downloads\\broken.exe";
    FHost.CanStart = false;
    FMessages.Answers = {TMessageAnswer::Yes};
    FRecorder.RunProgram();
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text,
              "The program (C:\\Downloads\\broken.exe) could not be started. Abort recording?");
    EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore", "CaptureAfter(abort)"}));
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_EQ(FHost.SentToTray, 0);
}

TEST_F(ProgramRecorder, DecliningTheAbortKeepsRecordingWithoutAProgram) {
    Start("");
    FHost.Chosen = "C:\\Downloads\\broken.exe";
    FHost.CanStart = false;
    FMessages.Answers = {TMessageAnswer::No};
    FRecorder.RunProgram();
    EXPECT_EQ(FController.Step(), 5);
    FController.Execute(TAction::Yes);
    EXPECT_EQ(FServices.Reported.ProgramName, "");
    EXPECT_TRUE(FServices.Reported.StoppedManually);
}

} // namespace
} // namespace quill
