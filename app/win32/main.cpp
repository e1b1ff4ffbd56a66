#include "app/SessionController.h"
#include "app/StartupSwitch.h"
#include "app/win32/MainForm.h"
#include "app/win32/MainServices.h"
#include "app/win32/ProgramArguments.h"
#include "app/win32/ResumeFile.h"
#include "commandline/CommandLine.h"
#include "commandline/win32/CommandEntry.h"
#include "common/win32/Files.h"
#include "common/win32/Win32MessageBoxes.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "settings/Settings.h"
#include "settings/win32/Win32StartupShortcut.h"

#include <commctrl.h>
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

int RunProgram(HINSTANCE instance, bool startup, bool resume) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The directory watchers draw their completion keys from it.
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    quill::TWin32Registry registry;
    quill::TSettings settings(registry);
    quill::TWin32MessageBoxes messages{std::string(quill::kApplicationTitle)};
    quill::TWin32StartupShortcut startupShortcut(quill::ExecutablePath());
    quill::TMainServices services(settings, registry, messages, quill::ExecutableDirectory());
    services.ConnectStartupShortcut(startupShortcut);
    quill::TfrmMain form(instance, settings, services, messages, quill::Narrow(quill::ExecutableDirectory()));
    if (!form.Create()) {
        ::MessageBoxW(nullptr, L"The main window cannot be created.", quill::Wide(quill::kApplicationTitle).c_str(),
                      MB_ICONERROR | MB_OK);
        return 1;
    }
    messages.SetOwner(form.Handle());
    services.Connect(form.Handle(), form);
    services.ConnectEndSessionQuery([&form] { return form.Controller().EndSessionQuery(); });
    form.ConnectPrograms([&services]() -> quill::TCaptureNotes& { return services.Session()->Store().BeforeNotes; });
    services.ConnectRecorder(*form.Recorder());
    form.Open(startup);
    if (resume) {
        form.Controller().OfferResume();
    }
    return form.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::vector<std::string> arguments = quill::ProgramArguments();
    if (quill::FirstArgumentIs(arguments, quill::kRecordSwitch)) {
        return quill::RunRecordCommand(instance, {arguments.begin() + 1, arguments.end()});
    }
    if (quill::FirstArgumentIs(arguments, quill::kCompareSwitch)) {
        return quill::RunRecordCommand(instance, arguments);
    }
    return RunProgram(instance, quill::HasStartupSwitch(arguments),
                      quill::FirstArgumentIs(arguments, quill::TResumeFile::kResumeSwitch));
}
