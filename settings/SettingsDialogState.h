#pragma once

#include "common/MessageBoxes.h"
#include "settings/Settings.h"
#include "settings/StartupShortcut.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The check boxes of the settings dialog. Those before cbWatchProcesses are
// saved in this order, ahead of the hashing choice.
enum TSettingsBox : std::uint8_t {
    cbFirstShellEvent = 0,
    cbLocalMachine = 19,
    cbCurrentUser,
    cbClassesRoot,
    cbUsers,
    cbCurrentConfig,
    cbFSFiles,
    cbFSDirs,
    cbFSAttribs,
    cbFSSize,
    cbFSCreate,
    cbFSWrite,
    cbFSSecurity,
    cbFSAccess,
    cbFSWatch,
    cbFSScan,
    cbWatchProcesses,
    cbNoProcList,
    cbReportDateTime,
    cbSkipSteps,
    cbDiskUsage,
    cbStartup,
    cbBoxCount
};

// The dialog's pages, in the order of its page control.
enum TSettingsPage : std::uint8_t {
    pgShellEvents,
    pgRegistry,
    pgFileWatch,
    pgFileScan,
    pgProcessWatch,
    pgReport,
    pgMisc,
    pgPageCount
};

// The commands of the dialog's context menu.
enum class TBulkCommand {
    IgnoreShellEvents,
    RecordShellEvents,
    IgnoreRegistry,
    RecordRegistry,
    IgnoreFileWatch,
    RecordFileWatch
};

// How the dialog is asked to close.
enum class TCloseRequest {
    Discard, // Cancel, Escape, or the close box while Cancel is enabled
    Keep     // every other close
};

// What the settings dialog reads from the platform.
struct TSettingsEnvironment {
    bool DirectoryWatching = true;
    // The default report directory, with its trailing backslash.
    std::string ExecutableDirectory;
    // The directories scanned by default, built on the first run.
    std::function<std::vector<std::string>()> DefaultPaths;
};

// The settings dialog's rules: what each box shows, which boxes depend on
// which, what marks a change (the Cancel button's enabled state) and what a
// close saves. The window only shows this state and reports the user's acts.
class TSettingsDialogState {
public:
    // Without a start-up shortcut the start-up box stays clear and disabled.
    TSettingsDialogState(TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                         TSettingsEnvironment environment);

    bool Checked(TSettingsBox box) const { return FChecked.at(box); }
    bool Enabled(TSettingsBox box) const { return FEnabled.at(box); }
    // The item index of "None", "MD5", "SHA-1".
    int Hashing() const noexcept { return FHashing; }
    bool HashingEnabled() const noexcept { return FChecked[cbFSScan]; }
    // Sorted without regard to case.
    const std::vector<std::string>& Programs() const noexcept { return FPrograms; }
    bool ProgramsEnabled() const noexcept { return FChecked[cbWatchProcesses]; }
    const std::string& ReportDir() const noexcept { return FReportDir; }
    // The red warnings of the file pages: no directory to scan or watch.
    bool PathsWarning() const noexcept { return FPathsWarning; }
    bool CancelEnabled() const noexcept { return FCancelEnabled; }

    // Reads every option; on the first run also builds the default
    // directories and saves everything at once.
    void LoadSettings();
    void SaveSettings();

    void Click(TSettingsBox box, bool checked);
    // A digest chosen by the user brings a note on the time hashing takes;
    // loading sets the choice without it.
    void HashingClick(int index);
    void ReportDirChange(std::string text);
    // The "..." button's choice.
    void ReportDirChosen(std::string directory);
    // The text handed back by the directory list; stored at once.
    void PathsEdited(std::string_view paths);
    std::string Paths() const;

    // The answer of the input box; empty when nothing was typed or the box
    // was cancelled.
    void AddProgram(std::string_view name);
    // The Delete button and the menu's "Delete selected" always mark a
    // change; the Delete key only when something was selected.
    void DeletePrograms(std::vector<std::size_t> selected, bool fromKey);

    void Bulk(TBulkCommand command);
    // After the user agrees, every option is deleted and read again.
    void UseDefaults();

    // OK: saves when the report directory exists. Otherwise says so and
    // returns false; the dialog then shows the page that holds it.
    bool OkClick(bool reportDirExists);
    static constexpr TSettingsPage kReportDirPage = pgReport;
    // True when the dialog may close; a close that keeps the changes saves.
    bool CloseQuery(TCloseRequest request);

private:
    void SetBox(TSettingsBox box, bool checked);
    void Change();
    void UpdateControls();

    TSettings& FSettings;
    IMessageBoxes& FMessages;
    IStartupShortcut* FStartup;
    TSettingsEnvironment FEnvironment;
    std::array<bool, cbBoxCount> FChecked{};
    std::array<bool, cbBoxCount> FEnabled{};
    int FHashing = 0;
    std::vector<std::string> FPrograms;
    std::string FReportDir;
    bool FPathsWarning = false;
    bool FCancelEnabled = false;
};

// The value name a box shows; "" for the start-up box, which is no option.
std::string_view SettingsBoxOption(TSettingsBox box) noexcept;

} // namespace quill
