#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace quill {

enum class TOptionType { Boolean, Integer, String, List };

enum class TOptionGroup { ShellEvent, RegistryRoot, General, FilterSwitch };

// How the default shown by the settings dialog is found where it is not a
// fixed text.
enum class TDefaultRule {
    Fixed,
    DirectoryWatching,  // the default where directories can be watched, else "N"
    FixedDrives,        // every fixed-drive root, as list text
    ExecutableDirectory // the running program's folder, with a trailing backslash
};

// One option stored under the settings key. The default is what the settings
// dialog shows (and the first save stores); the fallback is what the capture,
// monitor and report code pass when they read the value themselves.
struct TOptionInfo {
    std::string_view Name;
    TOptionType Type;
    std::string_view Default;
    std::string_view Fallback;
    std::string_view Caption;
    TOptionGroup Group;
    TDefaultRule Rule = TDefaultRule::Fixed;
};

// Every option except the result-filter switches, in the order "Use defaults"
// deletes them: the shell events, the registry roots, then the others.
std::span<const TOptionInfo> SettingsOptions() noexcept;

// The result-filter switches, in the order they are stored and deleted.
std::span<const TOptionInfo> FilterSwitchOptions() noexcept;

// The tool tip of a shell-event or registry-root check box, by its place
// among the nineteen events and five roots of either table; "" past them.
std::string_view ShellAndRootHint(std::size_t index) noexcept;

// Either table's entry of the name (compared without regard to case), or null.
const TOptionInfo* FindOption(std::string_view name) noexcept;

} // namespace quill
