#include "app/win32/MainForm.h"

#include "app/SessionController.h"
#include "app/win32/resource.h"
#include "common/win32/WinText.h"

#include <commctrl.h>

#include <utility>

namespace quill {
namespace {

// Layout of the client area, in pixels.
constexpr int kLabelLeft = 16;
constexpr int kLabelWidth = 440;
constexpr int kLabelHeight = 40;
constexpr int kYesLeft = 472;
constexpr int kButtonHeight = 28;
constexpr int kYesWidth = 80;
constexpr int kRunProgramWidth = 28;
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 430;
constexpr int kProgressTop = 370;
constexpr int kAnimationWidth = 120;

constexpr UINT kFirstShowMessage = WM_APP + 1;
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchInterval = 2000;

int ControlOfLabel(int step) {
    return IDC_LABEL1 + step - 1;
}

} // namespace

TfrmMain::TfrmMain(HINSTANCE instance, TSettings& settings, ISessionServices& services, IMessageBoxes& messages,
                   std::string executableDirectory)
    : FInstance(instance), FMessages(messages), FExecutableDirectory(executableDirectory),
      FController(settings, *this, services, messages, std::move(executableDirectory)) {}

TfrmMain::~TfrmMain() {
    if (FHandle != nullptr) {
        ::DestroyWindow(FHandle);
    }
}

bool TfrmMain::Create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = FInstance;
    windowClass.hIcon = ::LoadIconW(FInstance, MAKEINTRESOURCEW(IDI_QUILLBORNE));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    FAccelerators = ::LoadAcceleratorsW(FInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    FPopupMenu.Reset(::LoadMenuW(FInstance, MAKEINTRESOURCEW(IDR_POPUPMENU)));
    FHandle = ::CreateDialogParamW(FInstance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    return FHandle != nullptr;
}

void TfrmMain::Open(bool startupSwitch) {
    FController.Create(startupSwitch);
}

INT_PTR CALLBACK TfrmMain::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<TfrmMain*>(lParam)->FHandle = window;
    }
    auto* form = reinterpret_cast<TfrmMain*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (form == nullptr) {
        return FALSE;
    }
    // Nothing may unwind through the platform's code.
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ::MessageBoxW(window, Wide(error.what()).c_str(), Wide(kApplicationTitle).c_str(), MB_ICONERROR | MB_OK);
    } catch (...) {
        ::MessageBoxW(window, L"Unexpected error.", Wide(kApplicationTitle).c_str(), MB_ICONERROR | MB_OK);
    }
    return TRUE;
}

void TfrmMain::InitDialog() {
    ::SetWindowTextW(FHandle, Wide(kApplicationTitle).c_str());
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_STYLE)), TRUE,
                         static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(FHandle, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int step = 1; step <= kStepCount; ++step) {
        ::MoveWindow(::GetDlgItem(FHandle, ControlOfLabel(step)), kLabelLeft,
                     kFirstLabelTop + (step - 1) * kStepSpacing, kLabelWidth, kLabelHeight, FALSE);
    }
    ::SetWindowTextW(::GetDlgItem(FHandle, ControlOfLabel(1)), Wide(StepCaption(1)).c_str());
    ::MoveWindow(::GetDlgItem(FHandle, IDC_PROGRESSCAPTION), kLabelLeft, kProgressTop,
                 kLabelWidth - kAnimationWidth - 8, 20, FALSE);
    ::MoveWindow(::GetDlgItem(FHandle, IDC_ANIMATION), kLabelLeft + kLabelWidth - kAnimationWidth, kProgressTop + 3,
                 kAnimationWidth, 14, FALSE);
    ::MoveWindow(::GetDlgItem(FHandle, IDC_PROGRESSBAR), kLabelLeft, kProgressTop + 24, kLabelWidth, 18, FALSE);
    ::MoveWindow(::GetDlgItem(FHandle, IDC_EXIT), kYesLeft, kProgressTop + 16, kYesWidth, kButtonHeight, FALSE);
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_SETSTEP, 1, 0);
    const auto glyph =
        static_cast<HICON>(::LoadImageW(FInstance, MAKEINTRESOURCEW(IDI_RUNPROGRAM), IMAGE_ICON, 16, 16, LR_SHARED));
    const HWND runProgram = ::GetDlgItem(FHandle, IDC_RUNPROGRAM);
    ::SetWindowTextW(runProgram, L"");
    ::SendMessageW(runProgram, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
    AddHints();
    CreateTrayIcon();
}

