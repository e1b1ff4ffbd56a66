#pragma once

#include <array>

namespace quill {

// The actions of the main window, invoked from its menus, buttons and the
// notification-area menu.
enum class TAction {
    Yes,
    Exit,
    About,
    ViewReport,
    FreeReport,
    FilterResults,
    ReportSettings,
    FilterDirs,
    FilterFiles,
    FilterKeys,
    FilterValues,
    Help,
    StartRecording,
    StopRecording,
    RunProgram,
    SaveInstallerSource,
};

inline constexpr std::size_t kActionCount = static_cast<std::size_t>(TAction::SaveInstallerSource) + 1;

// Which actions can be invoked; the window greys out the rest.
class TActionStates {
public:
    TActionStates();
    bool Enabled(TAction action) const noexcept { return FEnabled[static_cast<std::size_t>(action)]; }
    void Enable(TAction action, bool enabled = true) noexcept { FEnabled[static_cast<std::size_t>(action)] = enabled; }
    void Disable(TAction action) noexcept { Enable(action, false); }

private:
    std::array<bool, kActionCount> FEnabled;
};

} // namespace quill
