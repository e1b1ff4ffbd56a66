#include "session/win32/MainServices.h"

namespace quill {

// Each of these is a seam: the part of the program that does the work is
// joined to the wizard here when it is built.

void TMainServices::CaptureBefore(TRecordingInfo&) {}

void TMainServices::CaptureAfter(TRecordingInfo&, bool) {}

void TMainServices::WriteReport(std::string&, const TRecordingInfo&) {}

void TMainServices::NewSession() {}

void TMainServices::FreeSession() {}

void TMainServices::ShowSettingsDialog() {}

void TMainServices::StoreFilterSwitches() {}

void TMainServices::ShowFilterDialog() {}

void TMainServices::EditIgnoreList(TIgnoreKind) {}

void TMainServices::ShowAbout() {}

void TMainServices::OpenHelp() {}

void TMainServices::RunProgram() {}

void TMainServices::OpenDonationPage() {}

} // namespace quill
