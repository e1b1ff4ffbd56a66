#include "filter/win32/SelectForm.h"

#include "common/win32/FormDialogProc.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "filter/win32/SelectFormIds.h"
#include "filter/win32/Win32IgnoreFiles.h"
#include "monitor/win32/SHChangeNotify.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <exception>

namespace quill {
namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kBrowseWidth = 32;
constexpr int kLabelWidth = 72;

bool IsFileKind(TIgnoreKind kind) {
    return kind == TIgnoreKind::Files || kind == TIgnoreKind::Directories;
}

// The folder part of a path: up to its last backslash, or nothing.
std::wstring FolderPart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// "C:\" from "C:\Something", or nothing.
std::wstring DrivePart(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) + L"\\" : std::wstring();
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

TfrmSelect::TfrmSelect(TIgnoreKind kind, std::string folder, IIgnoreFiles& files, IMessageBoxes& messages)
    : FKind(kind), FFolder(std::move(folder)), FFiles(files), FMessages(messages) {}

INT_PTR TfrmSelect::ShowModal(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SELECT), owner,
                             FormDialogProc<TfrmSelect>, reinterpret_cast<LPARAM>(this));
}

INT_PTR TfrmSelect::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        FormShow();
        return TRUE;
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {kMinWidth, kMinHeight};
        return TRUE;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == FList) {
            PopupMenuPopup({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_SELECT_CLBOX) {
            return FALSE;
        }
        if (header->code == LVN_ITEMCHANGED) {
            clBoxItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        } else if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) {
            mDeleteClick();
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SELECT_BADD:
            bAddClick();
            return TRUE;
        case IDC_SELECT_SBUTTON:
            sButtonClick();
            return TRUE;
        case IDOK:
            FEditor->OkClick();
            TryClose(IDOK);
            return TRUE;
        case IDCANCEL:
            TryClose(IDCANCEL);
            return TRUE;
        case CM_SELECT_CHECKALL:
            CheckAll(true);
            return TRUE;
        case CM_SELECT_UNCHECKALL:
            CheckAll(false);
            return TRUE;
        case CM_SELECT_SELECTALL:
            mSelectAllClick();
            return TRUE;
        case CM_SELECT_DELETE:
            mDeleteClick();
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void TfrmSelect::FormCreate() {
    const TIgnoreKindInfo info = IgnoreKindInfo(FKind);
    ::SetWindowTextW(FHandle, Wide(info.Caption).c_str());
    ::SetDlgItemTextW(FHandle, IDC_SELECT_LITEM, Wide(info.Label).c_str());
    FList = ::GetDlgItem(FHandle, IDC_SELECT_CLBOX);
    ListView_SetExtendedListViewStyle(FList, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ListView_InsertColumn(FList, 0, &column);
    FEditor.emplace(FKind, FFolder, FFiles, FMessages);
    FillList();
}

void TfrmSelect::FormShow() {
    ::EnableWindow(::GetDlgItem(FHandle, IDC_SELECT_SBUTTON), IsFileKind(FKind));
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - kWidth) / 2,
                   work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER);
    ::SetFocus(::GetDlgItem(FHandle, IDC_SELECT_EITEM));
}

void TfrmSelect::Layout() {
    RECT client{};
    ::GetClientRect(FHandle, &client);
    const int width = client.right;
    const int height = client.bottom;
    const auto place = [this](int id, int x, int y, int w, int h) {
        ::MoveWindow(::GetDlgItem(FHandle, id), x, y, w, h, TRUE);
    };
    const int addX = width - kMargin - kButtonWidth;
    const int browseX = addX - 6 - kBrowseWidth;
    const int editX = kMargin + kLabelWidth;
    place(IDC_SELECT_LITEM, kMargin, kMargin + 4, kLabelWidth - 4, kRowHeight - 4);
    place(IDC_SELECT_EITEM, editX, kMargin, browseX - 6 - editX, kRowHeight);
    place(IDC_SELECT_SBUTTON, browseX, kMargin, kBrowseWidth, kRowHeight);
    place(IDC_SELECT_BADD, addX, kMargin, kButtonWidth, kRowHeight);
    const int buttonsY = height - kMargin - kButtonHeight;
    const int listY = kMargin + kRowHeight + kMargin;
    place(IDC_SELECT_CLBOX, kMargin, listY, width - 2 * kMargin, buttonsY - kMargin - listY);
    place(IDCANCEL, width - kMargin - kButtonWidth, buttonsY, kButtonWidth, kButtonHeight);
    place(IDOK, width - 2 * (kMargin + kButtonWidth), buttonsY, kButtonWidth, kButtonHeight);
    RECT list{};
    ::GetClientRect(FList, &list);
    ListView_SetColumnWidth(FList, 0, list.right);
}

void TfrmSelect::FillList(std::optional<std::size_t> focus) {
    FFilling = true;
    ::SendMessageW(FList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(FList);
    const std::vector<TIgnoreEntry>& entries = FEditor->Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::wstring text = Wide(entries[i].Text);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = text.data();
        const int index = ListView_InsertItem(FList, &item);
        ListView_SetCheckState(FList, index, entries[i].Checked);
    }
    if (focus) {
        const int index = static_cast<int>(*focus);
        ListView_SetItemState(FList, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(FList, index, FALSE);
    }
    ::SendMessageW(FList, WM_SETREDRAW, TRUE, 0);
    FFilling = false;
}

std::vector<std::size_t> TfrmSelect::SelectedIndexes() const {
    std::vector<std::size_t> selected;
    for (int i = ListView_GetNextItem(FList, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(FList, i, LVNI_SELECTED)) {
        selected.push_back(static_cast<std::size_t>(i));
    }
    return selected;
}

std::string TfrmSelect::ItemText() const {
    const HWND edit = ::GetDlgItem(FHandle, IDC_SELECT_EITEM);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void TfrmSelect::SetItemText(const std::string& text) {
    ::SetDlgItemTextW(FHandle, IDC_SELECT_EITEM, Wide(text).c_str());
}

void TfrmSelect::bAddClick() {
    if (const std::optional<std::size_t> index = FEditor->Add(ItemText())) {
        SetItemText("");
        FillList(index);
    }
}

void TfrmSelect::sButtonClick() {
    if (FKind == TIgnoreKind::Files) {
        BrowseFiles();
    } else if (FKind == TIgnoreKind::Directories) {
        BrowseDirectory();
    }
}

void TfrmSelect::BrowseFiles() {
    const std::wstring initial = FolderPart(Wide(ItemText()));
    std::wstring chosen(64 * 1024, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = FHandle;
    dialog.lpstrFilter = L"All files\0*.*\0";
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    dialog.lpstrTitle = L"Files to ignore";
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING | OFN_FORCESHOWHIDDEN | OFN_FILEMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog)) {
        return;
    }
    // One file: its full path. Several: the folder, then each name.
    const wchar_t* first = chosen.c_str();
    const wchar_t* name = first + wcslen(first) + 1;
    std::vector<std::wstring> paths;
    if (*name == L'\0') {
        paths.emplace_back(first);
    }
    const std::wstring folder = std::wstring(first).ends_with(L'\\') ? first : std::wstring(first) + L'\\';
    for (; *name != L'\0'; name += wcslen(name) + 1) {
        paths.push_back(folder + name);
    }
    std::optional<std::string> last;
    for (const std::wstring& path : paths) {
        SetItemText(Narrow(path));
        if (const std::optional<std::size_t> index = FEditor->Add(ItemText())) {
            last = FEditor->Entries()[*index].Text;
            SetItemText("");
        }
    }
    // Later additions may have moved the last one down the sorted list.
    std::optional<std::size_t> focus;
    for (std::size_t i = 0; last && i < FEditor->Entries().size(); ++i) {
        if (FEditor->Entries()[i].Text == *last) {
            focus = i;
        }
    }
    FillList(focus);
}

void TfrmSelect::BrowseDirectory() {
    std::wstring drive = DrivePart(Wide(ItemText()));
    if (drive.empty() || !IsDirectory(drive)) {
        drive = DrivePart(Wide(IgnoreListFolder()));
    }
    TIdList root;
    ::SHParseDisplayName(drive.c_str(), nullptr, root.Put(), 0, nullptr);
    BROWSEINFOW browse{};
    browse.hwndOwner = FHandle;
    browse.pidlRoot = root.Get();
    browse.lpszTitle = L"Directory to ignore";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    const TIdList picked(::SHBrowseForFolderW(&browse));
    wchar_t path[MAX_PATH] = {};
    if (!picked || !::SHGetPathFromIDListW(picked.Get(), path)) {
        return;
    }
    SetItemText(Narrow(path));
    bAddClick();
}

void TfrmSelect::clBoxItemChanged(const NMLISTVIEW& change) {
    if (FFilling || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(change.iItem);
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0 && index < FEditor->Entries().size()) {
        FEditor->SetChecked(index, ListView_GetCheckState(FList, change.iItem) != 0);
    }
    if ((change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0 &&
        index < FEditor->Entries().size()) {
        SetItemText(FEditor->Entries()[index].Text);
    }
}

void TfrmSelect::PopupMenuPopup(POINT at) {
    if (at.x == -1 && at.y == -1) {
        RECT list{};
        ::GetWindowRect(FList, &list);
        at = {list.left, list.top};
    }
    TUniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SELECT_CHECKALL, L"Check all");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SELECT_UNCHECKALL, L"Uncheck all");
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SELECT_SELECTALL, L"Select all");
    ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.Get(), MF_STRING, CM_SELECT_DELETE, L"Delete selected");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr));
    if (command != 0) {
        ::SendMessageW(FHandle, WM_COMMAND, command, 0);
    }
}

void TfrmSelect::CheckAll(bool checked) {
    FEditor->CheckAll(checked);
    FillList();
}

void TfrmSelect::mDeleteClick() {
    FEditor->Delete(SelectedIndexes());
    FillList();
}

void TfrmSelect::mSelectAllClick() {
    ListView_SetItemState(FList, -1, LVIS_SELECTED, LVIS_SELECTED);
}

void TfrmSelect::TryClose(INT_PTR result) {
    if (FEditor->CloseQuery()) {
        ::EndDialog(FHandle, result);
    }
}

void EditIgnoreList(HWND owner, TIgnoreKind kind, IIgnoreFiles& files, IMessageBoxes& messages) {
    TfrmSelect form(kind, IgnoreListFolder(), files, messages);
    form.ShowModal(owner);
}

} // namespace quill
