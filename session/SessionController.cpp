#include "session/SessionController.h"

#include "common/TextCompare.h"

#include <algorithm>

namespace quill {
namespace {

constexpr std::string_view kStepCaptions[kStepCount] = {
    "1. Close or pause any non-essential programs and services.",
    "2. Is the program ready to install/run (DO NOT INSTALL/RUN UNTIL STEP 4)",
    "3. Scanning files and registry, please wait...",
    "4. Click Yes and proceed to install/run the program.",
    "5. Has the program finished installing/running?",
    "6. Scanning for file and registry changes, please wait...",
    "7. Compiling report...",
};

constexpr char kFirstRunMessage[] =
    "Please specify what events you would like Quillborne to record. This message will only appear the first time "
    "you run Quillborne, but you can change the settings at any time via the menu.";
constexpr char kNewVersionMessage[] = "You are running a new version of Quillborne. You may want to check the "
                                      "settings because default values are being used for the new options.";

} // namespace

std::string_view StepCaption(int step) noexcept {
    return step >= 1 && step <= kStepCount ? kStepCaptions[step - 1] : std::string_view{};
}

TSessionController::TSessionController(TSettings& settings, IMainView& view, ISessionServices& services,
                                       IMessageBoxes& messages, std::string executableDirectory)
    : FSettings(settings), FView(view), FServices(services), FMessages(messages),
      FExecutableDirectory(std::move(executableDirectory)) {}

std::string TSessionController::ComposeReportPath() const {
    std::string path = FSettings.ReadString("ReportDir", FExecutableDirectory);
    // The stored folder usually ends with a backslash already; a second one
    // would only show up in the report's links.
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
        path += '\\';
    }
    return path + std::string(kReportFileName);
}

void TSessionController::LoadWatchedPrograms() {
    std::vector<std::string> programs = FSettings.ReadList("Processes");
    std::stable_sort(programs.begin(), programs.end(), TTextLess{});
    programs.erase(std::unique(programs.begin(), programs.end(),
                               [](const std::string& a, const std::string& b) { return SameText(a, b); }),
                   programs.end());
    FWatchedPrograms = std::move(programs);
}

void TSessionController::Create(bool startupSwitch) {
    FWizard.TrayHint = std::string(kApplicationTitle);
    FOfferDonation = false;
    FReportFile = ComposeReportPath();
    LoadWatchedPrograms();
    FView.SetWatchTimer(FSettings.ReadBool("WatchProcesses"));
    FStep = 1;
    ShowStep();
    if (!startupSwitch) {
        FView.RestoreMainWindow();
    }
}

void TSessionController::Refresh() {
    FView.ShowState(FWizard, FActions);
}

void TSessionController::NextStep() {
    if (FStep < kStepCount) {
        ++FStep;
        FWizard.YesTop += kStepSpacing;
    } else {
        FStep = 1;
        FWizard.YesTop = kFirstYesTop;
    }
    FWizard.RunProgramTop = FWizard.YesTop;
    ShowStep();
}

void TSessionController::ShowStep() {
    FWizard.LabelEnabled.fill(false);
    FWizard.YesEnabled = true;
    FActions.Disable(TAction::RunProgram);
    FWizard.RunProgramVisible = false;
    if (FStep < 1 || FStep > kStepCount) {
        // Any other value starts the wizard over, with Yes on the first row.
        FStep = kStepCount;
        NextStep();
        return;
    }
    FWizard.TrayHint = std::string(StepCaption(FStep));
    FWizard.LabelEnabled[static_cast<std::size_t>(FStep - 1)] = true;
    switch (FStep) {
    case 1:
    case 2:
        FActions.Enable(TAction::RunProgram);
        FWizard.RunProgramVisible = true;
        Refresh();
        if (FStep == 1 && FSettings.ReadBool("SkipSteps")) {
            NextStep();
        }
        break;
    case 3:
        FRecording.StartedAutomatically = false;
        FRecording.StoppedManually = true;
        FRecording.ProgramName.clear();
        FWizard.YesVisible = false;
        Refresh();
        FView.ProcessMessages();
        RunBeforeCapture();
        FWizard.YesVisible = true;
        Refresh();
        NextStep();
        break;
    case 4:
        Refresh();
        if (FSettings.ReadBool("SkipSteps")) {
            NextStep();
        }
        break;
    case 5:
        Refresh();
        break;
    case 6:
        FWizard.YesVisible = false;
        Refresh();
        FView.ProcessMessages();
        RunAfterCapture();
        FWizard.YesVisible = true;
        Refresh();
        NextStep();
        break;
    case 7:
        Refresh();
        FServices.WriteReport(FReportFile, FRecording);
        FActions.Enable(TAction::ViewReport);
        Refresh();
        NextStep();
        break;
    }
    if (FWizard.YesVisible && FWizard.YesEnabled) {
        FView.FocusYes();
    }
}

