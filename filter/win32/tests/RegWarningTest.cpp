#include "filter/win32/RegWarning.h"

#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"
#include "filter/win32/RegWarningIds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr wchar_t kCaption[] = L"Quillborne: registry modified warning";

// What the timer saw of each warning window before pressing its OK button.
struct TSeen {
    std::string Name;
    std::string Memo;
    bool TopMost = false;
    bool ToolWindow = false;
    bool FocusOnOk = false;
    int Width = 0;
    int Height = 0;
    int Open = 0;
};

std::vector<TSeen> gSeen;

BOOL CALLBACK CountWarnings(HWND window, LPARAM count) {
    wchar_t caption[64] = {};
    ::GetWindowTextW(window, caption, 64);
    if (::IsWindowVisible(window) && wcscmp(caption, kCaption) == 0) {
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

std::string ItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return Narrow(text);
}

// Runs inside the window's modal loop, as the user would.
void CALLBACK DismissWarning(HWND, UINT, UINT_PTR, DWORD) {
    const HWND dialog = ::FindWindowW(L"#32770", kCaption);
    if (dialog == nullptr || !::IsWindowVisible(dialog)) {
        return;
    }
    TSeen seen;
    seen.Name = ItemText(dialog, IDC_REGWARNING_EKEYNAME);
    seen.Memo = ItemText(dialog, IDC_REGWARNING_MEMO);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    seen.TopMost = (exStyle & WS_EX_TOPMOST) != 0;
    seen.ToolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    seen.FocusOnOk = ::GetFocus() == ::GetDlgItem(dialog, IDOK);
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    seen.Width = frame.right - frame.left;
    seen.Height = frame.bottom - frame.top;
    ::EnumWindows(CountWarnings, reinterpret_cast<LPARAM>(&seen.Open));
    gSeen.push_back(seen);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

class RegWarningWindow : public ::testing::Test {
protected:
    void SetUp() override {
        gSeen.clear();
        FTimer = ::SetTimer(nullptr, 0, 50, DismissWarning);
        ASSERT_NE(FTimer, 0u);
    }
    void TearDown() override { ::KillTimer(nullptr, FTimer); }

private:
    UINT_PTR FTimer = 0;
};

TEST_F(RegWarningWindow, ShowsTheNameAndMessageOnTopUntilDismissed) {
    TfrmRegWarning::ShowModal(nullptr, "HKEY_LOCAL_MACHINE\\Software\\Run\\\xC3\x9C", "First line\nsecond line");
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].Name, "HKEY_LOCAL_MACHINE\\Software\\Run\\\xC3\x9C");
    EXPECT_EQ(gSeen[0].Memo, "First line\r\nsecond line");
    EXPECT_TRUE(gSeen[0].TopMost);
    EXPECT_TRUE(gSeen[0].ToolWindow);
    EXPECT_TRUE(gSeen[0].FocusOnOk);
    EXPECT_GE(gSeen[0].Width, TfrmRegWarning::kMinWidth);
    EXPECT_GE(gSeen[0].Height, TfrmRegWarning::kMinHeight);
}

TEST_F(RegWarningWindow, ShowsChangedSectionsOneAfterAnother) {
    TKeyList keysBefore = NewKeyList();
    TKeyList keysAfter = NewKeyList();
    TKeyList modifiedKeys;
    modifiedKeys.Append("\\Software\\Run\\", std::make_unique<TKeyRecord>());
    keysAfter.Append("\\Software\\New\\", std::make_unique<TKeyRecord>());
    TValueList empty = NewValueList();
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::LocalMachine)] = {&keysBefore, &keysAfter, &modifiedKeys,
                                                                 &empty,      &empty,     &empty};
    const TIniFile ini = TIniFile::Parse("[HKEY_LOCAL_MACHINE\\Software\\Run\\]\nMessage=one\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Same\\]\nMessage=never\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\New\\]\nMessage=two\n");
    TWindowRegWarningDisplay display(nullptr);
    TCaptureNotes notes;
    CheckRegistryWarnings(ini, changes, display, notes);
    EXPECT_TRUE(notes.Empty());
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].Memo, "one");
    EXPECT_EQ(gSeen[1].Memo, "two");
    EXPECT_EQ(gSeen[0].Open, 1);
    EXPECT_EQ(gSeen[1].Open, 1);
}

TEST_F(RegWarningWindow, AWindowThatCannotBeCreatedIsNotedForEachWarning) {
    const HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    TKeyList keysBefore = NewKeyList();
    TKeyList keysAfter = NewKeyList();
    TKeyList modifiedKeys;
    modifiedKeys.Append("\\Software\\A\\", std::make_unique<TKeyRecord>());
    modifiedKeys.Append("\\Software\\B\\", std::make_unique<TKeyRecord>());
    TValueList empty = NewValueList();
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::LocalMachine)] = {&keysBefore, &keysAfter, &modifiedKeys,
                                                                 &empty,      &empty,     &empty};
    const TIniFile ini = TIniFile::Parse("[HKEY_LOCAL_MACHINE\\Software\\A\\]\nMessage=one\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\B\\]\nMessage=two\n");
    TWindowRegWarningDisplay display(gone);
    TCaptureNotes notes;
    CheckRegistryWarnings(ini, changes, display, notes);
    EXPECT_TRUE(gSeen.empty());
    ASSERT_EQ(notes.Kinds().size(), 1u);
    EXPECT_EQ(notes.Kinds()[0].Count, 2u);
    EXPECT_THAT(notes.Kinds()[0].Examples[1], StartsWith("HKEY_LOCAL_MACHINE\\Software\\B\\ (the warning window"));
}

TEST(WarningsFile, IsReadWhenPresentAndMeansNoWarningsWhenMissing) {
    const test::TTempDirectory folder("QuillborneWarnings");
    const std::wstring directory = Wide(folder.Path());
    EXPECT_TRUE(ReadWarningsFile(directory).SectionNames().empty());
    // Not UTF-8: read in the ANSI code page.
    ASSERT_TRUE(folder.WriteFile("Quillborne.ini", "[HKEY_CURRENT_USER\\Software\\Caf\xE9\\]\r\nMessage=m\r\n"));
    EXPECT_THAT(ReadWarningsFile(directory).SectionNames(), ElementsAre("HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9\\"));
}

// Notepad's "Unicode" and "Unicode big endian".
TEST(WarningsFile, IsReadInUtf16WithAByteOrderMark) {
    const test::TTempDirectory folder("QuillborneWarnings16");
    const std::wstring directory = Wide(folder.Path());
    const std::u16string text = u"[HKEY_CURRENT_USER\\Software\\Caf\u00E9\\]\r\nMessage=\u0416\r\n";
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        ASSERT_TRUE(folder.WriteFile("Quillborne.ini", bytes));
        const TIniFile ini = ReadWarningsFile(directory);
        EXPECT_THAT(ini.SectionNames(), ElementsAre("HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9\\"));
        EXPECT_EQ(ini.ReadString("HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9\\", "Message", ""), "\xD0\x96");
    }
}

} // namespace
} // namespace quill
