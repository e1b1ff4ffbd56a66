#include "app/SessionController.h"

#include "app/tests/ControllerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace quill {
namespace {

using test::SessionController;

TEST_F(SessionController, StartsAtStepOneAndShowsTheWindow) {
    Settled();
    FController.Create(false);
    ExpectStep(1);
    EXPECT_TRUE(FView.Shown);
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StartRecording));
}

TEST_F(SessionController, TheStartupSwitchLeavesTheWindowHidden) {
    FController.Create(true);
    EXPECT_FALSE(FView.Shown);
}

TEST_F(SessionController, YesWalksTheSevenStepsAndWrapsAfterTheReport) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::Yes);
    ExpectStep(2);
    FController.Execute(TAction::Yes); // runs step 3's capture
    ExpectStep(4);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore"}));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StartRecording));
    FController.Execute(TAction::Yes);
    ExpectStep(5);
    FController.Execute(TAction::Yes); // runs step 6's capture and step 7's report
    ExpectStep(1);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"CaptureBefore", "CaptureAfter",
                                                         "WriteReport C:\\Tools\\QuillborneReport.html"}));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StartRecording));
}

TEST_F(SessionController, SkipStepsStartsAtTwoAndOneYesLandsOnFive) {
    Settled();
    Store("SkipSteps", "Y");
    FController.Create(false);
    ExpectStep(2);
    FController.Execute(TAction::Yes);
    ExpectStep(5);
    FController.Execute(TAction::Yes);
    ExpectStep(2);
}

TEST_F(SessionController, StartRecordingEndsAtFiveWhateverSkipStepsSays) {
    for (const char* skip : {"N", "Y"}) {
        Settled();
        Store("SkipSteps", skip);
        TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
        controller.Create(false);
        controller.Execute(TAction::StartRecording);
        EXPECT_EQ(controller.Step(), 5) << "SkipSteps " << skip;
    }
}

TEST_F(SessionController, StopRecordingAtFourRunsTheAfterCaptureAndTheReportAndEndsAtOne) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::Yes);
    ASSERT_EQ(FController.Step(), 1);
    FController.Execute(TAction::Yes);
    FController.Execute(TAction::Yes);
    ASSERT_EQ(FController.Step(), 4);
    FServices.Calls.clear();
    FController.Execute(TAction::StopRecording);
    ExpectStep(1);
    EXPECT_EQ(FServices.Calls,
              (std::vector<std::string>{"CaptureAfter", "WriteReport C:\\Tools\\QuillborneReport.html"}));
}

TEST_F(SessionController, TheCapturesSwitchTheRecordingActions) {
    Settled();
    FController.Create(false);
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
    FController.Execute(TAction::StartRecording);
    ASSERT_EQ(FController.Step(), 5);
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StartRecording));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::SaveInstallerSource));
    FController.Execute(TAction::StopRecording);
    ASSERT_EQ(FController.Step(), 1);
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StartRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::SaveInstallerSource));
}

TEST_F(SessionController, ANewRecordingTakesAwayTheLastReport) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    FController.Execute(TAction::StartRecording);
    // Its data is gone with the new before-capture.
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::SaveInstallerSource));
}

TEST_F(SessionController, TheInstallerSourceOfARecordingIsSavedBesideItsReportUntilTheReportIsFreed) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::SaveInstallerSource);
    EXPECT_EQ(Count("SaveInstallerSource " + FController.ReportFile()), 0);
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    FController.Execute(TAction::SaveInstallerSource);
    EXPECT_EQ(Count("SaveInstallerSource " + FController.ReportFile()), 1);
    FController.Execute(TAction::FreeReport);
    EXPECT_FALSE(FView.Actions.Enabled(TAction::SaveInstallerSource));
}

// The default button, a shortcut, the notification-area menu and another
// program's message all end in the same call: a disabled action does nothing
// whichever way it comes.
TEST_F(SessionController, ADisabledActionDoesNothingHoweverItArrives) {
    struct TCase {
        int Step;
        TAction Action;
    };
    const TCase cases[] = {
        {1, TAction::StopRecording},  {1, TAction::ViewReport}, {1, TAction::FreeReport},
        {4, TAction::StartRecording}, {4, TAction::RunProgram}, {5, TAction::StartRecording},
    };
    Settled();
    for (const TCase& c : cases) {
        TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
        controller.Create(false);
        while (controller.Step() != c.Step) {
            controller.Execute(TAction::Yes);
        }
        ASSERT_FALSE(FView.Actions.Enabled(c.Action));
        FServices.Calls.clear();
        controller.Execute(c.Action);
        EXPECT_EQ(controller.Step(), c.Step) << "action " << static_cast<int>(c.Action) << " at step " << c.Step;
        EXPECT_TRUE(FServices.Calls.empty()) << "action " << static_cast<int>(c.Action) << " at step " << c.Step;
        EXPECT_TRUE(FMessages.Asked.empty()) << "action " << static_cast<int>(c.Action) << " at step " << c.Step;
    }
}

