#pragma once

#include "common/MessageBoxes.h"
#include "common/win32/ChooseDirectory.h"
#include "filter/DirectoryList.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace quill {

// The dialog that edits the directories to scan and watch. Its rules live in
// TDirectoryList; the window shows the list and reports the user's acts.
class TfrmDirectories {
public:
    TfrmDirectories(std::string paths, std::string executableDirectory, IMessageBoxes& messages,
                    TChooseDirectory choose);
    TfrmDirectories(const TfrmDirectories&) = delete;
    TfrmDirectories& operator=(const TfrmDirectories&) = delete;

    // Returns IDOK or IDCANCEL once the dialog has closed.
    INT_PTR ShowModal(HWND owner);
    // The list text: as handed in, or as the list stood when OK closed it.
    const std::string& Paths() const noexcept { return FPaths; }

    static constexpr int kWidth = 407;
    static constexpr int kHeight = 253;

private:
    template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormShow();
    void Layout();
    void ShowList(const std::vector<std::string>& select);
    std::vector<std::size_t> SelectedIndexes() const;
    std::vector<std::string> SelectedEntries() const;
    void bAddClick();
    void bDeleteClick();
    void mSelectAllClick();
    void PopupMenuPopup(POINT at);

    std::string FPaths;
    std::string FExecutableDirectory;
    IMessageBoxes& FMessages;
    TChooseDirectory FChoose;
    std::optional<TDirectoryList> FList;
    HWND FHandle = nullptr;
};

// Edits the list text; true, with the text replaced, when the user pressed
// OK.
bool EditDirectoryList(HWND owner, std::string& paths, IMessageBoxes& messages, std::string executableDirectory,
                       TChooseDirectory choose = BrowseForDirectory);

} // namespace quill
