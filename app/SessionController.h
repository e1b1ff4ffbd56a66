#pragma once

#include "app/MainView.h"
#include "app/SessionServices.h"
#include "common/MessageBoxes.h"
#include "settings/Settings.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The texts of the seven steps.
std::string_view StepCaption(int step) noexcept;

// The logic of the main window: the seven-step wizard, the actions and their
// enabled states, the first-showing checks and the close query. The window
// only shows what this decides.
class TSessionController {
public:
    TSessionController(TSettings& settings, IMainView& view, ISessionServices& services, IMessageBoxes& messages,
                       std::string executableDirectory);

    // Window creation: reads the options, shows step 1 and, unless the
    // program was started with the start-up switch, the window.
    void Create(bool startupSwitch);
    // Every showing of the window; the checks run once.
    void FirstShow();
    // Runs an action when it is enabled; a disabled one does nothing, however
    // its command arrives (the default button, a shortcut, the notification-
    // area menu, another program's message).
    void Execute(TAction action);
    // Whether the window may close: never while a capture runs or the report
    // is written, and from step 3 on only when the user confirms. Opens the
    // donation page when it may close and a first-run or new-version message
    // was shown.
    bool CloseQuery();
    // The window is closing for good.
    void Close();
    // The system asks whether the user's session may end. The user's No
    // refuses it by itself; a Yes goes on to the close query. The one place
    // the end of the session is allowed, whether or not a recording is in
    // progress.
    bool EndSessionQuery();
    // The user's session is ending: the session is freed, unless a capture or
    // the report writer works on it (the process ends under them anyway).
    void EndSession();
    // Called when the user's session ends, before EndSession: a recording
    // that waits for the program (steps 4 and 5) keeps its before-capture
    // for the next log-on.
    void SaveForRestart();
    // The program was started to continue a recording that the end of the
    // user's session interrupted: on the user's word it goes on at step 5
    // with the kept before-capture; otherwise that is discarded.
    void OfferResume();
    // The recorded program could not be launched and the user gave up: the
    // after-capture discards what was captured and the wizard starts over
    // without a report. Only while waiting for the program (steps 4 and 5).
    void AbortRecording();
    // The recording at step 5 follows this program; a watched program starts
    // it automatically, a launched one does not.
    void RecordProgram(std::string programName, bool startedAutomatically);
    // The recorded program has ended: the recording stops by itself, with
    // its report, and the wizard starts over.
    void ProgramExited();

    // "Show" of the notification-area menu (and a double click on the icon):
    // offered only while the window is hidden.
    bool ShowEnabled() const { return !FView.Visible(); }
    void Show();

    void NextStep();
    void ShowStep();

    int Step() const noexcept { return FStep; }
    const TWizardState& Wizard() const noexcept { return FWizard; }
    // The actions that can be invoked now: Yes never while it is hidden, and
    // nothing that would start a recording or free, replace or re-point the
    // session while the report writer reads it.
    TActionStates Actions() const noexcept;
    const std::string& ReportFile() const noexcept { return FReportFile; }
    const std::vector<std::string>& WatchedPrograms() const noexcept { return FWatchedPrograms; }
    bool OfferDonation() const noexcept { return FOfferDonation; }
    bool RecordingInProgress() const noexcept { return FStep >= 3 && FStep <= 6; }

    // The report path that the options give now.
    std::string ComposeReportPath() const;

private:
    void StartRecording();
    void StopRecording();
    void ReportSettings();
    void FreeReport();
    void RunBeforeCapture();
    void RunAfterCapture(bool abort);
    void BeginCapture();
    void EndCapture();
    void WriteReport();
    void Attempt(std::string_view failure, std::string_view consequence, const std::function<void()>& work);
    void LoadWatchedPrograms();
    void Refresh();

    TSettings& FSettings;
    IMainView& FView;
    ISessionServices& FServices;
    IMessageBoxes& FMessages;
    std::string FExecutableDirectory;

    bool FCreated = false;
    bool FShown = false;
    bool FOfferDonation = false;
    int FStep = 1;
    bool FWritingReport = false;
    std::string FReportFile;
    TRecordingInfo FRecording;
    std::vector<std::string> FWatchedPrograms;
    TWizardState FWizard;
    TActionStates FActions;
};

} // namespace quill
