#pragma once

#include "filter/IgnoreListEditor.h"

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

namespace quill {

// The editor of one ignore list: a check list of its entries with an entry
// field to add more, by typing or by browsing for files or a folder.
class TfrmSelect {
public:
    TfrmSelect(TIgnoreKind kind, std::string folder, IIgnoreFiles& files, IMessageBoxes& messages);
    TfrmSelect(const TfrmSelect&) = delete;
    TfrmSelect& operator=(const TfrmSelect&) = delete;

    // Returns IDOK or IDCANCEL once the dialog has closed.
    INT_PTR ShowModal(HWND owner);

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;
    static constexpr int kMinWidth = 462;
    static constexpr int kMinHeight = 296;

private:
    template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void FormShow();
    void Layout();
    void FillList(std::optional<std::size_t> focus = std::nullopt);
    std::vector<std::size_t> SelectedIndexes() const;
    void bAddClick();
    void sButtonClick();
    void BrowseFiles();
    void BrowseDirectory();
    void clBoxItemChanged(const NMLISTVIEW& change);
    void PopupMenuPopup(POINT at);
    void mDeleteClick();
    void mSelectAllClick();
    void CheckAll(bool checked);
    void TryClose(INT_PTR result);
    std::string ItemText() const;
    void SetItemText(const std::string& text);

    TIgnoreKind FKind;
    std::string FFolder;
    IIgnoreFiles& FFiles;
    IMessageBoxes& FMessages;
    std::optional<TIgnoreListEditor> FEditor;
    HWND FHandle = nullptr;
    HWND FList = nullptr;
    bool FFilling = false;
};

// Shows the kind's editor modally over the owner.
void EditIgnoreList(HWND owner, TIgnoreKind kind, IIgnoreFiles& files, IMessageBoxes& messages);

} // namespace quill
