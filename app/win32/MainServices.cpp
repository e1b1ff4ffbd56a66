#include "app/win32/MainServices.h"

#include "app/HelpFile.h"
#include "app/win32/About.h"
#include "app/win32/Help.h"
#include "common/ScopeExit.h"
#include "common/win32/Files.h"
#include "common/win32/WinText.h"
#include "filter/win32/Directories.h"
#include "filter/win32/ResultsFilterForm.h"
#include "filter/win32/SelectForm.h"
#include "common/win32/ChooseDirectory.h"
#include "report/InstallerSource.h"
#include "report/ReportWriter.h"
#include "report/win32/Win32PackageEnvironment.h"
#include "report/win32/Win32PackageFiles.h"
#include "report/win32/Win32ReportLocale.h"
#include "settings/DefaultPaths.h"
#include "settings/win32/HostDrive.h"
#include "settings/win32/SettingsForm.h"

#include <optional>
#include <stdexcept>

namespace quill {

TMainServices::TMainServices(TSettings& settings, IRegistry& registry, IMessageBoxes& boxes,
                             std::wstring executableDirectory)
    : FSettings(settings), FRegistry(registry), FBoxes(boxes), FWarnings(executableDirectory),
      FExecutableDirectory(Narrow(executableDirectory)) {}

// The session goes first: it stops the monitors it started.
TMainServices::~TMainServices() {
    FSession.reset();
}

void TMainServices::Connect(HWND owner, ICaptureDisplay& display) {
    FOwner = owner;
    FShellComponent = NewShellComponent(owner, FDrives);
    FShellMonitor = std::make_unique<TShellMonitor>(*FShellComponent);
    FWatching = std::make_unique<TWin32DirectoryWatching>(owner, FBoxes);
    FWarningDisplay = std::make_unique<TWindowRegWarningDisplay>(owner);
    FSession = std::make_unique<TRecordingSession>(
        FSettings, TCapturePlatform{FRegistry, FFileSystem, FLocalTime, FDrives, FProcesses, *FShellMonitor, *FWatching,
                                    display, FWarnings, *FWarningDisplay});
}

void TMainServices::ConnectEndSessionQuery(std::function<bool()> query) {
    FShellComponent->OnEndSessionQuery = [query = std::move(query)](bool& canEndSession) { canEndSession = query(); };
}

TRecordingSession& TMainServices::Connected() {
    if (FSession == nullptr) {
        throw std::logic_error("the captures are not joined to the main window");
    }
    return *FSession;
}

void TMainServices::CaptureBefore(TRecordingInfo& recording) {
    Connected().CaptureBefore(recording);
}

void TMainServices::CaptureAfter(TRecordingInfo& recording, bool abort) {
    Connected().CaptureAfter(recording, abort);
}

void TMainServices::SaveForRestart(const TRecordingInfo& recording) {
    TResumeFile resume = ResumeFile();
    resume.Save(Connected().SaveBefore(recording));
    resume.ScheduleResume();
}

// A kept recording is offered once: loaded or not, it is gone afterwards.
void TMainServices::ResumeRecording(TRecordingInfo& recording) {
    TResumeFile resume = ResumeFile();
    const TScopeExit gone([&resume] { resume.Remove(); });
    const std::optional<std::string> bytes = resume.Read();
    if (!bytes) {
        throw std::runtime_error("the kept recording " + resume.Path() + " is not there");
    }
    Connected().ResumeBefore(recording, *bytes, resume.Path());
}

void TMainServices::CheckKeptRecording() {
    TResumeFile resume = ResumeFile();
    if (!resume.Exists()) {
        throw std::runtime_error("the kept recording " + resume.Path() + " is not there");
    }
}

void TMainServices::DiscardResume() {
    ResumeFile().Remove();
}

TResumeFile TMainServices::ResumeFile() {
    return TResumeFile::ForCurrentUser(FRegistry, Narrow(ExecutablePath()));
}

void TMainServices::NewSession() {
    Connected().NewSession();
}

void TMainServices::FreeSession() {
    if (FSession != nullptr) {
        FSession->FreeSession();
    }
}

// Each of these is a seam: the part of the program that does the work is
// joined to the wizard here when it is built.

void TMainServices::WriteReport(std::string& reportFile, const TRecordingInfo& recording) {
    TSessionStore& store = Connected().Store();
    const TWin32ReportLocale locale;
    TReportWriter writer(store, FSettings, {FReportFiles, locale, FLocalTime, FBoxes}, BuiltFooterOptions(),
                         [this, &store] { quill::ApplyResultFilter(FSettings, FBoxes, FIgnoreFiles, store); });
    writer.Write(reportFile, recording, true);
}

void TMainServices::SaveInstallerSource(const std::string& reportFile, const TRecordingInfo& recording) {
    // It starts where the report is, which the user found already.
    const std::optional<std::string> folder =
        BrowseForDirectory(FOwner, std::string(kInstallerSourceTitle), reportFile.substr(0, reportFile.rfind('\\')));
    if (!folder) {
        return;
    }
    TSessionStore& store = Connected().Store();
    quill::ApplyResultFilter(FSettings, FBoxes, FIgnoreFiles, store);
    TPackageEnvironment environment = Win32PackageEnvironment();
    environment.OwnFiles.push_back(reportFile);
    TWin32PackageFiles files;
    const TInstallerSource source = WriteInstallerSource(store, recording, environment, *folder, files);
    FBoxes.Show(TMessageKind::Information, InstallerSourceSummary(source, *folder), TMessageButtons::Ok);
}

void TMainServices::ShowSettingsDialog() {
    TSettingsEnvironment environment{kDirectoryWatching, FExecutableDirectory,
                                     [this] { return DefaultScanPaths(FDrives, MapsWholeHost); }};
    TSettingsDialogActions actions;
    actions.Help = [](HWND owner, int page) { ShowHelp(owner, std::string(SettingsHelpPage(page))); };
    actions.Filter = [this](HWND owner) { quill::ShowFilterDialog(owner, FSettings, FBoxes, FIgnoreFiles); };
    actions.EditPaths = [this](HWND owner, std::string& paths) {
        return EditDirectoryList(owner, paths, FBoxes, FExecutableDirectory);
    };
    quill::ShowSettingsDialog(FOwner, FSettings, FBoxes, FStartupShortcut, std::move(environment), std::move(actions));
}

void TMainServices::StoreFilterSwitches() {
    quill::StoreFilterSwitches(FSettings);
}

void TMainServices::ShowFilterDialog() {
    quill::ShowFilterDialog(FOwner, FSettings, FBoxes, FIgnoreFiles);
}

void TMainServices::EditIgnoreList(TIgnoreKind kind) {
    quill::EditIgnoreList(FOwner, kind, FIgnoreFiles, FBoxes);
}

void TMainServices::ShowAbout() {
    TfrmAbout about(::GetModuleHandleW(nullptr), FBoxes);
    about.ShowModal(FOwner);
}

void TMainServices::OpenHelp() {
    ShowHelp(FOwner, std::string(kHelpMainWindow));
}

void TMainServices::RunProgram() {
    if (FRecorder != nullptr) {
        FRecorder->RunProgram();
    }
}

void TMainServices::OpenDonationPage() {
    const std::string page = DonationPage(BuiltFooterOptions());
    if (!page.empty()) {
        FReportFiles.Open(page);
    }
}

} // namespace quill
