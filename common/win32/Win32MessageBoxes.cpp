#include "common/win32/Win32MessageBoxes.h"

#include "common/win32/WinText.h"

namespace quill {

TMessageAnswer TWin32MessageBoxes::Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) {
    UINT flags = MB_TASKMODAL;
    switch (kind) {
    case TMessageKind::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case TMessageKind::Warning:
        flags |= MB_ICONWARNING;
        break;
    case TMessageKind::Error:
        flags |= MB_ICONERROR;
        break;
    case TMessageKind::Confirmation:
        flags |= MB_ICONQUESTION;
        break;
    }
    switch (buttons) {
    case TMessageButtons::Ok:
        flags |= MB_OK;
        break;
    case TMessageButtons::OkCancel:
        flags |= MB_OKCANCEL;
        break;
    case TMessageButtons::YesNo:
        flags |= MB_YESNO;
        break;
    case TMessageButtons::YesCancel:
        // No such pair among the platform's boxes: Yes, No and Cancel, with No
        // taken as Cancel.
        flags |= MB_YESNOCANCEL;
        break;
    }
    switch (::MessageBoxW(FOwner, Wide(text).c_str(), Wide(FTitle).c_str(), flags)) {
    case IDOK:
        return TMessageAnswer::Ok;
    case IDYES:
        return TMessageAnswer::Yes;
    case IDNO:
        return buttons == TMessageButtons::YesCancel ? TMessageAnswer::Cancel : TMessageAnswer::No;
    default:
        return buttons == TMessageButtons::YesNo ? TMessageAnswer::No : TMessageAnswer::Cancel;
    }
}

} // namespace quill
