#include "app/SessionController.h"

#include "common/ScopeExit.h"
#include "common/TextCompare.h"
#include "report/ReportName.h"

#include <algorithm>
#include <exception>

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

constexpr char kRecordingBlockReason[] = "A recording is in progress.";

// A blank line between two sentences of a message.
constexpr char kParagraph[] = "\n\r\n\r";

// While the report writer reads the session, nothing may start a recording
// (its before-capture empties the session), free the session, or re-point the
// report file the writer holds.
constexpr TAction kSessionActions[] = {
    TAction::Yes,           TAction::Exit,           TAction::ViewReport,
    TAction::FreeReport,    TAction::ReportSettings, TAction::StartRecording,
    TAction::StopRecording, TAction::RunProgram,     TAction::SaveInstallerSource,
};

} // namespace

std::string_view StepCaption(int step) noexcept {
    return step >= 1 && step <= kStepCount ? kStepCaptions[step - 1] : std::string_view{};
}

TSessionController::TSessionController(TSettings& settings, IMainView& view, ISessionServices& services,
                                       IMessageBoxes& messages, std::string executableDirectory)
    : FSettings(settings), FView(view), FServices(services), FMessages(messages),
      FExecutableDirectory(std::move(executableDirectory)) {}

std::string TSessionController::ComposeReportPath() const {
    return quill::ComposeReportPath(FSettings, FExecutableDirectory);
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
    FCreated = true;
    ShowStep();
    if (!startupSwitch) {
        FView.RestoreMainWindow();
    }
}

TActionStates TSessionController::Actions() const noexcept {
    TActionStates actions = FActions;
    // The window exists, and a message can reach it, while the services are
    // still being connected: nothing moves a wizard that is not set up yet.
    if (!FCreated) {
        for (std::size_t action = 0; action < kActionCount; ++action) {
            actions.Disable(static_cast<TAction>(action));
        }
    }
    if (!FWizard.YesVisible) {
        actions.Disable(TAction::Yes);
    }
    if (FWritingReport) {
        for (const TAction action : kSessionActions) {
            actions.Disable(action);
        }
    }
    return actions;
}

void TSessionController::Refresh() {
    FWizard.ShutdownBlockReason = RecordingInProgress() ? kRecordingBlockReason : "";
    FView.ShowState(FWizard, Actions());
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
        RunBeforeCapture();
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
        RunAfterCapture(false);
        NextStep();
        break;
    case 7:
        WriteReport();
        FActions.Enable(TAction::ViewReport);
        Refresh();
        NextStep();
        break;
    }
    if (Actions().Enabled(TAction::Yes)) {
        FView.FocusYes();
    }
}

// The guards go up before the window lets messages in: from then on a click,
// Enter on the default button or a shortcut must not move the wizard, close
// the window or start or stop a recording under the capture.
void TSessionController::RunBeforeCapture() {
    const TScopeExit closing([this] {
        FActions.Enable(TAction::StopRecording);
        EndCapture();
    });
    FActions.Disable(TAction::StartRecording);
    // The capture starts a new session: the last one is gone.
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    FActions.Disable(TAction::SaveInstallerSource);
    BeginCapture();
    FView.ProcessMessages();
    Attempt("Scanning files and registry stopped early", "The report may list as created what the scan missed.",
            [this] { FServices.CaptureBefore(FRecording); });
}

void TSessionController::RunAfterCapture(bool abort) {
    const TScopeExit closing([this] {
        FActions.Enable(TAction::FreeReport);
        FActions.Enable(TAction::SaveInstallerSource);
        FActions.Enable(TAction::StartRecording);
        EndCapture();
    });
    FActions.Disable(TAction::StopRecording);
    BeginCapture();
    FView.ProcessMessages();
    Attempt("Scanning for file and registry changes stopped early",
            "The report may list as deleted what the scan missed.",
            [this, abort] { FServices.CaptureAfter(FRecording, abort); });
}

void TSessionController::BeginCapture() {
    FWizard.YesVisible = false;
    FActions.Disable(TAction::Exit);
    FView.ShowCaptureProgress(true);
    Refresh();
}

// The closing steps of either capture, whatever the capture did.
void TSessionController::EndCapture() {
    FWizard.YesVisible = true;
    FActions.Enable(TAction::Exit);
    FView.ShowCaptureProgress(false);
    Refresh();
}

void TSessionController::WriteReport() {
    const TScopeExit written([this] {
        FWritingReport = false;
        Refresh();
    });
    FWritingReport = true;
    Refresh();
    Attempt("The report could not be written", {}, [this] { FServices.WriteReport(FReportFile, FRecording); });
}

// A failure that escapes a capture or the report writer ends that work only:
// the user learns of it while the work's guards still hold, and the wizard
// goes on as after any capture, with what was recorded so far.
void TSessionController::Attempt(std::string_view failure, std::string_view consequence,
                                 const std::function<void()>& work) {
    std::string reason;
    try {
        work();
        return;
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        reason = "unknown error";
    }
    std::string message = std::string(failure) + ": " + reason + ".";
    if (!consequence.empty()) {
        message += kParagraph;
        message += consequence;
    }
    FMessages.Error(message);
}

void TSessionController::Execute(TAction action) {
    if (!Actions().Enabled(action)) {
        return;
    }
    switch (action) {
    case TAction::Yes:
        NextStep();
        break;
    case TAction::Exit:
        FView.CloseWindow();
        break;
    case TAction::About:
        FServices.ShowAbout();
        break;
    case TAction::ViewReport:
        WriteReport();
        break;
    case TAction::FreeReport:
        FreeReport();
        break;
    case TAction::SaveInstallerSource:
        Attempt("The installer source could not be written", {},
                [this] { FServices.SaveInstallerSource(FReportFile, FRecording); });
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

void TSessionController::FreeReport() {
    FServices.NewSession();
    FRecording.ProgramName.clear();
    FActions.Disable(TAction::ViewReport);
    FActions.Disable(TAction::FreeReport);
    FActions.Disable(TAction::SaveInstallerSource);
    Refresh();
}

void TSessionController::AbortRecording() {
    if (FStep != 4 && FStep != 5) {
        return;
    }
    RunAfterCapture(true);
    FStep = kStepCount;
    NextStep();
}

void TSessionController::RecordProgram(std::string programName, bool startedAutomatically) {
    if (FStep != 5) {
        return;
    }
    FRecording.ProgramName = std::move(programName);
    FRecording.StartedAutomatically = startedAutomatically;
}

void TSessionController::ProgramExited() {
    if (FStep != 5) {
        return;
    }
    FRecording.StoppedManually = false;
    while (FStep >= 4 && !FView.Terminating()) {
        NextStep();
    }
}

} // namespace quill
