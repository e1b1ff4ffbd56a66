#pragma once

#include "filter/IgnoreKind.h"
#include "store/RecordingInfo.h"

#include <string>

namespace quill {

// The work other parts of the program do on the wizard's behalf: captures,
// the report, the session store and the dialogs.
class ISessionServices {
public:
    virtual ~ISessionServices() = default;
    virtual void CaptureBefore(TRecordingInfo& recording) = 0;
    virtual void CaptureAfter(TRecordingInfo& recording, bool abort) = 0;
    // May replace the report file's path, for instance to prefix the date.
    virtual void WriteReport(std::string& reportFile, const TRecordingInfo& recording) = 0;
    // Asks where, then writes the installer source of the recording there
    // and says what went into it. Raises when it cannot be written.
    virtual void SaveInstallerSource(const std::string& reportFile, const TRecordingInfo& recording) = 0;
    // Keeps the before-capture for the start at the next log-on, which the
    // platform is asked to make with the resume switch. Raises when it
    // cannot.
    virtual void SaveForRestart(const TRecordingInfo& recording) = 0;
    // Raises, naming where it looked, when no before-capture was kept.
    virtual void CheckKeptRecording() = 0;
    // Loads the kept before-capture into the session and starts the live
    // journals again; the kept capture is gone afterwards, loaded or not.
    // Raises when it cannot be loaded.
    virtual void ResumeRecording(TRecordingInfo& recording) = 0;
    virtual void DiscardResume() = 0;
    // Discards every list of the session; FreeSession also stops the
    // directory watchers.
    virtual void NewSession() = 0;
    virtual void FreeSession() = 0;
    virtual void ShowSettingsDialog() = 0;
    virtual void StoreFilterSwitches() = 0;
    virtual void ShowFilterDialog() = 0;
    virtual void EditIgnoreList(TIgnoreKind kind) = 0;
    virtual void ShowAbout() = 0;
    virtual void OpenHelp() = 0;
    virtual void RunProgram() = 0;
    virtual void OpenDonationPage() = 0;
};

} // namespace quill
