#include "filter/win32/ResultsFilterForm.h"

#include "common/tests/FakeMessages.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"
#include "common/win32/tests/WindowDriver.h"
#include "filter/win32/ResultsFilterFormIds.h"
#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

using test::Command;
using test::TDialogDriver;
using test::TFakeMessages;

// Files nobody reads: the filter dialog opens the lists only on its buttons.
class TNoFiles : public IIgnoreFiles {
public:
    std::optional<std::string> Read(const std::string&) override { return std::nullopt; }
    void Write(const std::string&, const std::string&) override {}
};

class ResultsFilterWindow : public ::testing::Test {
protected:
    test::TScratchKey FScratch;
    TWin32Registry FRegistry;
    TSettings FSettings{FRegistry, std::string("\\") + test::kScratchPath};
    TFakeMessages FMessages;
    TNoFiles FFiles;

    INT_PTR Show(std::deque<TDialogDriver::TStep> steps) {
        TDialogDriver driver(L"Results Filter", std::move(steps));
        TfrmFilter form(FSettings, FMessages, FFiles);
        const INT_PTR result = form.ShowModal(nullptr);
        EXPECT_TRUE(driver.Done());
        return result;
    }
    std::size_t StoredSwitches() const {
        std::size_t count = 0;
        for (const TOptionInfo& option : FilterSwitchOptions()) {
            count += FSettings.ReadString(option.Name).empty() ? 0 : 1;
        }
        return count;
    }
    static TDialogDriver::TStep Click(TFilterSwitch index) {
        return [index](HWND dialog) {
            const int id = IDC_FILTER_FIRSTSWITCH + index;
            const HWND box = ::GetDlgItem(dialog, id);
            const bool checked = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
            ::SendMessageW(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
            Command(dialog, id);
        };
    }
    static TDialogDriver::TStep Press(int id) {
        return [id](HWND dialog) { Command(dialog, id); };
    }
};

TEST_F(ResultsFilterWindow, OkStoresAllFortySwitchesAsTheBoxesShowThem) {
    bool cancelEnabled = false;
    std::size_t valueKindsEnabled = 3;
    RECT frame{};
    EXPECT_EQ(Show({[&frame](HWND dialog) { ::GetWindowRect(dialog, &frame); }, Click(fsNewKey), Click(fsModKey),
                    Click(fsDelKey),
                    [&](HWND dialog) {
                        cancelEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDCANCEL)) != 0;
                        valueKindsEnabled = 0;
                        for (const TFilterSwitch kind : {fsNewValue, fsModValue, fsDelValue}) {
                            valueKindsEnabled +=
                                ::IsWindowEnabled(::GetDlgItem(dialog, IDC_FILTER_FIRSTSWITCH + kind)) ? 1 : 0;
                        }
                    },
                    Press(IDOK)}),
              IDOK);
    EXPECT_EQ(frame.right - frame.left, TfrmFilter::kWidth);
    EXPECT_EQ(frame.bottom - frame.top, TfrmFilter::kHeight);
    EXPECT_TRUE(cancelEnabled);
    EXPECT_EQ(valueKindsEnabled, 0u);
    EXPECT_EQ(StoredSwitches(), 40u);
    EXPECT_EQ(FSettings.ReadString("F_NewKey"), "N");
    EXPECT_EQ(FSettings.ReadString("F_DelKey"), "N");
    EXPECT_EQ(FSettings.ReadString("F_NewValue"), "Y");
    EXPECT_EQ(FSettings.ReadString("F_FSRenamed"), "Y");
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(ResultsFilterWindow, DefaultsThenTheCloseBoxLeaveNoSwitchStored) {
    StoreFilterSwitches(FSettings);
    FSettings.WriteBool("F_SHCNE_MKDIR", false);
    ASSERT_EQ(StoredSwitches(), 40u);
    bool mkdirShown = false;
    EXPECT_EQ(Show({Press(CM_FILTER_DEFAULTS),
                    [&mkdirShown](HWND dialog) {
                        mkdirShown = ::IsDlgButtonChecked(dialog, IDC_FILTER_FIRSTSWITCH + 9) == BST_CHECKED;
                    },
                    [](HWND dialog) { ::SendMessageW(dialog, WM_CLOSE, 0, 0); }}),
              IDCANCEL);
    EXPECT_TRUE(mkdirShown);
    EXPECT_EQ(StoredSwitches(), 0u);
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Text,
              "Are you sure you want to lose your current settings and instead use the default settings?");
}

TEST_F(ResultsFilterWindow, ClosingWithUnsavedClicksAsksAndStoresNothing) {
    FMessages.Answers = {TMessageAnswer::No, TMessageAnswer::Yes};
    EXPECT_EQ(Show({Click(fsSize), Click(fsSize), Press(IDCANCEL), Press(IDCANCEL)}), IDCANCEL);
    EXPECT_EQ(FMessages.Asked.size(), 2u);
    EXPECT_EQ(StoredSwitches(), 0u);
}

} // namespace
} // namespace quill
