#include "monitor/ShellEventKinds.h"

#include <array>

namespace quill {
namespace {

constexpr std::array<TShellEventKind, kShellEventKindCount> kKinds{{
    {0x00000001, "SHCNE_RENAMEITEM", "ChangeNotifyRenameItem", true, "Non-folder (e.g. file) renamed"},
    {0x00000002, "SHCNE_CREATE", "ChangeNotifyCreate", false, "Non-folder (e.g. file) created"},
    {0x00000004, "SHCNE_DELETE", "ChangeNotifyDelete", false, "Non-folder (e.g. file) deleted"},
    {0x00000008, "SHCNE_MKDIR", "ChangeNotifyMkDir", false, "Folder created"},
    {0x00000010, "SHCNE_RMDIR", "ChangeNotifyRmDir", false, "Folder deleted"},
    {0x00000020, "SHCNE_MEDIAINSERTED", "ChangeNotifyMediaInserted", false, "Media inserted, e.g. CD"},
    {0x00000040, "SHCNE_MEDIAREMOVED", "ChangeNotifyMediaRemoved", false, "Media removed"},
    {0x00000080, "SHCNE_DRIVEREMOVED", "ChangeNotifyDriveRemoved", false, "Drive removed"},
    {0x00000100, "SHCNE_DRIVEADD", "ChangeNotifyDriveAdd", false, "Drive added"},
    {0x00000200, "SHCNE_NETSHARE", "ChangeNotifyNetShare", false, "Folder being shared"},
    {0x00000400, "SHCNE_NETUNSHARE", "ChangeNotifyNetUnshare", false, "Folder stopped being shared"},
    {0x00000800, "SHCNE_ATTRIBUTES", "ChangeNotifyAttributes", false, "File or folder attributes changed"},
    {0x00001000, "SHCNE_UPDATEDIR", "ChangeNotifyUpdateDir", false, "Folder contents changed"},
    {0x00002000, "SHCNE_UPDATEITEM", "ChangeNotifyUpdateItem", false, "Non-folder (e.g. file) changed"},
    {0x00004000, "SHCNE_SERVERDISCONNECT", "ChangeNotifyServerDisconnect", false, "Disconnected from a server"},
    {0x00008000, "SHCNE_UPDATEIMAGE", "ChangeNotifyUpdateImage", false, "System image changed"},
    {0x00010000, "SHCNE_DRIVEADDGUI", "ChangeNotifyDriveAddGUI", false,
     "Drive added, shell needs to create new window"},
    {0x00020000, "SHCNE_RENAMEFOLDER", "ChangeNotifyRenameFolder", true, "Folder renamed"},
    {0x08000000, "SHCNE_ASSOCCHANGED", "ChangeNotifyAssocChanged", true, "File type association change"},
}};

} // namespace

std::span<const TShellEventKind, kShellEventKindCount> ShellEventKinds() noexcept {
    return kKinds;
}

const TShellEventKind* FindShellEventKind(std::uint32_t code) noexcept {
    for (const TShellEventKind& kind : kKinds) {
        if (kind.Bit == code) {
            return &kind;
        }
    }
    return nullptr;
}

} // namespace quill
