#include "commandline/win32/CommandWindow.h"

namespace quill {
namespace {

constexpr wchar_t kClassName[] = L"QuillborneCommandRecording";
constexpr UINT_PTR kTickTimer = 1;

} // namespace

TCommandWindow::TCommandWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    ::RegisterClassExW(&windowClass);
    FHandle = ::CreateWindowExW(0, kClassName, L"Quillborne", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

TCommandWindow::~TCommandWindow() {
    if (FHandle != nullptr) {
        ::DestroyWindow(FHandle);
    }
}

void TCommandWindow::ProcessMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void TCommandWindow::Tick(UINT milliseconds) {
    if (milliseconds == 0) {
        ::KillTimer(FHandle, kTickTimer);
    } else {
        ::SetTimer(FHandle, kTickTimer, milliseconds, nullptr);
    }
}

} // namespace quill
