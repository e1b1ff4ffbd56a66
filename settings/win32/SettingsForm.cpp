#include "settings/win32/SettingsForm.h"

#include "common/win32/FormDialogProc.h"
#include "common/win32/ListBox.h"
#include "common/win32/WinText.h"
#include "settings/SettingsTable.h"
#include "settings/win32/InputQuery.h"
#include "settings/win32/SettingsFormIds.h"

#include <commctrl.h>
#include <shellapi.h>

namespace quill {
namespace {

constexpr const wchar_t* kPageCaptions[] = {L"Shell Events",  L"Registry", L"File Watch", L"File Scan",
                                            L"Process Watch", L"Report",   L"Misc."};

constexpr wchar_t kRegistryPage[] = L"https://learn.microsoft.com/windows/win32/sysinfo/registry";

TSettingsPage BoxPage(std::size_t box) {
    if (box < cbLocalMachine) {
        return pgShellEvents;
    }
    if (box <= cbCurrentConfig) {
        return pgRegistry;
    }
    switch (box) {
    case cbFSScan:
        return pgFileScan;
    case cbWatchProcesses:
    case cbNoProcList:
    case cbStartup:
        return pgProcessWatch;
    case cbReportDateTime:
        return pgReport;
    case cbSkipSteps:
    case cbDiskUsage:
        return pgMisc;
    default:
        return pgFileWatch;
    }
}

struct TPageControl {
    int Id;
    TSettingsPage Page;
};

constexpr TPageControl kPageControls[] = {
    {IDC_SET_REGISTRYLINK, pgRegistry},   {IDC_SET_GBWATCH, pgFileWatch},        {IDC_SET_BWATCHPATHS, pgFileWatch},
    {IDC_SET_LWATCHWARNING, pgFileWatch}, {IDC_SET_GBHASHING, pgFileScan},       {IDC_SET_HASHNONE, pgFileScan},
    {IDC_SET_HASHMD5, pgFileScan},        {IDC_SET_HASHSHA1, pgFileScan},        {IDC_SET_BSCANPATHS, pgFileScan},
    {IDC_SET_LSCANWARNING, pgFileScan},   {IDC_SET_LBPROCESSES, pgProcessWatch}, {IDC_SET_BADD, pgProcessWatch},
    {IDC_SET_BDELETE, pgProcessWatch},    {IDC_SET_LREPORTDIR, pgReport},        {IDC_SET_EREPORTDIR, pgReport},
    {IDC_SET_BREPORTDIR, pgReport},
};

bool IsWarning(int id) {
    return id == IDC_SET_LWATCHWARNING || id == IDC_SET_LSCANWARNING;
}

int BoxId(std::size_t box) {
    return IDC_SET_FIRSTBOX + static_cast<int>(box);
}

} // namespace

TfrmSettings::TfrmSettings(TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                           TSettingsEnvironment environment, TSettingsDialogActions actions)
    : FMessages(messages), FState(settings, messages, startup, std::move(environment)), FActions(std::move(actions)) {}

INT_PTR TfrmSettings::ShowModal(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                             FormDialogProc<TfrmSettings>, reinterpret_cast<LPARAM>(this));
}

INT_PTR TfrmSettings::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_SET_PAGECONTROL && header->code == TCN_SELCHANGE) {
            ShowPage(TabCtrl_GetCurSel(header->hwndFrom));
            return TRUE;
        }
        return FALSE;
    }
    case WM_CTLCOLORSTATIC:
        return ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CONTEXTMENU: {
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (reinterpret_cast<HWND>(wParam) == ::GetDlgItem(FHandle, IDC_SET_LBPROCESSES)) {
            ProgramsPopup(at);
        } else {
            FormPopup(at);
        }
        return TRUE;
    }
    case WM_VKEYTOITEM:
        if (LOWORD(wParam) == VK_DELETE && !FShowing) {
            FState.DeletePrograms(SelectedPrograms(), true);
            ShowState();
            return -2;
        }
        return -1;
    case WM_COMMAND:
        return Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    return FALSE;
}

