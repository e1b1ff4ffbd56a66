#include "app/win32/ProcessWatchForm.h"

#include "app/win32/resource.h"
#include "common/win32/WinText.h"

namespace quill {
namespace {

INT_PTR CALLBACK ProcessWatchProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        ::SetDlgItemTextW(dialog, IDC_PROCESSNAME, reinterpret_cast<const wchar_t*>(lParam));
        ::SendDlgItemMessageW(dialog, IDC_PROCESSICON, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_QUESTION)), 0);
        ::SetForegroundWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
            ::EndDialog(dialog, IDYES);
            return TRUE;
        case IDNO:
        case IDCANCEL:
            ::EndDialog(dialog, IDNO);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

bool AskRecordProcess(HINSTANCE instance, const std::string& name) {
    const std::wstring text = Wide(name);
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROCESSWATCH), nullptr, ProcessWatchProc,
                             reinterpret_cast<LPARAM>(text.c_str())) == IDYES;
}

} // namespace quill
