#pragma once

#include <windows.h>

#include <exception>

namespace quill {

// The dialog procedure of a modal form: the form travels in the dialog's
// DWLP_USER, every message goes to its HandleMessage, and what escapes is
// shown through its message boxes, since nothing may unwind through the
// dialog manager. A form grants it access with
//   template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
template <class TForm> INT_PTR CALLBACK FormDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<TForm*>(lParam)->FHandle = window;
    }
    auto* form = reinterpret_cast<TForm*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (form == nullptr) {
        return FALSE;
    }
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        form->FMessages.Error(error.what());
    } catch (...) {
        form->FMessages.Error("An unexpected error occurred.");
    }
    return FALSE;
}

} // namespace quill
