#include "settings/SettingsDialogState.h"

#include "common/ListText.h"
#include "common/TextCompare.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <iterator>

namespace quill {
namespace {

constexpr std::string_view kBoxOptions[] = {
    "SHCNE_ASSOCCHANGED",
    "SHCNE_ATTRIBUTES",
    "SHCNE_CREATE",
    "SHCNE_DELETE",
    "SHCNE_DRIVEADD",
    "SHCNE_DRIVEADDGUI",
    "SHCNE_DRIVEREMOVED",
    "SHCNE_MEDIAINSERTED",
    "SHCNE_MEDIAREMOVED",
    "SHCNE_MKDIR",
    "SHCNE_NETSHARE",
    "SHCNE_NETUNSHARE",
    "SHCNE_RENAMEFOLDER",
    "SHCNE_RENAMEITEM",
    "SHCNE_RMDIR",
    "SHCNE_SERVERDISCONNECT",
    "SHCNE_UPDATEDIR",
    "SHCNE_UPDATEIMAGE",
    "SHCNE_UPDATEITEM",
    "HKEY_LOCAL_MACHINE",
    "HKEY_CURRENT_USER",
    "HKEY_CLASSES_ROOT",
    "HKEY_USERS",
    "HKEY_CURRENT_CONFIG",
    "FSFiles",
    "FSDirs",
    "FSAttribs",
    "FSSize",
    "FSCreate",
    "FSWrite",
    "FSSecurity",
    "FSAccess",
    "FSWatch",
    "FSScan",
    "WatchProcesses",
    "NoProcList",
    "ReportDateTime",
    "SkipSteps",
    "DiskUsage",
    "",
};
static_assert(std::size(kBoxOptions) == cbBoxCount);

constexpr std::string_view kHashingNote = "Note that file hashing can take a considerable amount of time, depending "
                                          "upon the number of files to be hashed.";

bool IsWatchBox(std::size_t box) noexcept {
    return box >= cbFSFiles && box <= cbFSAccess;
}

// Boxes whose change the user may want to take back with Cancel.
bool MarksChange(TSettingsBox box) noexcept {
    return box != cbNoProcList && box != cbSkipSteps && box != cbDiskUsage && box != cbStartup;
}

} // namespace

std::string_view SettingsBoxOption(TSettingsBox box) noexcept {
    return box < cbBoxCount ? kBoxOptions[box] : std::string_view{};
}

TSettingsDialogState::TSettingsDialogState(TSettings& settings, IMessageBoxes& messages, IStartupShortcut* startup,
                                           TSettingsEnvironment environment)
    : FSettings(settings), FMessages(messages), FStartup(startup), FEnvironment(std::move(environment)) {}

void TSettingsDialogState::LoadSettings() {
    const bool firstRun = FSettings.ReadBool("FirstRun", true);
    if (firstRun && FSettings.ReadList("Paths").empty() && FEnvironment.DefaultPaths) {
        FSettings.WriteList("Paths", FEnvironment.DefaultPaths());
    }
    for (std::size_t box = 0; box < cbStartup; ++box) {
        const TOptionInfo* option = FindOption(kBoxOptions[box]);
        const bool fallsBack = option->Rule == TDefaultRule::DirectoryWatching && !FEnvironment.DirectoryWatching;
        FChecked[box] = FSettings.ReadBool(option->Name, option->Default == "Y" && !fallsBack);
    }
    if (!FEnvironment.DirectoryWatching) {
        FChecked[cbFSWatch] = false;
        for (std::size_t box = cbFSFiles; box <= cbFSAccess; ++box) {
            FChecked[box] = false;
        }
    }
    FHashing = FSettings.ReadInteger("Hashing", 0);
    if (FHashing < 0 || FHashing > 2) {
        FHashing = 0;
    }
    FChecked[cbStartup] = FStartup != nullptr && FStartup->Exists();
    FPrograms = FSettings.ReadList("Processes", "setup.exe");
    std::stable_sort(FPrograms.begin(), FPrograms.end(), TTextLess{});
    FReportDir = FSettings.ReadString("ReportDir", FEnvironment.ExecutableDirectory);
    UpdateControls();
    if (firstRun) {
        SaveSettings();
    }
    FCancelEnabled = false;
}

void TSettingsDialogState::SaveSettings() {
    for (std::size_t box = 0; box <= cbFSScan; ++box) {
        FSettings.WriteBool(kBoxOptions[box], FChecked[box]);
    }
    FSettings.WriteInteger("Hashing", FHashing);
    FSettings.WriteBool("WatchProcesses", FChecked[cbWatchProcesses]);
    FSettings.WriteBool("NoProcList", FChecked[cbNoProcList]);
    FSettings.WriteList("Processes", FPrograms);
    FSettings.WriteString("ReportDir", FReportDir);
    FSettings.WriteBool("ReportDateTime", FChecked[cbReportDateTime]);
    FSettings.WriteBool("SkipSteps", FChecked[cbSkipSteps]);
    FSettings.WriteBool("DiskUsage", FChecked[cbDiskUsage]);
    FSettings.WriteString("Version", kApplicationTitle);
    FSettings.WriteBool("FirstRun", false);
    FCancelEnabled = false;
}

void TSettingsDialogState::Click(TSettingsBox box, bool checked) {
    if (box == cbStartup) {
        if (FStartup == nullptr) {
            return;
        }
        if (checked) {
            FStartup->Create();
        } else {
            FStartup->Remove();
        }
        FChecked[cbStartup] = FStartup->Exists();
        return;
    }
    FChecked.at(box) = checked;
    if (MarksChange(box)) {
        Change();
    }
    UpdateControls();
}

void TSettingsDialogState::HashingClick(int index) {
    FHashing = index;
    Change();
    if (index != 0) {
        FMessages.Warning(std::string(kHashingNote));
    }
    UpdateControls();
}

void TSettingsDialogState::ReportDirChange(std::string text) {
    FReportDir = std::move(text);
    Change();
    UpdateControls();
}

void TSettingsDialogState::ReportDirChosen(std::string directory) {
    ReportDirChange(std::move(directory));
}

void TSettingsDialogState::PathsEdited(std::string_view paths) {
    FSettings.WriteString("Paths", paths);
    UpdateControls();
}

std::string TSettingsDialogState::Paths() const {
    return FormatDelimitedList(FSettings.ReadList("Paths"));
}

void TSettingsDialogState::AddProgram(std::string_view name) {
    Change();
    const bool listed = std::any_of(FPrograms.begin(), FPrograms.end(),
                                    [name](const std::string& program) { return SameText(program, name); });
    if (!name.empty() && !listed) {
        FPrograms.insert(std::upper_bound(FPrograms.begin(), FPrograms.end(), name, TTextLess{}), std::string(name));
    }
    UpdateControls();
}

void TSettingsDialogState::DeletePrograms(std::vector<std::size_t> selected, bool fromKey) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
        if (*index < FPrograms.size()) {
            FPrograms.erase(FPrograms.begin() + static_cast<std::ptrdiff_t>(*index));
        }
    }
    if (!fromKey || !selected.empty()) {
        Change();
    }
    UpdateControls();
}