TEST_F(SessionController, ActionsThatArriveBeforeTheWizardIsSetUpMoveNothing) {
    Settled();
    for (const TAction action : {TAction::Yes, TAction::StartRecording, TAction::Exit, TAction::RunProgram}) {
        FController.Execute(action);
    }
    EXPECT_TRUE(FServices.Calls.empty());
    EXPECT_TRUE(FMessages.Asked.empty());
    EXPECT_EQ(FView.CloseRequests, 0);
    FController.Create(false);
    ExpectStep(1);
}

TEST_F(SessionController, ExitClosesTheWindowThroughItsCloseQuery) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::Exit);
    EXPECT_EQ(FView.CloseRequests, 1);
}

// While a capture runs the wizard hides Yes; Enter on the default button and
// Ctrl+Y must not reach it then, nor may anything else move the wizard, close
// the window or start or stop a recording under the capture. Messages come in
// while the window repaints before the capture and from inside the capture.
TEST_F(SessionController, NothingMovesTheWizardWhileACaptureRuns) {
    struct TCase {
        int FromStep;
        int ToStep;
        std::vector<std::string> Calls;
    };
    const TCase cases[] = {
        {2, 4, {"CaptureBefore"}},
        {5, 1, {"CaptureAfter", "WriteReport C:\\QuillborneReport.html"}},
    };
    const TAction delivered[] = {TAction::Yes,  TAction::Yes,        TAction::StartRecording, TAction::StopRecording,
                                 TAction::Exit, TAction::ViewReport, TAction::FreeReport,     TAction::RunProgram};
    Settled();
    for (const TCase& c : cases) {
        for (const bool inCapture : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "from step " << c.FromStep << (inCapture ? ", in" : ", before") << " the capture");
            TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
            controller.Create(false);
            while (controller.Step() != c.FromStep) {
                controller.Execute(TAction::Yes);
            }
            FServices.Calls.clear();
            bool yesShown = true;
            bool yesOffered = true;
            bool closable = true;
            int deliveries = 0;
            // Once: should one of them get through, it must not recurse.
            const auto deliver = [&] {
                if (deliveries++ > 0) {
                    return;
                }
                yesShown = FView.Wizard.YesVisible;
                yesOffered = FView.Actions.Enabled(TAction::Yes);
                closable = controller.CloseQuery();
                for (const TAction action : delivered) {
                    controller.Execute(action);
                }
            };
            FView.OnProcessMessages = inCapture ? std::function<void()>{} : deliver;
            FServices.OnCapture = inCapture ? deliver : std::function<void()>{};
            controller.Execute(TAction::Yes);
            FView.OnProcessMessages = nullptr;
            FServices.OnCapture = nullptr;
            EXPECT_FALSE(yesShown);
            EXPECT_FALSE(yesOffered);
            EXPECT_FALSE(closable);
            EXPECT_EQ(controller.Step(), c.ToStep);
            EXPECT_EQ(FServices.Calls, c.Calls);
            EXPECT_EQ(FView.CloseRequests, 0);
            EXPECT_TRUE(FMessages.Asked.empty());
        }
    }
}

