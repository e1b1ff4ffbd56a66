#include "app/win32/Help.h"

#include "app/HelpFile.h"
#include "common/win32/Files.h"
#include "common/win32/WinText.h"
#include "settings/Settings.h"

#include <shellapi.h>

namespace quill {

void ShowHelp(HWND owner, const std::string& page) {
    const std::string file = HelpFilePath(Narrow(ExecutableDirectory()));
    const std::wstring wideFile = Wide(file);
    const DWORD attributes = ::GetFileAttributesW(wideFile.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::MessageBoxW(owner, Wide(MissingHelpMessage(file)).c_str(), Wide(kApplicationTitle).c_str(),
                      MB_ICONERROR | MB_OK);
        return;
    }
    if (page.empty()) {
        ::ShellExecuteW(owner, L"open", wideFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    // The type's own handler takes no page; the viewer it names does.
    const std::wstring topic = L"\"" + Wide(HelpTopic(file, page)) + L"\"";
    ::ShellExecuteW(owner, L"open", L"hh.exe", topic.c_str(), nullptr, SW_SHOWNORMAL);
}

} // namespace quill
