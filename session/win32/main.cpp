#include "common/TextCompare.h"
#include "common/win32/Files.h"
#include "common/win32/Win32MessageBoxes.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "session/SessionController.h"
#include "session/win32/MainForm.h"
#include "session/win32/MainServices.h"
#include "session/win32/ResumeFile.h"
#include "settings/Settings.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace {

// Only the first argument counts, in any case.
bool FirstArgumentIs(std::string_view option) {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const bool result = arguments != nullptr && count > 1 && quill::SameText(quill::Narrow(arguments[1]), option);
    ::LocalFree(arguments);
    return result;
}

int RunProgram(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The directory watchers draw their completion keys from it.
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    quill::TWin32Registry registry;
    quill::TSettings settings(registry);
    quill::TWin32MessageBoxes messages{std::string(quill::kApplicationTitle)};
    quill::TMainServices services(settings, registry, messages, quill::ExecutableDirectory());
    quill::TfrmMain form(instance, settings, services, messages, quill::Narrow(quill::ExecutableDirectory()));
    if (!form.Create(FirstArgumentIs("-startup"))) {
        ::MessageBoxW(nullptr, L"The main window cannot be created.", quill::Wide(quill::kApplicationTitle).c_str(),
                      MB_ICONERROR | MB_OK);
        return 1;
    }
    messages.SetOwner(form.Handle());
    services.Connect(form.Handle(), form);
    form.ConnectPrograms([&services]() -> quill::TCaptureNotes& { return services.Session()->Store().BeforeNotes; });
    services.ConnectRecorder(*form.Recorder());
    if (FirstArgumentIs(quill::TResumeFile::kResumeSwitch)) {
        form.Controller().OfferResume();
    }
    return form.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return RunProgram(instance);
}