// Visible from the start: a start with the start-up switch leaves only the
// icon; a normal start takes it away when the window shows.
void TfrmMain::CreateTrayIcon() {
    FTray = std::make_unique<TTrayIcon>(FHandle);
    FTray->SetIcon(::LoadIconW(FInstance, MAKEINTRESOURCEW(IDI_QUILLBORNE)));
    FTray->SetHint(std::string(kApplicationTitle));
    FTray->SetLeftPopup(true);
    FTray->SetMinimizeToTray(true);
    FTray->OnDblClick = [this] { Command(CM_SHOW); };
    FTray->OnMinimizeToTray = [this] { FTray->SetIconVisible(true); };
    FTray->OnPopupMenu = [this](POINT at) { PopupMenuPopup(at); };
    FTray->SetIconVisible(true);
}

void TfrmMain::ConnectPrograms(std::function<TCaptureNotes&()> notes) {
    FProgramHost = std::make_unique<TWin32ProgramHost>(FInstance, FHandle, *this, *FTray, FProcesses, std::move(notes),
                                                       FExecutableDirectory);
    FRecorder = std::make_unique<TProgramRecorder>(FController, *this, *FProgramHost, FProcesses, FMessages);
}

void TfrmMain::AddHints() {
    const HWND tips =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, FInstance, nullptr);
    const std::pair<int, const wchar_t*> hints[] = {
        {IDC_LABEL1, L"This program will record ALL changes to the registry and file system regardless of which "
                     L"program made the change."},
        {IDC_YES, L"Click to move to next step"},
        {IDC_RUNPROGRAM, L"Select program to run..."},
    };
    for (const auto& [control, text] : hints) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = FHandle;
        tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(FHandle, control));
        tool.lpszText = const_cast<wchar_t*>(text);
        ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 400);
}

