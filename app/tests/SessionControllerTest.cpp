#include "app/SessionController.h"

#include "app/tests/SessionFakes.h"
#include "common/tests/MemoryRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <stdexcept>

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

TEST_F(SessionController, ANoToTheEndOfTheSessionRefusesItByItselfAYesGoesOnToTheCloseQuery) {
    constexpr char kEnd[] = "Windows wants to shutdown/restart. Do you want to allow this?";
    constexpr char kExit[] = "Are you sure you want to exit?";
    const auto yes = TMessageAnswer::Yes;
    const auto no = TMessageAnswer::No;
    struct TCase {
        bool Recording;
        std::deque<TMessageAnswer> Answers;
        bool Allowed;
        std::vector<std::string> Asked;
    };
    const TCase cases[] = {
        {false, {no}, false, {kEnd}},
        {false, {yes}, true, {kEnd}},
        {true, {no}, false, {kEnd}},
        {true, {yes, no}, false, {kEnd, kExit}},
        {true, {yes, yes}, true, {kEnd, kExit}},
    };
    for (const TCase& c : cases) {
        Settled();
        test::TFakeMessages messages;
        TSessionController controller(FSettings, FView, FServices, messages, "C:\\");
        controller.Create(false);
        if (c.Recording) {
            controller.Execute(TAction::StartRecording);
        }
        messages.Answers = c.Answers;
        EXPECT_EQ(controller.EndSessionQuery(), c.Allowed) << "recording " << c.Recording << ", " << c.Answers.size();
        std::vector<std::string> asked;
        for (const auto& box : messages.Asked) {
            EXPECT_EQ(box.Buttons, TMessageButtons::YesNo);
            asked.push_back(box.Text);
        }
        EXPECT_EQ(asked, c.Asked) << "recording " << c.Recording << ", " << c.Answers.size();
    }
}

TEST_F(SessionController, TheEndOfTheSessionIsRefusedWithoutAQuestionWhileACaptureRuns) {
    Settled();
    FController.Create(false);
    std::vector<bool> allowed;
    FServices.OnCapture = [&] { allowed.push_back(FController.EndSessionQuery()); };
    FController.Execute(TAction::StartRecording);
    FController.Execute(TAction::StopRecording);
    EXPECT_EQ(allowed, (std::vector<bool>{false, false}));
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(SessionController, ARecordingInProgressNamesItselfWhenTheSessionIsToEnd) {
    Settled();
    FController.Create(false);
    std::vector<std::string> reasons;
    FServices.OnCapture = [&] { reasons.push_back(FView.Wizard.ShutdownBlockReason); };
    EXPECT_EQ(FView.Wizard.ShutdownBlockReason, "");
    FController.Execute(TAction::Yes);
    EXPECT_EQ(FView.Wizard.ShutdownBlockReason, "");
    FController.Execute(TAction::Yes);
    EXPECT_EQ(FView.Wizard.ShutdownBlockReason, "A recording is in progress.");
    FController.Execute(TAction::Yes);
    EXPECT_EQ(FView.Wizard.ShutdownBlockReason, "A recording is in progress.");
    FController.Execute(TAction::Yes);
    EXPECT_EQ(FView.Wizard.ShutdownBlockReason, "");
    EXPECT_EQ(reasons, (std::vector<std::string>{"A recording is in progress.", "A recording is in progress."}));
}

TEST_F(SessionController, ShowIsOfferedAndRestoresOnlyWhileTheWindowIsHidden) {
    Settled();
    FController.Create(true);
    EXPECT_TRUE(FController.ShowEnabled());
    FController.Show();
    EXPECT_TRUE(FView.Shown);
    EXPECT_FALSE(FController.ShowEnabled());
    FController.Show();
    EXPECT_EQ(FView.Restored, 1);
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

namespace quill {
namespace {

constexpr char kResumeQuestion[] = "A recording was in progress when Windows restarted. Continue it?";

TEST_F(SessionController, OnlyARecordingWaitingForTheProgramIsKeptWhenTheSessionEnds) {
    Settled();
    FController.Create(false);
    std::vector<int> kept;
    const auto endSession = [&] {
        const long before = Count("SaveForRestart");
        FController.SaveForRestart();
        if (Count("SaveForRestart") != before) {
            kept.push_back(FController.Step());
        }
    };
    // Steps 3 and 6 end while their captures run.
    FServices.OnCapture = endSession;
    for (int click = 0; click < 6; ++click) {
        endSession();
        FController.Execute(TAction::Yes);
    }
    EXPECT_EQ(kept, (std::vector<int>{4, 5}));
}

TEST_F(SessionController, ARecordingThatCannotBeKeptSaysSo) {
    Settled();
    FController.Create(false);
    FController.Execute(TAction::StartRecording);
    FServices.Failure = "the disk is full";
    FController.SaveForRestart();
    ASSERT_EQ(FMessages.Asked.size(), 1U);
    EXPECT_EQ(FMessages.Asked[0].Text, "The recording could not be kept for the next log-on: the disk is full.");
}

TEST_F(SessionController, ContinuingARecordingGoesOnAtStepFiveAndStopsWithItsReport) {
    Settled();
    FController.Create(false);
    FController.OfferResume();
    ASSERT_EQ(FMessages.Asked.size(), 1U);
    EXPECT_EQ(FMessages.Asked[0].Text, kResumeQuestion);
    EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::YesNo);
    ExpectStep(5);
    EXPECT_EQ(Count("ResumeRecording"), 1);
    EXPECT_EQ(Count("CaptureBefore"), 0);
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StopRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StartRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::ViewReport));

    FController.Execute(TAction::StopRecording);
    ExpectStep(1);
    EXPECT_EQ(Count("CaptureAfter"), 1);
    EXPECT_EQ(FServices.Reported.StartTime, 45000);
    EXPECT_TRUE(FServices.Reported.StoppedManually);
}

TEST_F(SessionController, DecliningToContinueDiscardsTheKeptRecording) {
    Settled();
    FController.Create(false);
    FMessages.Answers = {TMessageAnswer::No};
    FController.OfferResume();
    ExpectStep(1);
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"DiscardResume"}));
}

TEST_F(SessionController, ARecordingThatCannotBeContinuedLeavesTheWizardAtTheStart) {
    Settled();
    FController.Create(false);
    FServices.Failure = "the file is truncated";
    FController.OfferResume();
    ExpectStep(1);
    ASSERT_EQ(FMessages.Asked.size(), 2U);
    EXPECT_EQ(FMessages.Asked[1].Text, "The recording cannot be continued: the file is truncated.");
    EXPECT_TRUE(FView.Actions.Enabled(TAction::StartRecording));
    EXPECT_FALSE(FView.Actions.Enabled(TAction::StopRecording));
}

} // namespace
} // namespace quill