// A capture or the report writer that throws must leave a window that can
// be used and closed: the closing steps run, the user learns what happened,
// and the wizard goes on with what was recorded.
TEST_F(SessionController, WorkThatThrowsStillRunsItsClosingStepsAndTheWizardGoesOn) {
    struct TCase {
        const char* Name;
        std::function<void()> test::TFakeServices::*Hook;
        int FromStep;
        int ToStep;
        std::string Message;
        std::vector<TAction> EnabledAfter;
    };
    const TCase cases[] = {
        {"before-capture",
         &test::TFakeServices::OnCapture,
         2,
         4,
         "Scanning files and registry stopped early: ",
         {TAction::Yes, TAction::Exit, TAction::StopRecording}},
        {"after-capture",
         &test::TFakeServices::OnCapture,
         5,
         1,
         "Scanning for file and registry changes stopped early: ",
         {TAction::Yes, TAction::Exit, TAction::StartRecording, TAction::FreeReport, TAction::ViewReport}},
        {"report",
         &test::TFakeServices::OnWriteReport,
         5,
         1,
         "The report could not be written: ",
         {TAction::Yes, TAction::Exit, TAction::StartRecording, TAction::FreeReport, TAction::ViewReport,
          TAction::ReportSettings}},
    };
    const std::pair<std::function<void()>, std::string> failures[] = {
        {[] { throw std::runtime_error("disk on fire"); }, "disk on fire."},
        {[] { throw 42; }, "unknown error."},
    };
    Settled();
    for (const TCase& c : cases) {
        for (const auto& [fail, reason] : failures) {
            SCOPED_TRACE(testing::Message() << c.Name << " failing with " << reason);
            TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
            controller.Create(false);
            while (controller.Step() != c.FromStep) {
                controller.Execute(TAction::Yes);
            }
            FMessages.Asked.clear();
            FServices.*c.Hook = fail;
            controller.Execute(TAction::Yes);
            FServices.*c.Hook = nullptr;
            EXPECT_EQ(controller.Step(), c.ToStep);
            EXPECT_TRUE(FView.Wizard.YesVisible);
            EXPECT_FALSE(FView.CaptureProgress);
            for (const TAction action : c.EnabledAfter) {
                EXPECT_TRUE(FView.Actions.Enabled(action)) << "action " << static_cast<int>(action);
            }
            ASSERT_EQ(FMessages.Asked.size(), 1u);
            EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Error);
            EXPECT_EQ(FMessages.Asked[0].Text.rfind(c.Message + reason, 0), 0u) << FMessages.Asked[0].Text;
            EXPECT_TRUE(controller.CloseQuery());
        }
    }
}

// Not even a failure to tell of the failure keeps the window from closing.
TEST_F(SessionController, TheClosingStepsRunWhenTheFailureCannotBeShown) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::Yes);
    FServices.OnCapture = [] { throw std::runtime_error("disk on fire"); };
    FMessages.OnShow = [] { throw std::runtime_error("no desktop"); };
    EXPECT_THROW(FController.Execute(TAction::Yes), std::runtime_error);
    EXPECT_TRUE(FView.Wizard.YesVisible);
    EXPECT_FALSE(FView.CaptureProgress);
    EXPECT_TRUE(FView.Actions.Enabled(TAction::Exit));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StopRecording));
}

TEST_F(SessionController, TheCaptureShowsItsProgressWhileItRuns) {
    Settled();
    FController.Create(false);
    std::vector<bool> shown;
    FServices.OnCapture = [&] { shown.push_back(FView.CaptureProgress); };
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    EXPECT_EQ(shown, (std::vector<bool>{true, true}));
    EXPECT_FALSE(FView.CaptureProgress);
}

// The report writer lets messages in too. Nothing may free, replace or
// re-point the session it reads until it is done; the actions are greyed out
// meanwhile and work again afterwards.
TEST_F(SessionController, TheSessionStaysWhileTheReportIsWritten) {
    const std::string written = "WriteReport C:\\Reports\\QuillborneReport.html";
    struct TCase {
        const char* Name;
        TAction Write;
        std::vector<std::string> Calls;
    };
    const TCase cases[] = {{"step 7", TAction::Yes, {"CaptureAfter", written}},
                           {"View Report", TAction::ViewReport, {written}}};
    const TAction delivered[] = {TAction::ReportSettings, TAction::FreeReport, TAction::Exit,      TAction::Yes,
                                 TAction::StartRecording, TAction::RunProgram, TAction::ViewReport};
    Settled();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Store("ReportDir", "C:\\Reports\\");
        TSessionController controller(FSettings, FView, FServices, FMessages, "C:\\");
        controller.Create(false);
        controller.Execute(TAction::StartRecording);
        if (c.Write == TAction::ViewReport) {
            controller.Execute(TAction::StopRecording);
        }
        FServices.Calls.clear();
        FServices.OnSettingsDialog = [&] { Store("ReportDir", "D:\\Elsewhere\\"); };
        bool settingsOffered = true;
        bool closable = true;
        int deliveries = 0;
        FServices.OnWriteReport = [&] {
            if (deliveries++ > 0) {
                return;
            }
            settingsOffered = FView.Actions.Enabled(TAction::ReportSettings);
            closable = controller.CloseQuery();
            for (const TAction action : delivered) {
                controller.Execute(action);
            }
        };
        controller.Execute(c.Write);
        FServices.OnWriteReport = nullptr;
        EXPECT_FALSE(settingsOffered);
        EXPECT_FALSE(closable);
        EXPECT_EQ(FView.CloseRequests, 0);
        EXPECT_TRUE(FMessages.Asked.empty());
        EXPECT_EQ(FServices.Calls, c.Calls);
        EXPECT_EQ(controller.Step(), 1);
        EXPECT_EQ(controller.ReportFile(), "C:\\Reports\\QuillborneReport.html");
        EXPECT_TRUE(FView.Actions.Enabled(TAction::ViewReport));

        // Once written, the new report folder applies as it does at any other time.
        FServices.Calls.clear();
        controller.Execute(TAction::ReportSettings);
        EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog", "NewSession"}));
        EXPECT_EQ(controller.ReportFile(), "D:\\Elsewhere\\QuillborneReport.html");
        FServices.OnSettingsDialog = nullptr;
    }
}