void TSessionController::RunBeforeCapture() {
    FActions.Disable(TAction::Exit);
    FActions.Disable(TAction::StartRecording);
    // The capture starts a new session: the last one is gone.
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    Refresh();
    FServices.CaptureBefore(FRecording);
    FActions.Enable(TAction::Exit);
    FActions.Enable(TAction::StopRecording);
}

void TSessionController::RunAfterCapture() {
    FActions.Disable(TAction::Exit);
    FActions.Disable(TAction::StopRecording);
    Refresh();
    FServices.CaptureAfter(FRecording, false);
    FActions.Enable(TAction::Exit);
    FActions.Enable(TAction::FreeReport);
    FActions.Enable(TAction::StartRecording);
}

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

void TSessionController::Execute(TAction action) {
    switch (action) {
    case TAction::Yes:
        NextStep();
        break;
    case TAction::Exit:
        // The window runs the close query.
        break;
    case TAction::About:
        FServices.ShowAbout();
        break;
    case TAction::ViewReport:
        ViewReport();
        break;
    case TAction::FreeReport:
        FreeReport();
        break;
    case TAction::FilterResults:
        FServices.ShowFilterDialog();
        break;
    case TAction::ReportSettings:
        ReportSettings();
        break;
    case TAction::FilterDirs:
        FServices.EditIgnoreList(TIgnoreKind::Directories);
        break;
    case TAction::FilterFiles:
        FServices.EditIgnoreList(TIgnoreKind::Files);
        break;
    case TAction::FilterKeys:
        FServices.EditIgnoreList(TIgnoreKind::Keys);
        break;
    case TAction::FilterValues:
        FServices.EditIgnoreList(TIgnoreKind::Values);
        break;
    case TAction::Help:
        FServices.OpenHelp();
        break;
    case TAction::StartRecording:
        StartRecording();
        break;
    case TAction::StopRecording:
        StopRecording();
        break;
    case TAction::RunProgram:
        FServices.RunProgram();
        break;
    }
}

void TSessionController::StartRecording() {
    if (FStep < 3) {
        while (!FView.Terminating() && FStep < 5) {
            NextStep();
        }
        return;
    }
    FActions.Disable(TAction::StartRecording);
    Refresh();
    FMessages.Error("Recording is already in progress!");
}

void TSessionController::StopRecording() {
    if (FStep > 3) {
        while (!FView.Terminating() && FStep > 3) {
            NextStep();
        }
        return;
    }
    FActions.Disable(TAction::StopRecording);
    Refresh();
    FMessages.Error("There is no recording in progress!");
}

void TSessionController::ReportSettings() {
    const std::string oldPath = ComposeReportPath();
    FServices.ShowSettingsDialog();
    FView.SetWatchTimer(FSettings.ReadBool("WatchProcesses"));
    LoadWatchedPrograms();
    const std::string newPath = ComposeReportPath();
    if (SameText(oldPath, newPath)) {
        return;
    }
    // In the middle of a recording the captured data must stay: the after-
    // capture compares against it. The report of this recording goes to the
    // new place.
    if (!RecordingInProgress()) {
        FreeReport();
    }
    FReportFile = newPath;
}

void TSessionController::ViewReport() {
    FServices.WriteReport(FReportFile, FRecording);
}

void TSessionController::FreeReport() {
    FServices.NewSession();
    FRecording.ProgramName.clear();
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    Refresh();
}

bool TSessionController::CloseQuery() {
    // A capture is running (it disabled Exit) and holds the session's data:
    // the window's close box waits for it like the Exit button does.
    if (!FActions.Enabled(TAction::Exit)) {
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

void TSessionController::Close() {
    FServices.FreeSession();
    FRecording.ProgramName.clear();
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
}

} // namespace quill
