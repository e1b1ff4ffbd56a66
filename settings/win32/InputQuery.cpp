#include "settings/win32/InputQuery.h"

#include "common/win32/WinText.h"
#include "settings/win32/SettingsFormIds.h"

#include <exception>

namespace quill {
namespace {

struct TInputQuery {
    std::wstring Caption;
    std::wstring Prompt;
    std::wstring Value;
};

INT_PTR CALLBACK InputQueryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        const auto* query = reinterpret_cast<const TInputQuery*>(lParam);
        ::SetWindowTextW(window, query->Caption.c_str());
        ::SetDlgItemTextW(window, IDC_INPUT_PROMPT, query->Prompt.c_str());
        ::SetDlgItemTextW(window, IDC_INPUT_EDIT, query->Value.c_str());
        return TRUE;
    }
    if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) {
        return FALSE;
    }
    auto* query = reinterpret_cast<TInputQuery*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (LOWORD(wParam) == IDOK && query != nullptr) {
        const HWND field = ::GetDlgItem(window, IDC_INPUT_EDIT);
        try {
            std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
            query->Value = std::move(text);
        } catch (const std::exception&) {
            ::EndDialog(window, IDCANCEL);
            return TRUE;
        }
    }
    ::EndDialog(window, LOWORD(wParam));
    return TRUE;
}

} // namespace

bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value) {
    TInputQuery query{Wide(caption), Wide(prompt), Wide(value)};
    if (::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUTQUERY), owner, InputQueryProc,
                          reinterpret_cast<LPARAM>(&query)) != IDOK) {
        return false;
    }
    value = Narrow(query.Value);
    return true;
}

} // namespace quill
