#include "settings/SettingsTable.h"

#include "common/TextCompare.h"

#include <iterator>

namespace quill {
namespace {

using enum TOptionType;
using enum TOptionGroup;

constexpr TOptionInfo kSettings[] = {
    {"SHCNE_ASSOCCHANGED", Boolean, "Y", "N", "File type association change", ShellEvent},
    {"SHCNE_ATTRIBUTES", Boolean, "N", "N", "File or folder attributes changed", ShellEvent},
    {"SHCNE_CREATE", Boolean, "N", "N", "Non-folder (e.g. file) created", ShellEvent},
    {"SHCNE_DELETE", Boolean, "N", "N", "Non-folder (e.g. file) deleted", ShellEvent},
    {"SHCNE_DRIVEADD", Boolean, "Y", "N", "Drive added", ShellEvent},
    {"SHCNE_DRIVEADDGUI", Boolean, "N", "N", "Drive added, shell needs to create new window", ShellEvent},
    {"SHCNE_DRIVEREMOVED", Boolean, "Y", "N", "Drive removed", ShellEvent},
    {"SHCNE_MEDIAINSERTED", Boolean, "Y", "N", "Media inserted, e.g. CD", ShellEvent},
    {"SHCNE_MEDIAREMOVED", Boolean, "Y", "N", "Media removed", ShellEvent},
    {"SHCNE_MKDIR", Boolean, "N", "N", "Folder created", ShellEvent},
    {"SHCNE_NETSHARE", Boolean, "Y", "N", "Folder being shared", ShellEvent},
    {"SHCNE_NETUNSHARE", Boolean, "Y", "N", "Folder stopped being shared", ShellEvent},
    {"SHCNE_RENAMEFOLDER", Boolean, "N", "N", "Folder renamed", ShellEvent},
    {"SHCNE_RENAMEITEM", Boolean, "N", "N", "Non-folder (e.g. file) renamed", ShellEvent},
    {"SHCNE_RMDIR", Boolean, "N", "N", "Folder deleted", ShellEvent},
    {"SHCNE_SERVERDISCONNECT", Boolean, "Y", "N", "Disconnected from a server", ShellEvent},
    {"SHCNE_UPDATEDIR", Boolean, "N", "N", "Folder contents changed", ShellEvent},
    {"SHCNE_UPDATEIMAGE", Boolean, "N", "N", "System image changed", ShellEvent},
    {"SHCNE_UPDATEITEM", Boolean, "N", "N", "Non-folder (e.g. file) changed", ShellEvent},
    {"HKEY_LOCAL_MACHINE", Boolean, "Y", "N", "HKEY_LOCAL_MACHINE", RegistryRoot},
    {"HKEY_CURRENT_USER", Boolean, "Y", "N", "HKEY_CURRENT_USER", RegistryRoot},
    {"HKEY_CLASSES_ROOT", Boolean, "N", "N", "HKEY_CLASSES_ROOT", RegistryRoot},
    {"HKEY_USERS", Boolean, "N", "N", "HKEY_USERS", RegistryRoot},
    {"HKEY_CURRENT_CONFIG", Boolean, "N", "N", "HKEY_CURRENT_CONFIG", RegistryRoot},
    {"Paths", List, "", "", "Directories to scan and watch", General, TDefaultRule::FixedDrives},
    {"FSFiles", Boolean, "Y", "N", "Files created, deleted, or renamed", General, TDefaultRule::DirectoryWatching},
    {"FSDirs", Boolean, "Y", "N", "Directories created, deleted, or renamed", General, TDefaultRule::DirectoryWatching},
    {"FSAttribs", Boolean, "N", "N", "File or directory attributes changed", General},
    {"FSSize", Boolean, "Y", "N", "File size changed", General, TDefaultRule::DirectoryWatching},
    {"FSCreate", Boolean, "N", "N", "File or directory creation date changed", General},
    {"FSWrite", Boolean, "Y", "N", "File or directory last write date changed", General,
     TDefaultRule::DirectoryWatching},
    {"FSSecurity", Boolean, "N", "N", "File or directory security attributes changed", General},
    {"FSAccess", Boolean, "N", "N", "File or directory last access date changed", General},
    {"FSWatch", Boolean, "Y", "N", "Enable File Watch", General, TDefaultRule::DirectoryWatching},
    {"FSScan", Boolean, "Y", "N", "Enable File Scan", General},
    {"Hashing", Integer, "0", "0", "Hashing", General},
    {"WatchProcesses", Boolean, "N", "N", "Prompt me to record changes when these programs are run:", General},
    {"NoProcList", Boolean, "N", "N", "Do not include process list in report", General},
    {"Processes", List, "setup.exe", "", "Programs to watch", General},
    {"ReportDir", String, "", "", "Report directory", General, TDefaultRule::ExecutableDirectory},
    {"ReportDateTime", Boolean, "N", "N", "Prefix the report file name with the date and time", General},
    {"SkipSteps", Boolean, "N", "N", "Skip steps 1 and 4 automatically", General},
    {"DiskUsage", Boolean, "N", "N", "Do not include the disk usage in the report", General},
    {"Version", String, "", "", "Version", General},
    {"FirstRun", Boolean, "Y", "Y", "First run", General},
};

constexpr TOptionInfo kFilterSwitches[] = {
    {"F_SHCNE_ASSOCCHANGED", Boolean, "Y", "Y", "File type association change", FilterSwitch},
    {"F_SHCNE_ATTRIBUTES", Boolean, "Y", "Y", "File or folder attributes changed", FilterSwitch},
    {"F_SHCNE_CREATE", Boolean, "Y", "Y", "Non-folder (e.g. file) created", FilterSwitch},
    {"F_SHCNE_DELETE", Boolean, "Y", "Y", "Non-folder (e.g. file) deleted", FilterSwitch},
    {"F_SHCNE_DRIVEADD", Boolean, "Y", "Y", "Drive added", FilterSwitch},
    {"F_SHCNE_DRIVEADDGUI", Boolean, "Y", "Y", "Drive added, shell needs to create new window", FilterSwitch},
    {"F_SHCNE_DRIVEREMOVED", Boolean, "Y", "Y", "Drive removed", FilterSwitch},
    {"F_SHCNE_MEDIAINSERTED", Boolean, "Y", "Y", "Media inserted, e.g. CD", FilterSwitch},
    {"F_SHCNE_MEDIAREMOVED", Boolean, "Y", "Y", "Media removed", FilterSwitch},
    {"F_SHCNE_MKDIR", Boolean, "Y", "Y", "Folder created", FilterSwitch},
    {"F_SHCNE_NETSHARE", Boolean, "Y", "Y", "Folder being shared", FilterSwitch},
    {"F_SHCNE_NETUNSHARE", Boolean, "Y", "Y", "Folder stopped being shared", FilterSwitch},
    {"F_SHCNE_RENAMEFOLDER", Boolean, "Y", "Y", "Folder renamed", FilterSwitch},
    {"F_SHCNE_RENAMEITEM", Boolean, "Y", "Y", "Non-folder (e.g. file) renamed", FilterSwitch},
    {"F_SHCNE_RMDIR", Boolean, "Y", "Y", "Folder deleted", FilterSwitch},
    {"F_SHCNE_SERVERDISCONNECT", Boolean, "Y", "Y", "Disconnected from a server", FilterSwitch},
    {"F_SHCNE_UPDATEDIR", Boolean, "Y", "Y", "Folder contents changed", FilterSwitch},
    {"F_SHCNE_UPDATEIMAGE", Boolean, "Y", "Y", "System image changed", FilterSwitch},
    {"F_SHCNE_UPDATEITEM", Boolean, "Y", "Y", "Non-folder (e.g. file) changed", FilterSwitch},
    {"F_HKEY_LOCAL_MACHINE", Boolean, "Y", "Y", "HKEY_LOCAL_MACHINE", FilterSwitch},
    {"F_HKEY_CURRENT_USER", Boolean, "Y", "Y", "HKEY_CURRENT_USER", FilterSwitch},
    {"F_HKEY_CLASSES_ROOT", Boolean, "Y", "Y", "HKEY_CLASSES_ROOT", FilterSwitch},
    {"F_HKEY_USERS", Boolean, "Y", "Y", "HKEY_USERS", FilterSwitch},
    {"F_HKEY_CURRENT_CONFIG", Boolean, "Y", "Y", "HKEY_CURRENT_CONFIG", FilterSwitch},
    {"F_NewKey", Boolean, "Y", "Y", "New keys", FilterSwitch},
    {"F_ModKey", Boolean, "Y", "Y", "Modified keys", FilterSwitch},
    {"F_DelKey", Boolean, "Y", "Y", "Deleted keys", FilterSwitch},
    {"F_NewValue", Boolean, "Y", "Y", "New values", FilterSwitch},
    {"F_ModValue", Boolean, "Y", "Y", "Modified values", FilterSwitch},
    {"F_DelValue", Boolean, "Y", "Y", "Deleted values", FilterSwitch},
    {"F_FSSize", Boolean, "Y", "Y", "File size changed", FilterSwitch},
    {"F_FSContents", Boolean, "Y", "Y", "Contents changed", FilterSwitch},
    {"F_FSDate", Boolean, "Y", "Y", "Modification date && time changed", FilterSwitch},
    {"F_FSAttribs", Boolean, "Y", "Y", "Attributes changed", FilterSwitch},
    {"F_FSScanCreated", Boolean, "Y", "Y", "New files or directories", FilterSwitch},
    {"F_FSScanDeleted", Boolean, "Y", "Y", "Deleted files or directories", FilterSwitch},
    {"F_FSCreated", Boolean, "Y", "Y", "Files or directories created", FilterSwitch, TDefaultRule::DirectoryWatching},
    {"F_FSModified", Boolean, "Y", "Y", "Files or directories modified", FilterSwitch, TDefaultRule::DirectoryWatching},
    {"F_FSDeleted", Boolean, "Y", "Y", "Files or directories deleted", FilterSwitch, TDefaultRule::DirectoryWatching},
    {"F_FSRenamed", Boolean, "Y", "Y", "Files or directories renamed", FilterSwitch, TDefaultRule::DirectoryWatching},
};

// The tool tips of the shell-event and root check boxes, in the tables' order.
constexpr std::string_view kHints[] = {
    "A file type association has changed",
    "The attributes of an item or folder have changed",
    "A non-folder item has been created",
    "A non-folder item has been deleted",
    "A drive has been added",
    "A drive has been added and the shell should create a new window for the drive",
    "A drive has been removed",
    "Storage media has been inserted into a drive",
    "Storage media has been removed from a drive",
    "A folder item has been created",
    "A folder on the local computer is being shared via the network",
    "A folder on the local computer is no longer being shared via the network",
    "The name of a folder has changed",
    "A non-folder item has been renamed",
    "A folder item has been removed",
    "The computer has disconnected from a server",
    "The contents of an existing folder have changed, but the folder still exists and has not been renamed",
    "An image in the system image list has changed",
    "An existing non-folder item has changed, but the item still exists and has not been renamed",
    "Registry settings that apply to the entire machine",
    "Registry settings that apply to the current user only",
    "Registry settings for ActiveX/COM/OLE classes",
    "Registry settings for each user of this computer",
    "Registry settings for the current computer configuration",
};

} // namespace

std::span<const TOptionInfo> SettingsOptions() noexcept {
    return kSettings;
}

std::span<const TOptionInfo> FilterSwitchOptions() noexcept {
    return kFilterSwitches;
}

std::string_view ShellAndRootHint(std::size_t index) noexcept {
    return index < std::size(kHints) ? kHints[index] : std::string_view{};
}

const TOptionInfo* FindOption(std::string_view name) noexcept {
    for (const auto table : {SettingsOptions(), FilterSwitchOptions()}) {
        for (const TOptionInfo& option : table) {
            if (SameText(option.Name, name)) {
                return &option;
            }
        }
    }
    return nullptr;
}

} // namespace quill