void TfrmMain::ShowState(const TWizardState& wizard, const TActionStates& actions) {
    if (FTray) {
        FTray->SetHint(wizard.TrayHint);
    }
    ShowShutdownBlockReason(wizard.ShutdownBlockReason);
    for (int step = 1; step <= kStepCount; ++step) {
        ::EnableWindow(::GetDlgItem(FHandle, ControlOfLabel(step)),
                       wizard.LabelEnabled[static_cast<std::size_t>(step - 1)]);
    }
    const HWND yes = ::GetDlgItem(FHandle, IDC_YES);
    const HWND runProgram = ::GetDlgItem(FHandle, IDC_RUNPROGRAM);
    ::SetWindowPos(yes, nullptr, kYesLeft, wizard.YesTop, kYesWidth, kButtonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(runProgram, nullptr, kYesLeft + kYesWidth + 8, wizard.RunProgramTop, kRunProgramWidth, kButtonHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::EnableWindow(yes, actions.Enabled(TAction::Yes));
    ::ShowWindow(yes, wizard.YesVisible ? SW_SHOWNA : SW_HIDE);
    ::EnableWindow(runProgram, actions.Enabled(TAction::RunProgram));
    ::ShowWindow(runProgram, wizard.RunProgramVisible ? SW_SHOWNA : SW_HIDE);
    ::EnableWindow(::GetDlgItem(FHandle, IDC_EXIT), actions.Enabled(TAction::Exit));
    ::EnableMenuItem(::GetSystemMenu(FHandle, FALSE), SC_CLOSE,
                     MF_BYCOMMAND | (actions.Enabled(TAction::Exit) ? MF_ENABLED : MF_GRAYED));
    if (const HMENU menu = ::GetMenu(FHandle)) {
        UpdateMenu(menu, actions);
        ::DrawMenuBar(FHandle);
    }
}

void TfrmMain::ShowShutdownBlockReason(const std::string& reason) {
    if (reason == FShutdownBlockReason) {
        return;
    }
    FShutdownBlockReason = reason;
    if (reason.empty()) {
        ::ShutdownBlockReasonDestroy(FHandle);
    } else {
        ::ShutdownBlockReasonCreate(FHandle, Wide(reason).c_str());
    }
}

void TfrmMain::UpdateMenu(HMENU menu, const TActionStates& actions) {
    for (std::size_t i = 0; i < kActionCount; ++i) {
        const auto action = static_cast<TAction>(i);
        ::EnableMenuItem(menu, CM_FIRSTACTION + static_cast<UINT>(i),
                         MF_BYCOMMAND | (actions.Enabled(action) ? MF_ENABLED : MF_GRAYED));
    }
}

void TfrmMain::ShowCaptureProgress(bool running) {
    FCaptureRunning = running;
    ShowControl(IDC_PROGRESSCAPTION, running);
    ShowControl(IDC_PROGRESSBAR, false);
    ShowControl(IDC_ANIMATION, false);
    ::SetCursor(::LoadCursorW(nullptr, running ? IDC_WAIT : IDC_ARROW));
}

void TfrmMain::ShowControl(int id, bool visible) {
    ::ShowWindow(::GetDlgItem(FHandle, id), visible ? SW_SHOWNA : SW_HIDE);
}

void TfrmMain::ShowCaption(bool visible) {
    ShowControl(IDC_PROGRESSCAPTION, visible);
}

void TfrmMain::SetCaption(const std::string& text) {
    ::SetDlgItemTextW(FHandle, IDC_PROGRESSCAPTION, Wide(text).c_str());
}

void TfrmMain::ShowBar(bool visible) {
    ShowControl(IDC_PROGRESSBAR, visible);
}

void TfrmMain::SetBar(int minimum, int maximum, int step, int position) {
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TfrmMain::RewindBar() {
    const LRESULT minimum = ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_GETRANGE, TRUE, 0);
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_SETPOS, static_cast<WPARAM>(minimum), 0);
}

void TfrmMain::StepBar() {
    ::SendDlgItemMessageW(FHandle, IDC_PROGRESSBAR, PBM_STEPIT, 0, 0);
}

void TfrmMain::ShowAnimation(bool visible) {
    ShowControl(IDC_ANIMATION, visible);
}

void TfrmMain::RunAnimation(bool running) {
    ::SendDlgItemMessageW(FHandle, IDC_ANIMATION, PBM_SETMARQUEE, running ? TRUE : FALSE, 0);
}

void TfrmMain::ShowBusyCursor(bool busy) {
    FCaptureRunning = busy;
    ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

// The hourglass stays over the whole window while a capture runs, not only
// until the mouse next moves.
bool TfrmMain::SetCaptureCursor() {
    if (!FCaptureRunning) {
        return false;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ::SetWindowLongPtrW(FHandle, DWLP_MSGRESULT, TRUE);
    return true;
}

void TfrmMain::FocusYes() {
    const HWND yes = ::GetDlgItem(FHandle, IDC_YES);
    if (::IsWindowVisible(FHandle) && ::IsWindowVisible(yes) && ::IsWindowEnabled(yes)) {
        ::SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(yes), TRUE);
    }
}

bool TfrmMain::Dispatch(MSG& message) {
    if (message.message == WM_QUIT) {
        FTerminating = true;
        return false;
    }
    if (FHandle != nullptr && ::TranslateAcceleratorW(FHandle, FAccelerators, &message)) {
        return true;
    }
    if (FHandle == nullptr || !::IsDialogMessageW(FHandle, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

void TfrmMain::ProcessMessages() {
    MSG message;
    while (!FTerminating && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(message)) {
            // Leave the quit for the main loop.
            ::PostQuitMessage(static_cast<int>(message.wParam));
        }
    }
}

int TfrmMain::Run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    FTerminating = true;
    return static_cast<int>(message.wParam);
}

void TfrmMain::SetWatchTimer(bool enabled) {
    if (enabled) {
        ::SetTimer(FHandle, kWatchTimer, kWatchInterval, nullptr);
    } else {
        ::KillTimer(FHandle, kWatchTimer);
    }
}

void TfrmMain::BringToFront() {
    ::SetForegroundWindow(FHandle);
}

void TfrmMain::RestoreMainWindow() {
    ::ShowWindow(FHandle, ::IsIconic(FHandle) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(FHandle);
    if (FTray) {
        FTray->SetIconVisible(false);
    }
}

bool TfrmMain::Visible() const {
    return ::IsWindowVisible(FHandle) != FALSE;
}

void TfrmMain::CloseWindow() {
    FormCloseQuery();
}

void TfrmMain::Command(int id) {
    if (id == CM_SHOW) {
        FController.Show();
        return;
    }
    TAction action;
    if (id == IDC_YES) {
        action = TAction::Yes;
    } else if (id == IDC_RUNPROGRAM) {
        action = TAction::RunProgram;
    } else if (id == IDC_EXIT) {
        action = TAction::Exit;
    } else if (id >= CM_FIRSTACTION && id < CM_FIRSTACTION + static_cast<int>(kActionCount)) {
        action = static_cast<TAction>(id - CM_FIRSTACTION);
    } else {
        return;
    }
    FController.Execute(action);
}

void TfrmMain::FormCloseQuery() {
    // A second close while the first one's question is open changes nothing.
    if (FClosing) {
        return;
    }
    FClosing = true;
    const bool mayClose = FController.CloseQuery();
    FClosing = false;
    if (mayClose) {
        FController.Close();
        ::DestroyWindow(FHandle);
    }
}

void TfrmMain::PopupMenuPopup(POINT at) {
    const HMENU popup = ::GetSubMenu(FPopupMenu.Get(), 0);
    UpdateMenu(popup, FController.Actions());
    ::EnableMenuItem(popup, CM_SHOW, MF_BYCOMMAND | (FController.ShowEnabled() ? MF_ENABLED : MF_GRAYED));
    ::SetForegroundWindow(FHandle);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr);
}

INT_PTR TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (FTray && FTray->OwnerMessage(message, wParam, lParam)) {
        return TRUE;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == kWatchTimer && FRecorder) {
            FRecorder->Tick();
        }
        return TRUE;
    case WM_INITDIALOG:
        InitDialog();
        // The controller sets the focus.
        return FALSE;
    case WM_SHOWWINDOW:
        if (wParam) {
            ::PostMessageW(FHandle, kFirstShowMessage, 0, 0);
        }
        return FALSE;
    case kFirstShowMessage:
        FController.FirstShow();
        return TRUE;
    case WM_COMMAND:
        // The dialog's own Enter and Esc answers are not commands here.
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) {
            Command(LOWORD(wParam));
        }
        return TRUE;
    case WM_INITMENUPOPUP:
        UpdateMenu(reinterpret_cast<HMENU>(wParam), FController.Actions());
        return TRUE;
    case WM_SETCURSOR:
        return SetCaptureCursor() ? TRUE : FALSE;
    case WM_CONTEXTMENU: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {
            ::GetCursorPos(&at);
        }
        PopupMenuPopup(at);
        return TRUE;
    }
    case WM_CLOSE:
        FormCloseQuery();
        return TRUE;
    case WM_ENDSESSION:
        // The process ends after this; a capture under way ends with it.
        if (wParam) {
            FController.SaveForRestart();
            FController.EndSession();
        }
        return TRUE;
    case WM_DESTROY:
        if (FTray) {
            FTray->SetIconVisible(false);
        }
        ShowShutdownBlockReason("");
        FHandle = nullptr;
        ::PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace quill
