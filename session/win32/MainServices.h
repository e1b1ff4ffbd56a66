#pragma once

#include "common/MessageBoxes.h"
#include "filter/win32/Win32IgnoreFiles.h"
#include "session/SessionServices.h"
#include "settings/Settings.h"

#include <windows.h>

namespace quill {

// The work the wizard hands to the rest of the program. The captures, the
// report, the session store and the dialogs are joined here as each of them
// is built; until then the wizard walks its steps without recording.
class TMainServices : public ISessionServices {
public:
    TMainServices(TSettings& settings, IMessageBoxes& messages) : FSettings(settings), FMessages(messages) {}
    // The window the dialogs are shown over, once it exists.
    void SetOwner(HWND owner) noexcept { FOwner = owner; }

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

private:
    TSettings& FSettings;
    IMessageBoxes& FMessages;
    TWin32IgnoreFiles FIgnoreFiles;
    HWND FOwner = nullptr;
};

} // namespace quill
