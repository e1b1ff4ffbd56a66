#pragma once

#include "session/SessionServices.h"

namespace quill {

// The work the wizard hands to the rest of the program. The captures, the
// report, the session store and the dialogs are joined here as each of them
// is built; until then the wizard walks its steps without recording.
class TMainServices : public ISessionServices {
public:
    void CaptureBefore(TRecordingInfo& recording) override;
    void CaptureAfter(TRecordingInfo& recording, bool abort) override;
    void WriteReport(std::string& reportFile, const TRecordingInfo& recording) override;
    void NewSession() override;
    void FreeSession() override;
    void ShowSettingsDialog() override;
    void StoreFilterSwitches() override;
    void ShowFilterDialog() override;
    void EditIgnoreList(TIgnoreKind kind) override;
    void ShowAbout() override;
    void OpenHelp() override;
    void RunProgram() override;
    void OpenDonationPage() override;
};

} // namespace quill
