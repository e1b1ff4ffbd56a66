#include "filter/FilterSwitches.h"

#include "common/tests/FakeMessages.h"
#include "common/tests/MemoryRegistry.h"
#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

using test::TFakeMessages;

class FilterSwitches : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TFakeMessages FMessages;

    std::size_t StoredCount() {
        const TMemoryRegistry::TNode* key = FRegistry.FindKey(TRegRoot::CurrentUser, FSettings.KeyPath());
        std::size_t count = 0;
        for (const TRegValue& value : key == nullptr ? std::vector<TRegValue>{} : key->Values) {
            count += value.Name.starts_with("F_") ? 1 : 0;
        }
        return count;
    }
    TFilterSwitches Loaded(bool watching = true) {
        TFilterSwitches switches;
        switches.LoadSwitches(FSettings, watching);
        return switches;
    }
};

TEST_F(FilterSwitches, WithNothingStoredEverySwitchIsOn) {
    const TFilterSwitches switches = Loaded();
    for (std::size_t i = 0; i < TFilterSwitches::kCount; ++i) {
        EXPECT_TRUE(switches.IsSwitchOn(i)) << FilterSwitchOptions()[i].Name;
    }
}

TEST_F(FilterSwitches, NamesFollowTheSettingsTable) {
    ASSERT_EQ(FilterSwitchOptions().size(), TFilterSwitches::kCount);
    FSettings.WriteBool("F_ModKey", false);
    FSettings.WriteBool("F_FSRenamed", false);
    FSettings.WriteBool("F_HKEY_USERS", false);
    const TFilterSwitches switches = Loaded();
    EXPECT_FALSE(switches.Checked(fsModKey));
    EXPECT_FALSE(switches.Checked(fsWatchRenamed));
    EXPECT_FALSE(switches.Checked(fsUsers));
    EXPECT_TRUE(switches.Checked(fsNewKey));
}

struct TDependencyCase {
    const char* Name;
    std::vector<TFilterSwitch> Off;
    std::vector<TFilterSwitch> Disabled;
};

class SwitchDependency : public ::testing::TestWithParam<TDependencyCase> {};

TEST_P(SwitchDependency, KeyKindsNeedARootAndValueKindsNeedAKeyKind) {
    TFilterSwitches switches;
    TMemoryRegistry registry;
    switches.LoadSwitches(TSettings(registry), true);
    for (const TFilterSwitch off : GetParam().Off) {
        switches.SetChecked(off, false);
    }
    for (std::size_t i = 0; i < TFilterSwitches::kCount; ++i) {
        const bool disabled =
            std::find(GetParam().Disabled.begin(), GetParam().Disabled.end(), i) != GetParam().Disabled.end();
        EXPECT_EQ(switches.Enabled(i), !disabled) << FilterSwitchOptions()[i].Name;
        if (disabled) {
            EXPECT_FALSE(switches.IsSwitchOn(i));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SwitchDependency,
    ::testing::Values(TDependencyCase{"AllOn", {}, {}},
                      TDependencyCase{"FourRootsOff", {fsLocalMachine, fsCurrentUser, fsClassesRoot, fsUsers}, {}},
                      TDependencyCase{"AllRootsOff",
                                      {fsLocalMachine, fsCurrentUser, fsClassesRoot, fsUsers, fsCurrentConfig},
                                      {fsNewKey, fsModKey, fsDelKey, fsNewValue, fsModValue, fsDelValue}},
                      TDependencyCase{
                          "AllKeyKindsOff", {fsNewKey, fsModKey, fsDelKey}, {fsNewValue, fsModValue, fsDelValue}},
                      TDependencyCase{"TwoKeyKindsOff", {fsNewKey, fsModKey}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FilterSwitches, WithoutDirectoryWatchingTheWatchSwitchesAreOffAndStoredSo) {
    TFilterDialogState dialog(FSettings, FMessages, false);
    for (const TFilterSwitch watch : {fsWatchCreated, fsWatchModified, fsWatchDeleted, fsWatchRenamed}) {
        EXPECT_FALSE(dialog.Switches().Checked(watch));
        EXPECT_FALSE(dialog.Switches().Enabled(watch));
    }
    dialog.Click(fsSize, false);
    dialog.Click(fsSize, true);
    EXPECT_FALSE(dialog.Switches().Enabled(fsWatchCreated));
    dialog.OkClick();
    EXPECT_FALSE(FSettings.ReadBool("F_FSCreated", true));
    EXPECT_EQ(FSettings.ReadString("F_FSRenamed"), "N");
    EXPECT_EQ(StoredCount(), 40u);
}

TEST_F(FilterSwitches, SavingStoresCheckMarksOfDisabledSwitchesToo) {
    TFilterDialogState dialog(FSettings, FMessages, true);
    for (const TFilterSwitch root : {fsLocalMachine, fsCurrentUser, fsClassesRoot, fsUsers, fsCurrentConfig}) {
        dialog.Click(root, false);
    }
    dialog.OkClick();
    EXPECT_EQ(FSettings.ReadString("F_NewKey"), "Y");
    EXPECT_EQ(FSettings.ReadString("F_HKEY_CURRENT_CONFIG"), "N");
}

TEST_F(FilterSwitches, AClickBackToTheFirstStateStillAsksBeforeClosing) {
    TFilterDialogState dialog(FSettings, FMessages, true);
    EXPECT_FALSE(dialog.Unsaved());
    EXPECT_TRUE(dialog.CloseQuery());
    dialog.Click(fsNewKey, false);
    dialog.Click(fsNewKey, true);
    EXPECT_TRUE(dialog.Unsaved());
    FMessages.Answers = {TMessageAnswer::No};
    EXPECT_FALSE(dialog.CloseQuery());
    EXPECT_EQ(FMessages.Asked.back().Text, "Are you sure you want to lose the changes you made?");
    EXPECT_TRUE(dialog.CloseQuery());
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_F(FilterSwitches, DefaultsDeleteEveryStoredSwitchAndShowThemOn) {
    StoreFilterSwitches(FSettings, true);
    ASSERT_EQ(StoredCount(), 40u);
    FSettings.WriteBool("F_DelValue", false);
    TFilterDialogState dialog(FSettings, FMessages, true);
    dialog.Click(fsSize, false);
    FMessages.Answers = {TMessageAnswer::No};
    dialog.DefaultsClick();
    EXPECT_EQ(StoredCount(), 40u);
    dialog.DefaultsClick();
    EXPECT_EQ(StoredCount(), 0u);
    EXPECT_FALSE(dialog.Unsaved());
    EXPECT_TRUE(dialog.Switches().IsSwitchOn(fsDelValue));
    EXPECT_TRUE(dialog.Switches().IsSwitchOn(fsSize));
    EXPECT_TRUE(dialog.CloseQuery());
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_F(FilterSwitches, StoringKeepsWhatIsStoredAndAddsTheRest) {
    FSettings.WriteBool("F_SHCNE_MKDIR", false);
    StoreFilterSwitches(FSettings, true);
    EXPECT_EQ(StoredCount(), 40u);
    EXPECT_FALSE(FSettings.ReadBool("F_SHCNE_MKDIR", true));
    EXPECT_TRUE(FSettings.ReadBool("F_SHCNE_RMDIR", false));
}

} // namespace
} // namespace quill
