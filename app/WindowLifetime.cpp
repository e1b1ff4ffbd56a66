#include "app/SessionController.h"

// The wizard's answers to the window's first showing and its closing, to the
// end of the user's session, and to the recording kept across a restart.

namespace quill {
namespace {

constexpr char kFirstRunMessage[] =
    "Please specify what events you would like Quillborne to record. This message will only appear the first time "
    "you run Quillborne, but you can change the settings at any time via the menu.";
constexpr char kNewVersionMessage[] = "You are running a new version of Quillborne. You may want to check the "
                                      "settings because default values are being used for the new options.";

constexpr char kEndSessionQuestion[] = "Windows wants to shutdown/restart. Do you want to allow this?";

} // namespace

void TSessionController::FirstShow() {
    FView.BringToFront();
    if (FShown) {
        return;
    }
    // Set first: the dialogs below let messages in, and with them another
    // showing of the window.
    FShown = true;
    if (FSettings.ReadBool("FirstRun", true)) {
        FOfferDonation = true;
        FMessages.Information(kFirstRunMessage);
        ReportSettings();
        FServices.StoreFilterSwitches();
    } else if (FSettings.ReadString("Version") != kApplicationTitle) {
        FOfferDonation = true;
        FMessages.Information(kNewVersionMessage);
        ReportSettings();
        FServices.StoreFilterSwitches();
        FSettings.WriteString("Version", kApplicationTitle);
    }
}

bool TSessionController::CloseQuery() {
    // A capture or the report writer is running and holds the session's data:
    // the window's close box waits for it like the Exit button does.
    if (!Actions().Enabled(TAction::Exit)) {
        return false;
    }
    if (FStep >= 3 && !FMessages.Confirm("Are you sure you want to exit?")) {
        return false;
    }
    if (FOfferDonation) {
        FServices.OpenDonationPage();
    }
    return true;
}

void TSessionController::Show() {
    if (ShowEnabled()) {
        FView.RestoreMainWindow();
    }
}

bool TSessionController::EndSessionQuery() {
    // A capture or the report writer cannot stop half-way: asking would offer
    // a choice the close query then refuses.
    if (!Actions().Enabled(TAction::Exit)) {
        return false;
    }
    if (!FMessages.Confirm(kEndSessionQuestion) || !CloseQuery()) {
        return false;
    }
    // Allowed: the session ends, and a recording in progress with it.
    return true;
}

void TSessionController::SaveForRestart() {
    if (FStep != 4 && FStep != 5) {
        return;
    }
    Attempt("The recording could not be kept for the next log-on", {},
            [this] { FServices.SaveForRestart(FRecording); });
}

void TSessionController::OfferResume() {
    if (FStep > 2) {
        return;
    }
    // A question about a recording that is not there would be answered for
    // nothing.
    bool kept = false;
    Attempt("The recording cannot be continued", {}, [this, &kept] {
        FServices.CheckKeptRecording();
        kept = true;
    });
    if (!kept) {
        return;
    }
    if (!FMessages.Confirm("A recording was in progress when Windows restarted. Continue it?")) {
        FServices.DiscardResume();
        return;
    }
    FRecording = TRecordingInfo{};
    bool resumed = false;
    Attempt("The recording cannot be continued", {}, [this, &resumed] {
        FServices.ResumeRecording(FRecording);
        resumed = true;
    });
    if (!resumed) {
        return;
    }
    // As after the before-capture: a new session, a recording to stop.
    FActions.Disable(TAction::StartRecording);
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    FActions.Disable(TAction::SaveInstallerSource);
    FActions.Enable(TAction::StopRecording);
    FStep = 5;
    FWizard.YesTop = kFirstYesTop + (FStep - 1) * kStepSpacing;
    FWizard.RunProgramTop = FWizard.YesTop;
    ShowStep();
}

void TSessionController::EndSession() {
    if (Actions().Enabled(TAction::Exit)) {
        Close();
    }
}

void TSessionController::Close() {
    FServices.FreeSession();
    FRecording.ProgramName.clear();
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    FActions.Disable(TAction::SaveInstallerSource);
}

} // namespace quill