TEST_F(SessionController, MultiStepLoopsStopWhenTheProgramIsEnding) {
    Settled();
    FController.Create(false);
    FView.IsTerminating = true;
    FController.Execute(TAction::StartRecording);
    EXPECT_EQ(FController.Step(), 1);
}

TEST_F(SessionController, TheReportPathComesFromTheReportFolder) {
    Settled();
    FController.Create(false);
    EXPECT_EQ(FController.ReportFile(), "C:\\Tools\\QuillborneReport.html");
    Store("ReportDir", "D:\\Reports");
    EXPECT_EQ(FController.ComposeReportPath(), "D:\\Reports\\QuillborneReport.html");
    Store("ReportDir", "D:\\Reports\\");
    EXPECT_EQ(FController.ComposeReportPath(), "D:\\Reports\\QuillborneReport.html");
}

TEST_F(SessionController, ChangingTheReportFolderOutsideARecordingDiscardsTheSession) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    ASSERT_TRUE(FView.Actions.Enabled(TAction::ViewReport));
    FServices.Calls.clear();
    FServices.OnSettingsDialog = [&] { Store("ReportDir", "D:\\Elsewhere\\"); };
    FController.Execute(TAction::ReportSettings);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog", "NewSession"}));
    EXPECT_EQ(FController.ReportFile(), "D:\\Elsewhere\\QuillborneReport.html");
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::FreeReport));
}

TEST_F(SessionController, ChangingTheReportFolderDuringARecordingKeepsTheSession) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FServices.Calls.clear();
    FServices.OnSettingsDialog = [&] { Store("ReportDir", "D:\\Elsewhere\\"); };
    FController.Execute(TAction::ReportSettings);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog"}));
    FController.Execute(TAction::StopRecording);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog", "CaptureAfter",
                                                         "WriteReport D:\\Elsewhere\\QuillborneReport.html"}));
}

TEST_F(SessionController, AReportFolderChangedOnlyInCaseKeepsTheSession) {
    Settled();
    Store("ReportDir", "C:\\Reports\\");
    FController.Create(false);
    FServices.OnSettingsDialog = [&] { Store("ReportDir", "c:\\REPORTS\\"); };
    FController.Execute(TAction::ReportSettings);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog"}));
    EXPECT_EQ(FController.ReportFile(), "C:\\Reports\\QuillborneReport.html");
}

TEST_F(SessionController, TheSettingsActionRereadsTheProcessWatch) {
    Settled();
    FController.Create(false);
    EXPECT_FALSE(FView.TimerEnabled);
    FServices.OnSettingsDialog = [&] {
        Store("WatchProcesses", "Y");
        Store("Processes", "setup.exe*Install.exe*SETUP.EXE*\"my setup.exe\"");
    };
    FController.Execute(TAction::ReportSettings);
    EXPECT_TRUE(FView.TimerEnabled);
    EXPECT_EQ(FController.WatchedPrograms(), (std::vector<std::string>{"Install.exe", "my setup.exe", "setup.exe"}));
}

TEST_F(SessionController, ViewReportWritesAgainAndFreeReportDiscards) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    FServices.Calls.clear();
    FController.Execute(TAction::ViewReport);
    FController.Execute(TAction::FreeReport);
    EXPECT_EQ(FServices.Calls,
              (std::vector<std::string>{"WriteReport C:\\Tools\\QuillborneReport.html", "NewSession"}));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_EQ(FController.Step(), 1);
}

TEST_F(SessionController, MenuActionsReachTheirDialogs) {
    Settled();
    FController.Create(false);
    for (const TAction action : {TAction::About, TAction::FilterResults, TAction::FilterDirs, TAction::FilterFiles,
                                 TAction::FilterKeys, TAction::FilterValues, TAction::Help, TAction::RunProgram}) {
        FController.Execute(action);
    }
    EXPECT_EQ(FServices.Calls,
              (std::vector<std::string>{"ShowAbout", "ShowFilterDialog", "EditIgnoreList 1", "EditIgnoreList 0",
                                        "EditIgnoreList 2", "EditIgnoreList 3", "OpenHelp", "RunProgram"}));
}

} // namespace
} // namespace quill
