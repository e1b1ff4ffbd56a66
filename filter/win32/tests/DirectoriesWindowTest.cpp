#include "filter/win32/Directories.h"

#include "common/tests/FakeMessages.h"
#include "common/win32/tests/WindowDriver.h"
#include "filter/win32/DirectoriesIds.h"

#include <gtest/gtest.h>

#include <deque>

namespace quill {
namespace {

using test::Command;
using test::TDialogDriver;
using test::TFakeMessages;

class DirectoriesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
            GTEST_SKIP() << "no display";
        }
    }

    TFakeMessages FMessages;
    // What the chooser answers, one per Add; and where it was opened.
    std::deque<std::string> FChosen;
    std::vector<std::string> FStarts;

    bool Edit(std::string& paths, std::deque<TDialogDriver::TStep> steps) {
        TDialogDriver driver(L"Directories to scan", std::move(steps));
        const bool confirmed =
            EditDirectoryList(nullptr, paths, FMessages, "C:\\Quill\\",
                              [this](HWND, const std::string&, const std::string& start) -> std::optional<std::string> {
                                  FStarts.push_back(start);
                                  if (FChosen.empty()) {
                                      return std::nullopt;
                                  }
                                  std::string chosen = FChosen.front();
                                  FChosen.pop_front();
                                  return chosen;
                              });
        EXPECT_TRUE(driver.Done());
        return confirmed;
    }
    static TDialogDriver::TStep Press(int id) {
        return [id](HWND dialog) { Command(dialog, id); };
    }
    static TDialogDriver::TStep Select(int index) {
        return [index](HWND dialog) { ::SendDlgItemMessageW(dialog, IDC_DIRS_LBLIST, LB_SETSEL, TRUE, index); };
    }
};

TEST_F(DirectoriesWindow, AParentReplacesItsSubdirectoriesAndLeavesTheSelectionAlone) {
    std::string paths = "C:\\D\\One*C:\\D\\Two*\"C:\\Program Files\"";
    FChosen = {"C:\\D"};
    int selected = -1;
    RECT frame{};
    RECT deleteButton{};
    RECT cancelButton{};
    EXPECT_TRUE(Edit(paths, {[&](HWND dialog) {
                                 ::GetWindowRect(dialog, &frame);
                                 ::GetWindowRect(::GetDlgItem(dialog, IDC_DIRS_BDELETE), &deleteButton);
                                 ::GetWindowRect(::GetDlgItem(dialog, IDCANCEL), &cancelButton);
                             },
                             Select(2), Press(IDC_DIRS_BADD),
                             [&selected](HWND dialog) {
                                 selected =
                                     static_cast<int>(::SendDlgItemMessageW(dialog, IDC_DIRS_LBLIST, LB_GETSEL, 1, 0));
                             },
                             Press(IDOK)}));
    EXPECT_EQ(paths, "C:\\D*\"C:\\Program Files\"");
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(FStarts, std::vector<std::string>{"C:\\Program Files"});
    EXPECT_EQ(frame.right - frame.left, TfrmDirectories::kWidth);
    EXPECT_EQ(frame.bottom - frame.top, TfrmDirectories::kHeight);
    // At the smallest size the four buttons still stand apart.
    EXPECT_LT(deleteButton.right, cancelButton.left);
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_EQ(FMessages.Asked[0].Buttons, TMessageButtons::YesCancel);
}

TEST_F(DirectoriesWindow, CancelHandsBackNothing) {
    std::string paths = "C:\\A";
    FChosen = {"C:\\B"};
    EXPECT_FALSE(Edit(paths, {Select(0), Press(IDC_DIRS_BDELETE), Press(IDC_DIRS_BADD), Press(IDCANCEL)}));
    EXPECT_EQ(paths, "C:\\A");
}

TEST_F(DirectoriesWindow, DeletingEveryEntryHandsBackTheEmptyText) {
    std::string paths = "C:\\A*C:\\B";
    EXPECT_TRUE(Edit(paths, {Press(IDC_DIRS_BADD), Select(0), Select(1), Press(IDC_DIRS_BDELETE), Press(IDOK)}));
    EXPECT_EQ(paths, "");
    EXPECT_EQ(FStarts, std::vector<std::string>{"C:\\B"});
}

} // namespace
} // namespace quill
