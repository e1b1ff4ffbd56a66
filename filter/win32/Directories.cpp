#include "filter/win32/Directories.h"

#include "common/TextCompare.h"
#include "common/win32/FormDialogProc.h"
#include "common/win32/ListBox.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "filter/win32/DirectoriesIds.h"

#include <algorithm>

namespace quill {
namespace {

constexpr int kMargin = 6;
constexpr int kButtonHeight = 25;
constexpr int kButtonWidth = 90;

} // namespace

TfrmDirectories::TfrmDirectories(std::string paths, std::string executableDirectory, IMessageBoxes& messages,
                                 TChooseDirectory choose)
    : FPaths(std::move(paths)), FExecutableDirectory(std::move(executableDirectory)), FMessages(messages),
      FChoose(std::move(choose)) {}

INT_PTR TfrmDirectories::ShowModal(HWND owner) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DIRECTORIES), owner,
                             FormDialogProc<TfrmDirectories>, reinterpret_cast<LPARAM>(this));
}

INT_PTR TfrmDirectories::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        ::SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - kWidth) / 2,
                       work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight, SWP_NOZORDER);
        FormShow();
        return TRUE;
    }
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {kWidth, kHeight};
        return TRUE;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == ::GetDlgItem(FHandle, IDC_DIRS_LBLIST)) {
            PopupMenuPopup({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return TRUE;
        }
        return FALSE;
    case WM_VKEYTOITEM: {
        const int key = LOWORD(wParam);
        if (key == VK_DELETE || key == VK_BACK) {
            bDeleteClick();
            return -2;
        }
        if (key == 'A' && ::GetKeyState(VK_CONTROL) < 0) {
            mSelectAllClick();
            return -2;
        }
        return -1;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DIRS_BADD:
            bAddClick();
            return TRUE;
        case IDC_DIRS_BDELETE:
            bDeleteClick();
            return TRUE;
        case CM_DIRS_SELECTALL:
            mSelectAllClick();
            return TRUE;
        case IDOK:
            FPaths = FList->Paths();
            ::EndDialog(FHandle, IDOK);
            return TRUE;
        case IDCANCEL:
            ::EndDialog(FHandle, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void TfrmDirectories::FormShow() {
    FList.emplace(FPaths);
    ShowList({});
}

void TfrmDirectories::Layout() {
    RECT client{};
    ::GetClientRect(FHandle, &client);
    const int width = client.right;
    const int buttonsTop = client.bottom - kMargin - kButtonHeight;
    const auto place = [this](int id, int x, int y, int w, int h) {
        ::MoveWindow(::GetDlgItem(FHandle, id), x, y, w, h, TRUE);
    };
    place(IDC_DIRS_LBLIST, 0, 0, width, buttonsTop - kMargin);
    place(IDC_DIRS_BADD, kMargin, buttonsTop, kButtonWidth, kButtonHeight);
    place(IDC_DIRS_BDELETE, 2 * kMargin + kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    place(IDOK, width - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    place(IDCANCEL, width - 2 * (kMargin + kButtonWidth), buttonsTop, kButtonWidth, kButtonHeight);
}

// Shows the entries again with the given ones selected.
void TfrmDirectories::ShowList(const std::vector<std::string>& select) {
    const HWND list = ::GetDlgItem(FHandle, IDC_DIRS_LBLIST);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const auto& entries = FList->Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entries[i]).c_str()));
        const bool selected = std::any_of(select.begin(), select.end(),
                                          [&entry = entries[i]](const std::string& s) { return SameText(s, entry); });
        if (selected) {
            ::SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
        }
    }
}

std::vector<std::size_t> TfrmDirectories::SelectedIndexes() const {
    return SelectedListItems(::GetDlgItem(FHandle, IDC_DIRS_LBLIST));
}

std::vector<std::string> TfrmDirectories::SelectedEntries() const {
    std::vector<std::string> selected;
    for (const std::size_t index : SelectedIndexes()) {
        if (index < FList->Entries().size()) {
            selected.push_back(FList->Entries()[index]);
        }
    }
    return selected;
}

void TfrmDirectories::bAddClick() {
    if (!FChoose) {
        return;
    }
    const std::optional<std::string> chosen =
        FChoose(FHandle, "Directories to scan", FList->StartDirectory(FExecutableDirectory));
    if (!chosen) {
        return;
    }
    const std::vector<std::string> selected = SelectedEntries();
    if (FList->Add(*chosen, FMessages)) {
        ShowList(selected);
    }
}

void TfrmDirectories::bDeleteClick() {
    FList->Delete(SelectedIndexes());
    ShowList({});
}

void TfrmDirectories::mSelectAllClick() {
    ::SendDlgItemMessageW(FHandle, IDC_DIRS_LBLIST, LB_SETSEL, TRUE, -1);
}

void TfrmDirectories::PopupMenuPopup(POINT at) {
    if (at.x == -1 && at.y == -1) {
        RECT frame{};
        ::GetWindowRect(::GetDlgItem(FHandle, IDC_DIRS_LBLIST), &frame);
        at = {frame.left, frame.top};
    }
    TUniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, CM_DIRS_SELECTALL, L"Select all\tCtrl+A");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr));
    if (command != 0) {
        ::SendMessageW(FHandle, WM_COMMAND, command, 0);
    }
}

bool EditDirectoryList(HWND owner, std::string& paths, IMessageBoxes& messages, std::string executableDirectory,
                       TChooseDirectory choose) {
    TfrmDirectories form(paths, std::move(executableDirectory), messages, std::move(choose));
    if (form.ShowModal(owner) != IDOK) {
        return false;
    }
    paths = form.Paths();
    return true;
}

} // namespace quill
