#include "filter/FilterSwitches.h"

#include "settings/SettingsTable.h"

#include <algorithm>

namespace quill {
namespace {

bool IsWatchSwitch(std::size_t index) noexcept {
    return index >= fsWatchCreated && index <= fsWatchRenamed;
}

bool AnyOn(const TFilterSwitches& switches, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i) {
        if (switches.IsSwitchOn(i)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string_view FilterSwitchHint(std::size_t index) noexcept {
    return ShellAndRootHint(index);
}

void TFilterSwitches::SetChecked(std::size_t index, bool checked) {
    FChecked.at(index) = checked;
    UpdateDependentSwitches();
}

void TFilterSwitches::UpdateDependentSwitches() {
    for (std::size_t i = 0; i < kCount; ++i) {
        FEnabled[i] = FDirectoryWatching || !IsWatchSwitch(i);
    }
    const bool anyRoot = AnyOn(*this, fsLocalMachine, fsCurrentConfig);
    std::fill(FEnabled.begin() + fsNewKey, FEnabled.begin() + fsDelKey + 1, anyRoot);
    const bool anyKeyKind = AnyOn(*this, fsNewKey, fsDelKey);
    std::fill(FEnabled.begin() + fsNewValue, FEnabled.begin() + fsDelValue + 1, anyKeyKind);
}

void TFilterSwitches::LoadSwitches(const TSettings& settings, bool directoryWatching) {
    FDirectoryWatching = directoryWatching;
    const auto options = FilterSwitchOptions();
    for (std::size_t i = 0; i < kCount; ++i) {
        FChecked[i] = (directoryWatching || !IsWatchSwitch(i)) && settings.ReadBool(options[i].Name, true);
    }
    UpdateDependentSwitches();
}

void TFilterSwitches::SaveSwitches(TSettings& settings) const {
    const auto options = FilterSwitchOptions();
    for (std::size_t i = 0; i < kCount; ++i) {
        settings.WriteBool(options[i].Name, FChecked[i]);
    }
}

void TFilterSwitches::DeleteSwitches(TSettings& settings) {
    for (const TOptionInfo& option : FilterSwitchOptions()) {
        settings.DeleteValue(option.Name);
    }
}

TFilterDialogState::TFilterDialogState(TSettings& settings, IMessageBoxes& messages, bool directoryWatching)
    : FSettings(settings), FMessages(messages), FDirectoryWatching(directoryWatching) {
    Load();
}

void TFilterDialogState::Load() {
    FSwitches.LoadSwitches(FSettings, FDirectoryWatching);
    FUnsaved = false;
}

void TFilterDialogState::Click(std::size_t index, bool checked) {
    FSwitches.SetChecked(index, checked);
    FUnsaved = true;
}

void TFilterDialogState::OkClick() {
    FSwitches.SaveSwitches(FSettings);
    FUnsaved = false;
}

bool TFilterDialogState::CloseQuery() {
    return !FUnsaved || FMessages.Confirm("Are you sure you want to lose the changes you made?");
}

void TFilterDialogState::DefaultsClick() {
    if (FMessages.Confirm(
            "Are you sure you want to lose your current settings and instead use the default settings?")) {
        TFilterSwitches::DeleteSwitches(FSettings);
        Load();
    }
}

void StoreFilterSwitches(TSettings& settings, bool directoryWatching) {
    TFilterSwitches switches;
    switches.LoadSwitches(settings, directoryWatching);
    switches.SaveSwitches(settings);
}

} // namespace quill
