#include "filter/win32/ResultsFilterForm.h"

#include "common/win32/FormDialogProc.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "filter/win32/ResultsFilterFormIds.h"
#include "filter/win32/SelectForm.h"
#include "filter/win32/Win32IgnoreFiles.h"
#include "settings/SettingsTable.h"

#include <commctrl.h>

#include <exception>

namespace quill {
namespace {

enum TPage { pgShell, pgRegistry, pgFiles };

constexpr const wchar_t* kPageCaptions[] = {L"Shell Events", L"Registry", L"Files"};

TPage SwitchPage(std::size_t index) {
    if (index < fsLocalMachine) {
        return pgShell;
    }
    return index < fsSize ? pgRegistry : pgFiles;
}

// Where a switch's check box stands, in dialog units.
RECT SwitchPlace(std::size_t index) {
    constexpr LONG kWidth = 235;
    constexpr LONG kHeight = 10;
    LONG x = 14;
    LONG y = 26;
    if (index < fsLocalMachine) {
        x += static_cast<LONG>(index / 10) * 250;
        y += static_cast<LONG>(index % 10) * 16;
    } else if (index < fsNewKey) {
        y += static_cast<LONG>(index - fsLocalMachine) * 16;
    } else if (index < fsSize) {
        x = 264;
        y += static_cast<LONG>(index - fsNewKey) * 16;
    } else if (index < fsWatchCreated) {
        x = 24;
        y = 114 + static_cast<LONG>(index - fsSize) * 12;
    } else {
        x = 24;
        y = 40 + static_cast<LONG>(index - fsWatchCreated) * 13;
    }
    return {x, y, x + kWidth, y + kHeight};
}

struct TPageControl {
    int Id;
    TPage Page;
    std::string_view Hint;
};

constexpr TPageControl kPageControls[] = {
    {IDC_FILTER_BIGNOREKEYS, pgRegistry, "Registry keys to always ignore and filter out"},
    {IDC_FILTER_BIGNOREVALUES, pgRegistry, "Registry values to always ignore and filter out"},
    {IDC_FILTER_BIGNOREDIRS, pgFiles, "Directories to always ignore and filter out"},
    {IDC_FILTER_BIGNOREFILES, pgFiles, "Files to always ignore and filter out"},
    {IDC_FILTER_GBWATCH, pgFiles, ""},
    {IDC_FILTER_GBSCAN, pgFiles, ""},
};

} // namespace

TfrmFilter::TfrmFilter(TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files)
    : FMessages(messages), FFiles(files), FState(settings, messages, kDirectoryWatching) {}

INT_PTR TfrmFilter::ShowModal(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FILTER), owner,
                             FormDialogProc<TfrmFilter>, reinterpret_cast<LPARAM>(this));
}

INT_PTR TfrmFilter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_FILTER_PAGECONTROL && header->code == TCN_SELCHANGE) {
            ShowPage(TabCtrl_GetCurSel(header->hwndFrom));
            return TRUE;
        }
        return FALSE;
    }
    case WM_CONTEXTMENU:
        PopupMenuPopup({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= IDC_FILTER_FIRSTSWITCH && id < IDC_FILTER_FIRSTSWITCH + static_cast<int>(TFilterSwitches::kCount)) {
            if (HIWORD(wParam) == BN_CLICKED) {
                FilterChange(static_cast<std::size_t>(id - IDC_FILTER_FIRSTSWITCH));
            }
            return TRUE;
        }
        switch (id) {
        case IDC_FILTER_BIGNOREKEYS:
            EditIgnoreList(FHandle, TIgnoreKind::Keys, FFiles, FMessages);
            return TRUE;
        case IDC_FILTER_BIGNOREVALUES:
            EditIgnoreList(FHandle, TIgnoreKind::Values, FFiles, FMessages);
            return TRUE;
        case IDC_FILTER_BIGNOREDIRS:
            EditIgnoreList(FHandle, TIgnoreKind::Directories, FFiles, FMessages);
            return TRUE;
        case IDC_FILTER_BIGNOREFILES:
            EditIgnoreList(FHandle, TIgnoreKind::Files, FFiles, FMessages);
            return TRUE;
        case CM_FILTER_DEFAULTS:
            FState.DefaultsClick();
            ShowSwitches();
            return TRUE;
        case IDOK:
            FState.OkClick();
            ::EndDialog(FHandle, IDOK);
            return TRUE;
        case IDCANCEL:
            TryClose(IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

void TfrmFilter::FormCreate() {
    const HWND pages = ::GetDlgItem(FHandle, IDC_FILTER_PAGECONTROL);
    for (int page = pgShell; page <= pgFiles; ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[page]);
        TabCtrl_InsertItem(pages, page, &item);
    }
    FToolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(FToolTip, TTM_SETMAXTIPWIDTH, 0, 400);
    CreateSwitches();
    for (const TPageControl& control : kPageControls) {
        AddHint(::GetDlgItem(FHandle, control.Id), control.Hint);
    }
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - kWidth) / 2,
                   work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER);
    TabCtrl_SetCurSel(pages, pgShell);
    ShowPage(pgShell);
    ShowSwitches();
}

