#pragma once

#include "filter/FilterSwitches.h"
#include "filter/IgnoreListEditor.h"
#include "filter/StoreFilter.h"

#include <windows.h>

#include <array>
#include <string>

namespace quill {

// Every system this program runs on is of the NT family, where directories
// can be watched.
inline constexpr bool kDirectoryWatching = true;

// The result filter's dialog: forty switches on three pages, and the buttons
// that open the ignore lists. Its rules live in TFilterDialogState; the
// window shows them.
class TfrmFilter {
public:
    TfrmFilter(TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files);
    TfrmFilter(const TfrmFilter&) = delete;
    TfrmFilter& operator=(const TfrmFilter&) = delete;

    // Returns IDOK or IDCANCEL once the dialog has closed.
    INT_PTR ShowModal(HWND owner);

    static constexpr int kWidth = 779;
    static constexpr int kHeight = 397;

private:
    template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void CreateSwitches();
    void AddHint(HWND control, std::string_view hint);
    void ShowPage(int page);
    void ShowSwitches();
    void FilterChange(std::size_t index);
    void PopupMenuPopup(POINT at);
    void TryClose(INT_PTR result);

    IMessageBoxes& FMessages;
    IIgnoreFiles& FFiles;
    TFilterDialogState FState;
    HWND FHandle = nullptr;
    HWND FToolTip = nullptr;
    std::array<HWND, TFilterSwitches::kCount> FSwitchBoxes{};
};

void ShowFilterDialog(HWND owner, TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files);

// Sets every result record's Included flag from the stored switches and the
// ignore lists beside the program, read afresh.
void ApplyResultFilter(const TSettings& settings, IMessageBoxes& messages, IIgnoreFiles& files, TSessionStore& store);

// Stores all forty switches as they read now.
void StoreFilterSwitches(TSettings& settings);

} // namespace quill
