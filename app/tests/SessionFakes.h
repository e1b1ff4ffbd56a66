#pragma once

#include "app/MainView.h"
#include "app/SessionServices.h"
#include "common/tests/FakeMessages.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill::test {

// Records what the controller asked the window to show.
class TFakeView : public IMainView {
public:
    void ShowState(const TWizardState& wizard, const TActionStates& actions) override {
        Wizard = wizard;
        Actions = actions;
    }
    void ShowCaptureProgress(bool running) override { CaptureProgress = running; }
    void FocusYes() override { ++Focused; }
    void ProcessMessages() override {
        ++MessagesProcessed;
        if (OnProcessMessages) {
            OnProcessMessages();
        }
    }
    bool Terminating() const override { return IsTerminating; }
    void SetWatchTimer(bool enabled) override { TimerEnabled = enabled; }
    void BringToFront() override {}
    void RestoreMainWindow() override {
        Shown = true;
        ++Restored;
    }
    bool Visible() const override { return Shown; }
    void CloseWindow() override { ++CloseRequests; }

    TWizardState Wizard;
    TActionStates Actions;
    bool CaptureProgress = false;
    int Focused = 0;
    int MessagesProcessed = 0;
    int CloseRequests = 0;
    bool IsTerminating = false;
    bool TimerEnabled = false;
    bool Shown = false;
    int Restored = 0;
    // Runs when the window lets its pending messages in.
    std::function<void()> OnProcessMessages;
};

// Records the calls into the rest of the program, in order.
class TFakeServices : public ISessionServices {
public:
    void CaptureBefore(TRecordingInfo&) override {
        Calls.push_back("CaptureBefore");
        if (OnCapture) {
            OnCapture();
        }
    }
    void CaptureAfter(TRecordingInfo&, bool abort) override {
        Calls.push_back(abort ? "CaptureAfter(abort)" : "CaptureAfter");
        if (OnCapture) {
            OnCapture();
        }
    }
    void WriteReport(std::string& reportFile, const TRecordingInfo& recording) override {
        Calls.push_back("WriteReport " + reportFile);
        Reported = recording;
        const std::string written = reportFile;
        if (OnWriteReport) {
            OnWriteReport();
        }
        if (reportFile != written) {
            Calls.push_back("report file re-pointed under the writer: " + reportFile);
        }
    }
    void SaveInstallerSource(const std::string& reportFile, const TRecordingInfo&) override {
        Calls.push_back("SaveInstallerSource " + reportFile);
    }
    void SaveForRestart(const TRecordingInfo&) override {
        Calls.push_back("SaveForRestart");
        if (!Failure.empty()) {
            throw std::runtime_error(Failure);
        }
    }
    void ResumeRecording(TRecordingInfo& recording) override {
        Calls.push_back("ResumeRecording");
        if (!Failure.empty()) {
            throw std::runtime_error(Failure);
        }
        recording.StartTime = 45000;
    }
    void CheckKeptRecording() override {
        if (!Kept) {
            throw std::runtime_error("the kept recording C:\\Kept.qbcap is not there");
        }
    }
    void DiscardResume() override { Calls.push_back("DiscardResume"); }
    void NewSession() override { Calls.push_back("NewSession"); }
    void FreeSession() override { Calls.push_back("FreeSession"); }
    void ShowSettingsDialog() override {
        Calls.push_back("ShowSettingsDialog");
        if (OnSettingsDialog) {
            OnSettingsDialog();
        }
    }
    void StoreFilterSwitches() override { Calls.push_back("StoreFilterSwitches"); }
    void ShowFilterDialog() override { Calls.push_back("ShowFilterDialog"); }
    void EditIgnoreList(TIgnoreKind kind) override {
        Calls.push_back("EditIgnoreList " + std::to_string(static_cast<int>(kind)));
    }
    void ShowAbout() override { Calls.push_back("ShowAbout"); }
    void OpenHelp() override { Calls.push_back("OpenHelp"); }
    void RunProgram() override { Calls.push_back("RunProgram"); }
    void OpenDonationPage() override { Calls.push_back("OpenDonationPage"); }

    std::vector<std::string> Calls;
    // Keeping or resuming a recording fails with this reason, when set.
    std::string Failure;
    // Whether a before-capture waits to be continued.
    bool Kept = true;
    // The recording the last report was written for.
    TRecordingInfo Reported;
    std::function<void()> OnSettingsDialog;
    // Run inside either capture or the report writer, as the window's
    // messages do while they work.
    std::function<void()> OnCapture;
    std::function<void()> OnWriteReport;
};

} // namespace quill::test
