#include "session/SessionController.h"

#include "common/tests/MemoryRegistry.h"
#include "session/tests/SessionFakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quill {
namespace {

constexpr std::string_view kKey = "Software\\Tarnvale\\Quillborne";

class SessionController : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    test::TFakeView FView;
    test::TFakeServices FServices;
    test::TFakeMessages FMessages;
    TSessionController FController{FSettings, FView, FServices, FMessages, "C:\\Tools\\"};

    void Store(std::string_view name, std::string_view text) {
        FRegistry.SetString(TRegRoot::CurrentUser, kKey, name, text);
    }

    // A program that has run before, so no first-showing message comes.
    void Settled() {
        Store("FirstRun", "N");
        Store("Version", "Quillborne v2.0");
    }

    int EnabledLabel() const {
        const auto& labels = FView.Wizard.LabelEnabled;
        if (std::count(labels.begin(), labels.end(), true) != 1) {
            return 0;
        }
        return static_cast<int>(std::find(labels.begin(), labels.end(), true) - labels.begin()) + 1;
    }

    // The controller's step, the label the window shows and the row of Yes
    // must always agree.
    void ExpectStep(int step) {
        EXPECT_EQ(FController.Step(), step);
        EXPECT_EQ(EnabledLabel(), step);
        EXPECT_EQ(FView.Wizard.YesTop, 16 + 48 * (step - 1));
        EXPECT_EQ(FView.Wizard.RunProgramTop, FView.Wizard.YesTop);
        EXPECT_EQ(FView.Wizard.TrayHint, StepCaption(step));
        EXPECT_EQ(FView.Wizard.RunProgramVisible, step <= 2);
        EXPECT_EQ(FView.Actions.Enabled(TAction::RunProgram), step <= 2);
        EXPECT_TRUE(FView.Wizard.YesVisible);
    }

    long Count(const std::string& call) const {
        return std::count(FServices.Calls.begin(), FServices.Calls.end(), call);
    }
};

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
    FController.Execute(TAction::StopRecording);
    ASSERT_EQ(FController.Step(), 1);
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StartRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::FreeReport));
    EXPECT_TRUE(FView.Actions.Enabled(TAction::ViewReport));
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
}

TEST_F(SessionController, StoppingWithoutARecordingIsRefused) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StopRecording);
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Error);
    EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::Ok);
    EXPECT_EQ(FMessages.Asked[0].Text, "There is no recording in progress!");
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_EQ(FController.Step(), 1);
    EXPECT_TRUE(FServices.Calls.empty());
}

TEST_F(SessionController, StartingDuringARecordingIsRefused) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::Yes);
    FController.Execute(TAction::Yes);
    ASSERT_EQ(FController.Step(), 4);
    FController.Execute(TAction::StartRecording);
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text, "Recording is already in progress!");
    EXPECT_EQ(FController.Step(), 4);
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StartRecording));
}

TEST_F(SessionController, MultiStepLoopsStopWhenTheProgramIsEnding) {
    Settled();
    FController.Create(false);
    FView.IsTerminating = true;
    FController.Execute(TAction::StartRecording);
    EXPECT_EQ(FController.Step(), 1);
}

TEST_F(SessionController, CloseAsksFromStepThreeOn) {
    Settled();
    FController.Create(false);
    EXPECT_TRUE(FController.CloseQuery());
    EXPECT_TRUE(FMessages.Asked.empty());
    FController.Execute(TAction::Yes);
    EXPECT_TRUE(FController.CloseQuery());
    FController.Execute(TAction::Yes);
    ASSERT_EQ(FController.Step(), 4);
    FMessages.Answers = {TMessageAnswer::No, TMessageAnswer::Yes};
    EXPECT_FALSE(FController.CloseQuery());
    EXPECT_TRUE(FController.CloseQuery());
    ASSERT_EQ(FMessages.Asked.size(), 2u);
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(FMessages.Asked[0].Text, "Are you sure you want to exit?");
    EXPECT_EQ(Count("OpenDonationPage"), 0);
}

TEST_F(SessionController, TheWindowCannotCloseWhileACaptureRuns) {
    Settled();
    FController.Create(false);
    std::vector<bool> mayClose;
    FServices.OnCapture = [&] { mayClose.push_back(FController.CloseQuery()); };
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    EXPECT_EQ(mayClose, (std::vector<bool>{false, false}));
    EXPECT_TRUE(FMessages.Asked.empty());
    EXPECT_TRUE(FController.CloseQuery());
}

TEST_F(SessionController, FirstRunShowsItsMessageTheSettingsAndStoresTheSwitchesOnce) {
    FController.Create(false);
    FController.FirstShow();
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Kind, TMessageKind::Information);
    EXPECT_EQ(FMessages.Asked[0].Text.rfind("Please specify what events you would like Quillborne to record.", 0), 0u);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog", "StoreFilterSwitches"}));
    FController.FirstShow();
    EXPECT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_TRUE(FController.OfferDonation());
    EXPECT_TRUE(FController.CloseQuery());
    EXPECT_EQ(Count("OpenDonationPage"), 1);
}

TEST_F(SessionController, ANewVersionShowsItsMessageAndStoresTheTitle) {
    Store("FirstRun", "N");
    Store("Version", "Quillborne v1.9");
    FController.Create(false);
    FController.FirstShow();
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text.rfind("You are running a new version of Quillborne.", 0), 0u);
    EXPECT_EQ(FSettings.ReadString("Version"), "Quillborne v2.0");
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"ShowSettingsDialog", "StoreFilterSwitches"}));
}

TEST_F(SessionController, TheVersionIsComparedWithCase) {
    Store("FirstRun", "N");
    Store("Version", "QUILLBORNE V2.0");
    FController.Create(false);
    FController.FirstShow();
    EXPECT_EQ(FMessages.Asked.size(), 1u);
}

TEST_F(SessionController, ASettledProgramShowsNoMessage) {
    Settled();
    FController.Create(false);
    FController.FirstShow();
    EXPECT_TRUE(FMessages.Asked.empty());
    EXPECT_FALSE(FController.OfferDonation());
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

TEST_F(SessionController, ClosingFreesTheSession) {
    Settled();
    FController.Create(false);
    FController.Close();
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"FreeSession"}));
}

} // namespace
} // namespace quill
