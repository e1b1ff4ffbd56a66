#include "app/tests/ControllerFixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace quill {
namespace {

using test::SessionController;

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

TEST_F(SessionController, ClosingFreesTheSession) {
    Settled();
    FController.Create(false);
    FController.Close();
    EXPECT_EQ(FServices.Calls, (std::vector<std::string>{"FreeSession"}));
}

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

TEST_F(SessionController, WithoutAKeptRecordingNothingIsAskedAndTheWizardStaysAtTheStart) {
    Settled();
    FController.Create(false);
    FServices.Kept = false;
    FController.OfferResume();
    ExpectStep(1);
    ASSERT_EQ(FMessages.Asked.size(), 1U);
    EXPECT_EQ(FMessages.Asked[0].Text, "The recording cannot be continued: the kept recording C:\\Kept.qbcap is not "
                                       "there.");
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
