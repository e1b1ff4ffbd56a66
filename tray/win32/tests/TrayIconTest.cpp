#include "tray/win32/TrayIcon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

TEST(TrayTip, KeepsTheFirst127UnitsOfAShownHint) {
    const std::string bear = "\xF0\x9F\x90\xBB"; // one character, two UTF-16 units
    struct TCase {
        std::string Hint;
        bool ShowHint;
        std::wstring Tip;
    };
    const TCase cases[] = {
        {"Quillborne", true, L"Quillborne"},
        {"Quillborne", false, L""},
        {"", true, L""},
        {std::string(127, 'a'), true, std::wstring(127, L'a')},
        {std::string(200, 'a'), true, std::wstring(127, L'a')},
        {std::string(126, 'a') + bear, true, std::wstring(126, L'a')},
        {std::string(125, 'a') + bear, true, std::wstring(125, L'a') + L"\U0001F43B"},
    };
    for (const TCase& c : cases) {
        wchar_t tip[128];
        std::fill(std::begin(tip), std::end(tip), L'x');
        FillTrayTip(tip, c.Hint, c.ShowHint);
        EXPECT_EQ(std::wstring(tip), c.Tip) << c.Hint.size() << " bytes, shown " << c.ShowHint;
        EXPECT_EQ(tip[127], L'\0');
    }
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        FOwner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(FOwner, nullptr);
    }
    void TearDown() override { ::DestroyWindow(FOwner); }

    HWND FOwner = nullptr;
};

TEST_F(TrayIcon, TheShellsMouseMessagesBecomeEvents) {
    struct TCase {
        UINT Mouse;
        bool LeftPopup;
        bool Enabled;
        std::vector<std::string> Raised;
    };
    const TCase cases[] = {
        {WM_RBUTTONDOWN, false, true, {"menu"}}, {WM_LBUTTONDOWN, true, true, {"menu"}},
        {WM_LBUTTONDOWN, false, true, {}},       {WM_LBUTTONDBLCLK, false, true, {"double click"}},
        {WM_RBUTTONDOWN, true, false, {}},       {WM_LBUTTONDBLCLK, true, false, {}},
    };
    for (const TCase& c : cases) {
        TTrayIcon icon(FOwner);
        std::vector<std::string> raised;
        icon.SetLeftPopup(c.LeftPopup);
        icon.SetEnabled(c.Enabled);
        icon.OnPopupMenu = [&](POINT) { raised.push_back("menu"); };
        icon.OnDblClick = [&] { raised.push_back("double click"); };
        icon.OnClick = [&] { raised.push_back("click"); };
        ::SendMessageW(icon.Handler(), TTrayIcon::kCallbackMessage, 1, c.Mouse);
        EXPECT_EQ(raised, c.Raised) << std::hex << c.Mouse << " left popup " << c.LeftPopup << " enabled " << c.Enabled;
    }
}

TEST_F(TrayIcon, MinimisingTheOwnerSendsItToTheTray) {
    TTrayIcon icon(FOwner);
    ::ShowWindow(FOwner, SW_SHOWNA);
    EXPECT_FALSE(icon.OwnerMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0)) << "only when asked to";
    icon.SetMinimizeToTray(true);
    bool raised = false;
    icon.OnMinimizeToTray = [&] { raised = true; };
    EXPECT_TRUE(icon.OwnerMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    EXPECT_TRUE(raised);
    EXPECT_FALSE(::IsWindowVisible(FOwner));
    EXPECT_TRUE(icon.IconVisible());
    icon.RestoreMainWindow();
    EXPECT_TRUE(::IsWindowVisible(FOwner));
}

TEST_F(TrayIcon, NeverObjectsToTheEndOfTheSession) {
    TTrayIcon icon(FOwner);
    EXPECT_EQ(::SendMessageW(icon.Handler(), WM_QUERYENDSESSION, 0, 0), TRUE);
}

} // namespace
} // namespace quill