void TSettingsDialogState::Bulk(TBulkCommand command) {
    switch (command) {
    case TBulkCommand::IgnoreShellEvents:
    case TBulkCommand::RecordShellEvents:
        for (std::size_t box = cbFirstShellEvent; box < cbLocalMachine; ++box) {
            SetBox(static_cast<TSettingsBox>(box), command == TBulkCommand::RecordShellEvents);
        }
        break;
    case TBulkCommand::IgnoreRegistry:
    case TBulkCommand::RecordRegistry:
        // The machine's and the users' hives hold the other three roots.
        for (std::size_t box = cbLocalMachine; box <= cbCurrentConfig; ++box) {
            const bool container = box == cbLocalMachine || box == cbUsers;
            SetBox(static_cast<TSettingsBox>(box), command == TBulkCommand::RecordRegistry && container);
        }
        break;
    case TBulkCommand::IgnoreFileWatch:
        for (std::size_t box = cbFSFiles; box <= cbFSScan; ++box) {
            SetBox(static_cast<TSettingsBox>(box), false);
        }
        break;
    case TBulkCommand::RecordFileWatch:
        SetBox(cbFSScan, true);
        if (FEnvironment.DirectoryWatching) {
            for (std::size_t box = cbFSFiles; box <= cbFSWatch; ++box) {
                SetBox(static_cast<TSettingsBox>(box), true);
            }
        }
        break;
    }
    UpdateControls();
}

void TSettingsDialogState::UseDefaults() {
    if (!FMessages.Confirm(
            "Are you sure you want to lose your current settings and instead use the default settings?")) {
        return;
    }
    for (const TOptionInfo& option : SettingsOptions()) {
        FSettings.DeleteValue(option.Name);
    }
    LoadSettings();
}

bool TSettingsDialogState::OkClick(bool reportDirExists) {
    if (!reportDirExists) {
        FMessages.Error("The report directory does not exist!");
        return false;
    }
    SaveSettings();
    return true;
}

bool TSettingsDialogState::CloseQuery(TCloseRequest request) {
    if (request == TCloseRequest::Discard && FCancelEnabled) {
        return FMessages.Confirm("Are you sure you want to lose the changes you made?");
    }
    SaveSettings();
    return true;
}

// As a box's own change handler would run: only when its check changes.
void TSettingsDialogState::SetBox(TSettingsBox box, bool checked) {
    if (FChecked[box] != checked) {
        FChecked[box] = checked;
        Change();
    }
}

void TSettingsDialogState::Change() {
    FCancelEnabled = true;
}

void TSettingsDialogState::UpdateControls() {
    FEnabled.fill(true);
    if (FChecked[cbLocalMachine]) {
        for (const TSettingsBox contained : {cbClassesRoot, cbCurrentConfig}) {
            FChecked[contained] = false;
            FEnabled[contained] = false;
        }
    }
    if (FChecked[cbUsers]) {
        FChecked[cbCurrentUser] = false;
        FEnabled[cbCurrentUser] = false;
    }
    FEnabled[cbFSWatch] = FEnvironment.DirectoryWatching;
    FEnabled[cbStartup] = FStartup != nullptr;
    for (std::size_t box = 0; box < cbBoxCount; ++box) {
        if (IsWatchBox(box)) {
            FEnabled[box] = FChecked[cbFSWatch];
        }
    }
    FPathsWarning = FSettings.ReadList("Paths").empty();
}

} // namespace quill
