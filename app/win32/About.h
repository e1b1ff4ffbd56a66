#pragma once

#include "common/MessageBoxes.h"
#include "common/win32/UniqueHandle.h"

#include <windows.h>

namespace quill {

// The About box: what the program monitors, where its help is, the credits
// and a picture, in a fixed tool window centred on the screen.
class TfrmAbout {
public:
    TfrmAbout(HINSTANCE instance, IMessageBoxes& messages) : FInstance(instance), FMessages(messages) {}
    void ShowModal(HWND owner);

private:
    template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();

    HINSTANCE FInstance;
    IMessageBoxes& FMessages;
    HWND FHandle = nullptr;
    // The picture control shows it and does not own it.
    TUniqueGdiObject FPicture;
};

} // namespace quill
