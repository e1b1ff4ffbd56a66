#include "session/win32/MainServices.h"

#include "filter/win32/ResultsFilterForm.h"
#include "filter/win32/SelectForm.h"

namespace quill {

// Each of these is a seam: the part of the program that does the work is
// joined to the wizard here when it is built.

void TMainServices::CaptureBefore(TRecordingInfo&) {}

void TMainServices::CaptureAfter(TRecordingInfo&, bool) {}

void TMainServices::WriteReport(std::string&, const TRecordingInfo&) {}

void TMainServices::NewSession() {}

void TMainServices::FreeSession() {}

void TMainServices::ShowSettingsDialog() {}

void TMainServices::StoreFilterSwitches() {
    quill::StoreFilterSwitches(FSettings);
}

void TMainServices::ShowFilterDialog() {
    quill::ShowFilterDialog(FOwner, FSettings, FMessages, FIgnoreFiles);
}

void TMainServices::EditIgnoreList(TIgnoreKind kind) {
    quill::EditIgnoreList(FOwner, kind, FIgnoreFiles, FMessages);
}

void TMainServices::ShowAbout() {}

void TMainServices::OpenHelp() {}

void TMainServices::RunProgram() {}

void TMainServices::OpenDonationPage() {}

} // namespace quill
