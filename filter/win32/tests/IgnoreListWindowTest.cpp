#include "filter/win32/SelectForm.h"

#include "common/tests/FakeMessages.h"
#include "common/win32/Files.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"
#include "common/win32/tests/WindowDriver.h"
#include "filter/win32/SelectFormIds.h"
#include "filter/win32/Win32IgnoreFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>

namespace quill {
namespace {

using test::Command;
using test::TDialogDriver;
using test::TFakeMessages;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kComment(kIgnoreFileComment);
// Cyrillic and a character outside the Basic Multilingual Plane: outside
// every ANSI code page at once.
const std::string kWideName = "C:\\\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5\\\xF0\x9F\x93\x81.txt";

class IgnoreListFiles : public ::testing::Test {
protected:
    test::TTempDirectory FFolder{"QuillIgnoreLists"};
    TWin32IgnoreFiles FFiles;
    TFakeMessages FMessages;

    std::string File(TIgnoreKind kind) const { return FFolder.Path() + std::string(IgnoreKindInfo(kind).FileName); }
    void SetReadOnly(TIgnoreKind kind) const {
        ::SetFileAttributesW(Wide(File(kind)).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    std::size_t FileCount() const {
        WIN32_FIND_DATAW data;
        std::size_t count = 0;
        const TUniqueFind find(::FindFirstFileW(Wide(FFolder.Path() + "*").c_str(), &data));
        if (find) {
            do {
                count += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
            } while (::FindNextFileW(find.Get(), &data));
        }
        return count;
    }
};

TEST_F(IgnoreListFiles, SavesInUtf8SoThatNamesOutsideTheCodePageSurvive) {
    TIgnoreListEditor editor(TIgnoreKind::Files, FFolder.Path(), FFiles, FMessages);
    ASSERT_TRUE(editor.Add(kWideName));
    ASSERT_TRUE(editor.SaveToFile());
    EXPECT_EQ(ReadWholeFile(Wide(File(TIgnoreKind::Files))).value_or(""),
              kComment + "\r\n+" + kWideName + "\r\n" + kComment + "\r\n");
    EXPECT_THAT(LoadIgnoreList(TIgnoreKind::Files, FFolder.Path(), FFiles, FMessages), ElementsAre(kWideName));
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(IgnoreListFiles, AFailedSaveLeavesThePreviousFileIntact) {
    const std::string previous = kComment + "\r\n+C:\\Before\r\n" + kComment + "\r\n";
    ASSERT_TRUE(FFolder.WriteFile("IgnoreFiles.txt", previous));
    SetReadOnly(TIgnoreKind::Files);
    TIgnoreListEditor editor(TIgnoreKind::Files, FFolder.Path(), FFiles, FMessages);
    editor.Add("C:\\After");
    EXPECT_FALSE(editor.SaveToFile());
    EXPECT_TRUE(editor.Modified());
    ASSERT_EQ(FMessages.Asked.size(), 1u);
    EXPECT_THAT(FMessages.Asked[0].Text,
                StartsWith("Unable to save to the settings file: " + File(TIgnoreKind::Files) + "\n\r\n\rReason: "));
    EXPECT_EQ(ReadWholeFile(Wide(File(TIgnoreKind::Files))).value_or(""), previous);
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(IgnoreListFiles, ReadsFilesOfOlderEditorsInTheAnsiCodePage) {
    ASSERT_TRUE(FFolder.WriteFile("IgnoreDirs.txt", "+C:\\Caf\xE9\r\n"));
    EXPECT_THAT(LoadIgnoreList(TIgnoreKind::Directories, FFolder.Path(), FFiles, FMessages),
                ElementsAre(AnsiToUtf8("C:\\Caf\xE9")));
}

TEST_F(IgnoreListFiles, AFileThatCannotBeReadGivesTheSystemsReasonAfterItsName) {
    const std::string keys = File(TIgnoreKind::Keys);
    const std::string values = File(TIgnoreKind::Values);
    ASSERT_TRUE(FFolder.WriteFile("IgnoreKeys.txt", "+\\Software\\Example\\\r\n"));
    const TUniqueFile unshared(
        ::CreateFileW(Wide(keys).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(unshared);
    ASSERT_TRUE(FFolder.MakeDirectory("IgnoreValues.txt"));
    const struct {
        TIgnoreKind Kind;
        std::string File;
        DWORD Error;
    } cases[] = {
        {TIgnoreKind::Keys, keys, ERROR_SHARING_VIOLATION},
        {TIgnoreKind::Values, values, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        FMessages.Asked.clear();
        LoadIgnoreList(c.Kind, FFolder.Path(), FFiles, FMessages);
        ASSERT_EQ(FMessages.Asked.size(), 1u) << c.File;
        EXPECT_EQ(FMessages.Asked[0].Text,
                  "Unable to read the settings file: " + c.File + "\n\r\n\rReason: " + SystemMessage(c.Error));
    }
}

int ListCount(HWND dialog) {
    return ListView_GetItemCount(::GetDlgItem(dialog, IDC_SELECT_CLBOX));
}

class IgnoreListWindow : public IgnoreListFiles {
protected:
    INT_PTR Show(TIgnoreKind kind, std::deque<TDialogDriver::TStep> steps) {
        TDialogDriver driver(std::wstring(Wide(IgnoreKindInfo(kind).Caption)), std::move(steps));
        TfrmSelect form(kind, FFolder.Path(), FFiles, FMessages);
        const INT_PTR result = form.ShowModal(nullptr);
        EXPECT_TRUE(driver.Done());
        return result;
    }
    static TDialogDriver::TStep Type(std::string text) {
        return [text](HWND dialog) { ::SetDlgItemTextW(dialog, IDC_SELECT_EITEM, Wide(text).c_str()); };
    }
    static TDialogDriver::TStep Press(int id) {
        return [id](HWND dialog) { Command(dialog, id); };
    }
};

TEST_F(IgnoreListWindow, AddsTypedEntriesSavesThemOnOkAndShowsThemAgain) {
    int shown = -1;
    EXPECT_EQ(Show(TIgnoreKind::Keys,
                   {Type("HKLM\\Software\\Example"), Press(IDC_SELECT_BADD), Type("Software\\Other"),
                    Press(IDC_SELECT_BADD), [&shown](HWND dialog) { shown = ListCount(dialog); }, Press(IDOK)}),
              IDOK);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(ReadWholeFile(Wide(File(TIgnoreKind::Keys))).value_or(""),
              kComment + "\r\n+\\Software\\Example\\\r\n+\\Software\\Other\\\r\n" + kComment + "\r\n");

    bool checked = false;
    std::wstring caption(64, L'\0');
    Show(TIgnoreKind::Keys,
         {[&](HWND dialog) {
              shown = ListCount(dialog);
              checked = ListView_GetCheckState(::GetDlgItem(dialog, IDC_SELECT_CLBOX), 1) != 0;
              caption.resize(static_cast<std::size_t>(::GetDlgItemTextW(dialog, IDC_SELECT_LITEM, caption.data(), 64)));
          },
          Press(IDCANCEL)});
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(checked);
    EXPECT_EQ(caption, L"Key:");
    EXPECT_TRUE(FMessages.Asked.empty());
}

TEST_F(IgnoreListWindow, AReadOnlyFileGivesTheSaveErrorAndKeepsTheChangesUntilTheUserLetsThemGo) {
    const std::string previous = kComment + "\r\n+\\Software\\Before\\\r\n" + kComment + "\r\n";
    ASSERT_TRUE(FFolder.WriteFile("IgnoreKeys.txt", previous));
    SetReadOnly(TIgnoreKind::Keys);
    FMessages.Answers = {TMessageAnswer::Ok, TMessageAnswer::No, TMessageAnswer::Yes};
    bool stillOpen = false;
    EXPECT_EQ(Show(TIgnoreKind::Keys,
                   {Type("Software\\After"), Press(IDC_SELECT_BADD), Press(IDOK),
                    [&stillOpen](HWND dialog) { stillOpen = ::IsWindowVisible(dialog) != 0; }, Press(IDCANCEL)}),
              IDCANCEL);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(FMessages.Asked.size(), 3u);
    EXPECT_THAT(FMessages.Asked[0].Text, StartsWith("Unable to save to the settings file: "));
    EXPECT_THAT(FMessages.Asked[1].Text, HasSubstr("lose then changes"));
    EXPECT_THAT(FMessages.Asked[2].Text, HasSubstr("lose then changes"));
    EXPECT_EQ(ReadWholeFile(Wide(File(TIgnoreKind::Keys))).value_or(""), previous);
}

TEST_F(IgnoreListWindow, DeleteKeyRemovesTheSelectedEntries) {
    ASSERT_TRUE(FFolder.WriteFile("IgnoreDirs.txt", "+C:\\A\r\n+C:\\B\r\n+C:\\C\r\n"));
    const auto select = [](int index) {
        return [index](HWND dialog) {
            ListView_SetItemState(::GetDlgItem(dialog, IDC_SELECT_CLBOX), index, LVIS_SELECTED, LVIS_SELECTED);
        };
    };
    const TDialogDriver::TStep pressDelete = [](HWND dialog) {
        NMLVKEYDOWN key{};
        key.hdr.hwndFrom = ::GetDlgItem(dialog, IDC_SELECT_CLBOX);
        key.hdr.idFrom = IDC_SELECT_CLBOX;
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = VK_DELETE;
        ::SendMessageW(dialog, WM_NOTIFY, IDC_SELECT_CLBOX, reinterpret_cast<LPARAM>(&key));
    };
    Show(TIgnoreKind::Directories, {select(0), select(2), pressDelete, Press(IDOK)});
    EXPECT_EQ(ReadWholeFile(Wide(File(TIgnoreKind::Directories))).value_or(""),
              kComment + "\r\n+C:\\B\r\n" + kComment + "\r\n");
}

} // namespace
} // namespace quill
