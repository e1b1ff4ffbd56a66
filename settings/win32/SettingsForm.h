#pragma once

#include "common/win32/ChooseDirectory.h"
#include "common/win32/UniqueHandle.h"
#include "settings/SettingsDialogState.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quill {

// What the settings dialog opens of the rest of the program. An empty
// callback leaves its button without effect.
struct TSettingsDialogActions {
    // Opens the help at the page that explains the page shown.
    std::function<void(HWND owner, int page)> Help;
    std::function<void(HWND owner)> Filter;
    // Edits the directory list text; true when the user confirmed.
    std::function<bool(HWND owner, std::string& paths)> EditPaths;
    TChooseDirectory ChooseDirectory = BrowseForDirectory;
};

// The settings dialog: seven pages of options. Its rules live in
// TSettingsDialogState; the window shows them and reports the user's acts.
class TfrmSettings {
public:
    TfrmSettings(TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                 TSettingsEnvironment environment, TSettingsDialogActions actions);
    TfrmSettings(const TfrmSettings&) = delete;
    TfrmSettings& operator=(const TfrmSettings&) = delete;

    // Returns IDOK or IDCANCEL once the dialog has closed.
    INT_PTR ShowModal(HWND owner);

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 419;

private:
    template <class TForm> friend INT_PTR CALLBACK FormDialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool Command(int id, int code);
    void FormCreate();
    void AddHint(HWND control, std::string_view hint);
    void ShowPage(int page);
    void ShowState();
    void ShowPrograms();
    std::vector<std::size_t> SelectedPrograms() const;
    std::string ReportDirText() const;
    void PathsClick();
    void AddClick();
    void ReportDirClick();
    void bOKClick();
    void TryClose(INT_PTR result, TCloseRequest request);
    void FormPopup(POINT at);
    void ProgramsPopup(POINT at);
    INT_PTR ControlColor(HDC context, HWND control);

    IMessageBoxes& FMessages;
    TSettingsDialogState FState;
    TSettingsDialogActions FActions;
    HWND FHandle = nullptr;
    HWND FToolTip = nullptr;
    TUniqueFont FWarningFont;
    int FPage = pgShellEvents;
    std::vector<std::string> FShownPrograms;
    bool FShowing = false;
};

// Shows the dialog modally over the owner.
void ShowSettingsDialog(HWND owner, TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                        TSettingsEnvironment environment, TSettingsDialogActions actions);

} // namespace quill
