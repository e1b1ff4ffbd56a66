#include "filter/win32/RegWarning.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/Files.h"
#include "common/win32/WinText.h"
#include "filter/win32/RegWarningIds.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {
namespace {

struct TWarningText {
    std::wstring Name;
    std::wstring Message;
};

// Edit controls break lines at CR LF only.
std::wstring EditText(const std::string& text) {
    std::wstring wide = Wide(text);
    std::wstring result;
    result.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r')) {
            result += L'\r';
        }
        result += wide[i];
    }
    return result;
}

void Layout(HWND dialog) {
    RECT client{};
    ::GetClientRect(dialog, &client);
    RECT unit{0, 0, 7, 14};
    ::MapDialogRect(dialog, &unit);
    const int margin = unit.right;
    const int width = client.right;
    const int height = client.bottom;
    RECT button{};
    const HWND ok = ::GetDlgItem(dialog, IDOK);
    ::GetWindowRect(ok, &button);
    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;
    RECT name{};
    const HWND nameEdit = ::GetDlgItem(dialog, IDC_REGWARNING_EKEYNAME);
    ::GetWindowRect(nameEdit, &name);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&name), 2);
    RECT memo{};
    const HWND memoEdit = ::GetDlgItem(dialog, IDC_REGWARNING_MEMO);
    ::GetWindowRect(memoEdit, &memo);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&memo), 2);

    ::SetWindowPos(nameEdit, nullptr, 0, 0, width - margin - name.left, name.bottom - name.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    const int buttonTop = height - margin - buttonHeight;
    ::SetWindowPos(memoEdit, nullptr, 0, 0, width - margin - memo.left, buttonTop - margin - memo.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    ::SetWindowPos(ok, nullptr, width - margin - buttonWidth, buttonTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::InvalidateRect(dialog, nullptr, TRUE);
}

INT_PTR CALLBACK WarningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* text = reinterpret_cast<const TWarningText*>(lParam);
        ::SetDlgItemTextW(dialog, IDC_REGWARNING_EKEYNAME, text->Name.c_str());
        ::SetDlgItemTextW(dialog, IDC_REGWARNING_MEMO, text->Message.c_str());
        ::SendDlgItemMessageW(dialog, IDC_REGWARNING_IMAGE1, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_WARNING)), 0);
        RECT frame{};
        ::GetWindowRect(dialog, &frame);
        const int width = std::max<int>(frame.right - frame.left, TfrmRegWarning::kMinWidth);
        const int height = std::max<int>(frame.bottom - frame.top, TfrmRegWarning::kMinHeight);
        const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        ::SetWindowPos(dialog, HWND_TOPMOST, left, top, width, height, 0);
        Layout(dialog);
        ::SetFocus(::GetDlgItem(dialog, IDOK));
        return FALSE;
    }
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = TfrmRegWarning::kMinWidth;
        limits->ptMinTrackSize.y = TfrmRegWarning::kMinHeight;
        return TRUE;
    }
    case WM_SIZE:
        Layout(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

void TfrmRegWarning::ShowModal(HWND owner, const std::string& name, const std::string& message) {
    const TWarningText text{EditText(name), EditText(message)};
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REGWARNING), owner,
                                             WarningProc, reinterpret_cast<LPARAM>(&text));
    // 0 is what a window that has gone away as owner yields; OK and the close
    // box end the dialog with IDOK and IDCANCEL.
    if (result == -1 || result == 0) {
        throw std::runtime_error("the warning window cannot be created: error " + std::to_string(::GetLastError()));
    }
}

void TWindowRegWarningDisplay::ShowRegistryWarning(const std::string& name, const std::string& message) {
    TfrmRegWarning::ShowModal(FOwner, name, message);
}

TIniFile ReadWarningsFile(const std::wstring& directory) {
    const std::optional<std::string> bytes = ReadWholeFile(directory + Wide(kWarningsFileName));
    return bytes ? TIniFile::Parse(DecodeFileText(*bytes)) : TIniFile{};
}

} // namespace quill