bool TfrmSettings::Command(int id, int code) {
    if (id >= IDC_SET_FIRSTBOX && id < BoxId(cbBoxCount)) {
        if (code == BN_CLICKED && !FShowing) {
            FState.Click(static_cast<TSettingsBox>(id - IDC_SET_FIRSTBOX), ::IsDlgButtonChecked(FHandle, id) != 0);
            ShowState();
        }
        return true;
    }
    switch (id) {
    case IDC_SET_HASHNONE:
    case IDC_SET_HASHMD5:
    case IDC_SET_HASHSHA1:
        if (code == BN_CLICKED && !FShowing && id - IDC_SET_HASHNONE != FState.Hashing()) {
            FState.HashingClick(id - IDC_SET_HASHNONE);
            ShowState();
        }
        return true;
    case IDC_SET_EREPORTDIR:
        if (code == EN_CHANGE && !FShowing) {
            FState.ReportDirChange(ReportDirText());
            ShowState();
        }
        return true;
    case IDC_SET_REGISTRYLINK:
        if (code == STN_CLICKED) {
            ::ShellExecuteW(FHandle, L"open", kRegistryPage, nullptr, nullptr, SW_SHOWNORMAL);
        }
        return true;
    case IDC_SET_BWATCHPATHS:
    case IDC_SET_BSCANPATHS:
        PathsClick();
        return true;
    case IDC_SET_BFILTER:
        if (FActions.Filter) {
            FActions.Filter(FHandle);
        }
        return true;
    case IDC_SET_BHELP:
        if (FActions.Help) {
            FActions.Help(FHandle, FPage);
        }
        return true;
    case IDC_SET_BADD:
    case CM_SET_ADD:
        AddClick();
        return true;
    case IDC_SET_BDELETE:
    case CM_SET_DELETESELECTED:
        FState.DeletePrograms(SelectedPrograms(), false);
        ShowState();
        return true;
    case CM_SET_SELECTALL:
        ::SendDlgItemMessageW(FHandle, IDC_SET_LBPROCESSES, LB_SETSEL, TRUE, -1);
        return true;
    case IDC_SET_BREPORTDIR:
        ReportDirClick();
        return true;
    case CM_SET_IGNORESHELL:
    case CM_SET_RECORDSHELL:
    case CM_SET_IGNOREREGISTRY:
    case CM_SET_RECORDREGISTRY:
    case CM_SET_IGNOREFILEWATCH:
    case CM_SET_RECORDFILEWATCH:
        FState.Bulk(static_cast<TBulkCommand>(id - CM_SET_IGNORESHELL));
        ShowState();
        return true;
    case CM_SET_DEFAULTS:
        FState.UseDefaults();
        ShowState();
        return true;
    case IDOK:
        bOKClick();
        return true;
    case IDCANCEL:
        // Cancel, Escape and the close box.
        TryClose(IDCANCEL, TCloseRequest::Discard);
        return true;
    }
    return false;
}

void TfrmSettings::FormCreate() {
    const HWND pages = ::GetDlgItem(FHandle, IDC_SET_PAGECONTROL);
    for (int page = 0; page < pgPageCount; ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[page]);
        TabCtrl_InsertItem(pages, page, &item);
    }
    // The page control stays below the controls it frames.
    ::SetWindowPos(pages, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    FToolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(FToolTip, TTM_SETMAXTIPWIDTH, 0, 400);
    for (std::size_t box = cbFirstShellEvent; box <= cbCurrentConfig; ++box) {
        AddHint(::GetDlgItem(FHandle, BoxId(box)), ShellAndRootHint(box));
    }
    AddHint(::GetDlgItem(FHandle, BoxId(cbSkipSteps)), "Experienced users may wish to skip some steps");

    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(FHandle, WM_GETFONT, 0, 0)), sizeof(font), &font);
    font.lfWeight = FW_BOLD;
    FWarningFont.Reset(::CreateFontIndirectW(&font));
    for (const int warning : {IDC_SET_LWATCHWARNING, IDC_SET_LSCANWARNING}) {
        ::SendDlgItemMessageW(FHandle, warning, WM_SETFONT, reinterpret_cast<WPARAM>(FWarningFont.Get()), FALSE);
    }

    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - kWidth) / 2,
                   work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER);
    FShowing = true;
    FState.LoadSettings();
    FShowing = false;
    TabCtrl_SetCurSel(pages, pgShellEvents);
    ShowPage(pgShellEvents);
    ShowState();
}

void TfrmSettings::AddHint(HWND control, std::string_view hint) {
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

void TfrmSettings::ShowPage(int page) {
    FPage = page;
    TabCtrl_SetCurSel(::GetDlgItem(FHandle, IDC_SET_PAGECONTROL), page);
    for (std::size_t box = 0; box < cbBoxCount; ++box) {
        ::ShowWindow(::GetDlgItem(FHandle, BoxId(box)), BoxPage(box) == page ? SW_SHOW : SW_HIDE);
    }
    for (const TPageControl& control : kPageControls) {
        const bool shown = control.Page == page && (!IsWarning(control.Id) || FState.PathsWarning());
        ::ShowWindow(::GetDlgItem(FHandle, control.Id), shown ? SW_SHOW : SW_HIDE);
    }
}

void TfrmSettings::ShowState() {
    FShowing = true;
    for (std::size_t box = 0; box < cbBoxCount; ++box) {
        const auto which = static_cast<TSettingsBox>(box);
        ::CheckDlgButton(FHandle, BoxId(box), FState.Checked(which) ? BST_CHECKED : BST_UNCHECKED);
        ::EnableWindow(::GetDlgItem(FHandle, BoxId(box)), FState.Enabled(which));
    }
    ::CheckRadioButton(FHandle, IDC_SET_HASHNONE, IDC_SET_HASHSHA1, IDC_SET_HASHNONE + FState.Hashing());
    for (const int id : {IDC_SET_GBHASHING, IDC_SET_HASHNONE, IDC_SET_HASHMD5, IDC_SET_HASHSHA1}) {
        ::EnableWindow(::GetDlgItem(FHandle, id), FState.HashingEnabled());
    }
    ShowPrograms();
    for (const int id : {IDC_SET_LBPROCESSES, IDC_SET_BADD, IDC_SET_BDELETE}) {
        ::EnableWindow(::GetDlgItem(FHandle, id), FState.ProgramsEnabled());
    }
    if (ReportDirText() != FState.ReportDir()) {
        ::SetDlgItemTextW(FHandle, IDC_SET_EREPORTDIR, Wide(FState.ReportDir()).c_str());
    }
    ::ShowWindow(::GetDlgItem(FHandle, IDC_SET_LWATCHWARNING),
                 FPage == pgFileWatch && FState.PathsWarning() ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(FHandle, IDC_SET_LSCANWARNING),
                 FPage == pgFileScan && FState.PathsWarning() ? SW_SHOW : SW_HIDE);
    ::EnableWindow(::GetDlgItem(FHandle, IDCANCEL), FState.CancelEnabled());
    FShowing = false;
}

// Filled again only when the names changed, so that a selection survives
// other changes.
void TfrmSettings::ShowPrograms() {
    if (FShownPrograms == FState.Programs() && !FShownPrograms.empty()) {
        return;
    }
    const HWND list = ::GetDlgItem(FHandle, IDC_SET_LBPROCESSES);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& program : FState.Programs()) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(program).c_str()));
    }
    FShownPrograms = FState.Programs();
}

