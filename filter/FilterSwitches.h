#pragma once

#include "common/MessageBoxes.h"
#include "settings/Settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quill {

// The forty switches of the result filter, in the order they are stored:
// the nineteen shell event kinds (in the order of the settings table), the
// five roots, the key and value kinds, the file-scan kinds, then the four
// directory-watch kinds.
enum TFilterSwitch : std::uint8_t {
    fsFirstShellEvent = 0,
    fsLocalMachine = 19,
    fsCurrentUser,
    fsClassesRoot,
    fsUsers,
    fsCurrentConfig,
    fsNewKey,
    fsModKey,
    fsDelKey,
    fsNewValue,
    fsModValue,
    fsDelValue,
    fsSize,
    fsContents,
    fsDate,
    fsAttribs,
    fsScanCreated,
    fsScanDeleted,
    fsWatchCreated,
    fsWatchModified,
    fsWatchDeleted,
    fsWatchRenamed,
    fsSwitchCount
};

// The tool tip of a switch's check box: every shell event kind and every
// root has one; "" for the others.
std::string_view FilterSwitchHint(std::size_t index) noexcept;

// The check boxes of the filter dialog: checked, and enabled where the
// switches they depend on allow. A switch is on only when both.
class TFilterSwitches {
public:
    static constexpr std::size_t kCount = fsSwitchCount;

    bool Checked(std::size_t index) const { return FChecked.at(index); }
    bool Enabled(std::size_t index) const { return FEnabled.at(index); }
    bool IsSwitchOn(std::size_t index) const { return Checked(index) && Enabled(index); }
    // Runs UpdateDependentSwitches.
    void SetChecked(std::size_t index, bool checked);

    // Key kinds only while a root is on; value kinds only while a key kind is
    // on; the directory-watch kinds never where directories cannot be watched.
    void UpdateDependentSwitches();

    // Every switch from the store, missing ones on. Where directories cannot
    // be watched, the directory-watch switches are off and disabled instead.
    void LoadSwitches(const TSettings& settings, bool directoryWatching);
    // Every check mark, enabled or not.
    void SaveSwitches(TSettings& settings) const;
    static void DeleteSwitches(TSettings& settings);

private:
    std::array<bool, kCount> FChecked{};
    std::array<bool, kCount> FEnabled{};
    bool FDirectoryWatching = true;
};

// The filter dialog's rules: a click is a change until it is saved, whatever
// it clicked back to, and closing with changes asks first.
class TFilterDialogState {
public:
    TFilterDialogState(TSettings& settings, IMessageBoxes& messages, bool directoryWatching);

    const TFilterSwitches& Switches() const noexcept { return FSwitches; }
    // Whether Cancel is enabled: there are clicks not yet saved.
    bool Unsaved() const noexcept { return FUnsaved; }

    void Click(std::size_t index, bool checked);
    void OkClick();
    // False while the user keeps unsaved changes.
    bool CloseQuery();
    // "Use detauls": after the user agrees, no switch stays stored and every
    // one shows its default.
    void DefaultsClick();

private:
    void Load();

    TSettings& FSettings;
    IMessageBoxes& FMessages;
    bool FDirectoryWatching;
    TFilterSwitches FSwitches;
    bool FUnsaved = false;
};

// Stores every switch as it reads now, so that the store holds all forty.
void StoreFilterSwitches(TSettings& settings, bool directoryWatching);

} // namespace quill
