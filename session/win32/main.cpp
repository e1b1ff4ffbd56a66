#include "common/TextCompare.h"
#include "common/win32/Win32MessageBoxes.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"
#include "session/SessionController.h"
#include "session/win32/MainForm.h"
#include "session/win32/MainServices.h"
#include "settings/Settings.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// The folder of the running program, with its trailing backslash.
std::string ExecutableDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\') + 1);
    return quill::Narrow(path);
}

// Only the first argument counts, in any case.
bool HasStartupSwitch() {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const bool result = arguments != nullptr && count > 1 && quill::SameText(quill::Narrow(arguments[1]), "-startup");
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
    quill::TMainServices services;
    quill::TfrmMain form(instance, settings, services, messages, ExecutableDirectory());
    if (!form.Create(HasStartupSwitch())) {
        ::MessageBoxW(nullptr, L"The main window cannot be created.", quill::Wide(quill::kApplicationTitle).c_str(),
                      MB_ICONERROR | MB_OK);
        return 1;
    }
    messages.SetOwner(form.Handle());
    return form.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return RunProgram(instance);
}