void TfrmFilter::CreateSwitches() {
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(FHandle, WM_GETFONT, 0, 0));
    const auto options = FilterSwitchOptions();
    for (std::size_t i = 0; i < TFilterSwitches::kCount; ++i) {
        RECT place = SwitchPlace(i);
        ::MapDialogRect(FHandle, &place);
        FSwitchBoxes[i] =
            ::CreateWindowExW(0, L"BUTTON", Wide(options[i].Caption).c_str(), WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX,
                              place.left, place.top, place.right - place.left, place.bottom - place.top, FHandle,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER_FIRSTSWITCH + i)),
                              ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(FSwitchBoxes[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        AddHint(FSwitchBoxes[i], FilterSwitchHint(i));
    }
    // Above the group boxes, in tab order after them.
    for (const HWND box : FSwitchBoxes) {
        ::SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void TfrmFilter::AddHint(HWND control, std::string_view hint) {
    if (hint.empty() || FToolTip == nullptr) {
        return;
    }
    std::wstring text = Wide(hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = FHandle;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text.data();
    ::SendMessageW(FToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfrmFilter::ShowPage(int page) {
    for (std::size_t i = 0; i < TFilterSwitches::kCount; ++i) {
        ::ShowWindow(FSwitchBoxes[i], SwitchPage(i) == page ? SW_SHOW : SW_HIDE);
    }
    for (const TPageControl& control : kPageControls) {
        ::ShowWindow(::GetDlgItem(FHandle, control.Id), control.Page == page ? SW_SHOW : SW_HIDE);
    }
}

void TfrmFilter::ShowSwitches() {
    const TFilterSwitches& switches = FState.Switches();
    for (std::size_t i = 0; i < TFilterSwitches::kCount; ++i) {
        ::SendMessageW(FSwitchBoxes[i], BM_SETCHECK, switches.Checked(i) ? BST_CHECKED : BST_UNCHECKED, 0);
        ::EnableWindow(FSwitchBoxes[i], switches.Enabled(i));
    }
    ::EnableWindow(::GetDlgItem(FHandle, IDCANCEL), FState.Unsaved());
}

void TfrmFilter::FilterChange(std::size_t index) {
    FState.Click(index, ::SendMessageW(FSwitchBoxes[index], BM_GETCHECK, 0, 0) == BST_CHECKED);
    ShowSwitches();
}

void TfrmFilter::PopupMenuPopup(POINT at) {
    if (at.x == -1 && at.y == -1) {
        RECT frame{};
        ::GetWindowRect(FHandle, &frame);
        at = {frame.left, frame.top};
    }
    TUniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, CM_FILTER_DEFAULTS, L"Use detauls");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr));
    if (command != 0) {
        ::SendMessageW(FHandle, WM_COMMAND, command, 0);
    }
}

void TfrmFilter::TryClose(INT_PTR result) {
    if (FState.CloseQuery()) {
        ::EndDialog(FHandle, result);
    }
}

void ShowFilterDialog(HWND owner, TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files) {
    TfrmFilter form(settings, messages, files);
    form.ShowModal(owner);
}

void ApplyResultFilter(const TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files, TSessionStore& store) {
    ApplyResultFilter(settings, kDirectoryWatching,
                      LoadIgnoreLists(IgnoreListFolder(), files, messages, LookupEnvironmentVariable), store);
}

void StoreFilterSwitches(TSettings& settings) {
    StoreFilterSwitches(settings, kDirectoryWatching);
}

} // namespace quill