std::vector<std::size_t> TfrmSettings::SelectedPrograms() const {
    return SelectedListItems(::GetDlgItem(FHandle, IDC_SET_LBPROCESSES));
}

std::string TfrmSettings::ReportDirText() const {
    const HWND field = ::GetDlgItem(FHandle, IDC_SET_EREPORTDIR);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void TfrmSettings::PathsClick() {
    std::string paths = FState.Paths();
    if (FActions.EditPaths && FActions.EditPaths(FHandle, paths)) {
        FState.PathsEdited(paths);
    }
    ShowState();
    ShowPage(FPage);
}

void TfrmSettings::AddClick() {
    std::string name;
    if (!InputQuery(FHandle, "Process filename (no path)", "Name", name)) {
        name.clear();
    }
    FState.AddProgram(name);
    ShowState();
}

void TfrmSettings::ReportDirClick() {
    if (!FActions.ChooseDirectory) {
        return;
    }
    if (const auto chosen = FActions.ChooseDirectory(FHandle, "Report directory", ReportDirText())) {
        FState.ReportDirChosen(*chosen);
        ShowState();
    }
}

void TfrmSettings::bOKClick() {
    if (!FState.OkClick(DirectoryExists(ReportDirText()))) {
        ShowPage(TSettingsDialogState::kReportDirPage);
        ::SetFocus(::GetDlgItem(FHandle, IDC_SET_EREPORTDIR));
        ShowState();
        return;
    }
    TryClose(IDOK, TCloseRequest::Keep);
}

void TfrmSettings::TryClose(INT_PTR result, TCloseRequest request) {
    if (FState.CloseQuery(request)) {
        ::EndDialog(FHandle, result);
        return;
    }
    ShowState();
}

void TfrmSettings::FormPopup(POINT at) {
    if (at.x == -1 && at.y == -1) {
        RECT frame{};
        ::GetWindowRect(FHandle, &frame);
        at = {frame.left, frame.top};
    }
    TUniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_IGNORESHELL, L"Ignore all shell event notifications");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_RECORDSHELL, L"Record all shell event notifications");
    ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_IGNOREREGISTRY, L"Ignore all registry changes");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_RECORDREGISTRY, L"Record all registry changes");
    ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_IGNOREFILEWATCH, L"Ignore all file watch changes");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_RECORDFILEWATCH, L"Record all file watch changes");
    ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_DEFAULTS, L"Use defaults");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr));
    if (command != 0) {
        ::SendMessageW(FHandle, WM_COMMAND, command, 0);
    }
}

void TfrmSettings::ProgramsPopup(POINT at) {
    if (!FState.ProgramsEnabled()) {
        return;
    }
    if (at.x == -1 && at.y == -1) {
        RECT frame{};
        ::GetWindowRect(::GetDlgItem(FHandle, IDC_SET_LBPROCESSES), &frame);
        at = {frame.left, frame.top};
    }
    TUniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_SELECTALL, L"Select all");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_DELETESELECTED, L"Delete selected");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SET_ADD, L"Add");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr));
    if (command != 0) {
        ::SendMessageW(FHandle, WM_COMMAND, command, 0);
    }
}

INT_PTR TfrmSettings::ControlColor(HDC context, HWND control) {
    const int id = ::GetDlgCtrlID(control);
    if (!IsWarning(id) && id != IDC_SET_REGISTRYLINK) {
        return FALSE;
    }
    ::SetTextColor(context, IsWarning(id) ? RGB(255, 0, 0) : RGB(0, 0, 255));
    ::SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
}

void ShowSettingsDialog(HWND owner, TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                        TSettingsEnvironment environment, TSettingsDialogActions actions) {
    TfrmSettings form(settings, messages, startup, std::move(environment), std::move(actions));
    form.ShowModal(owner);
}

} // namespace quill
