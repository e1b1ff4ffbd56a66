#include "session/win32/tests/E2eDriver.h"

#include "session/win32/resource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quill::test {
namespace {

constexpr char kFirstRunStart[] = "Please specify what events you would like Quillborne to record.";
constexpr char kNewVersionStart[] = "You are running a new version of Quillborne.";

class MainWindow : public ::testing::Test {
protected:
    // An empty folder of its own in the temporary folder.
    static std::wstring ScratchFolder() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        std::wstring folder = std::wstring(temp) + L"QuillborneE2eScan";
        ::RemoveDirectoryW(folder.c_str());
        ::CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }

    void SetUp() override {
        if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
            GTEST_SKIP() << "no display";
        }
    }

    // A program that has run before: no message at the first showing.
    void Settled() const {
        FSettings.Set(L"FirstRun", L"N");
        FSettings.Set(L"Version", L"Quillborne v2.0");
    }

    // The step the window shows: exactly one label enabled, Yes on its row.
    static void ExpectStep(HWND window, int step) {
        for (int label = 1; label <= 7; ++label) {
            EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1 + label - 1)) != FALSE, label == step)
                << "label " << label << " at step " << step;
        }
        EXPECT_EQ(ControlTop(window, IDC_YES), 16 + 48 * (step - 1)) << "at step " << step;
        EXPECT_EQ(ControlTop(window, IDC_RUNPROGRAM), ControlTop(window, IDC_YES));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, IDC_YES)));
        EXPECT_EQ(::IsWindowVisible(::GetDlgItem(window, IDC_RUNPROGRAM)) != FALSE, step <= 2);
    }

    // Answers the program's message box with the given button; returns its text.
    static std::string Answer(const TQuillborneProcess& program, int button) {
        const HWND box = program.MessageBox();
        if (box == nullptr) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        std::string text = MessageBoxText(box);
        Click(box, button);
        return text;
    }

    TSettingsKey FSettings;
};

// The first run asks for the settings, whose OK returns to the wizard. The
// directories to scan are set beforehand: the default, every fixed drive,
// would scan the whole prefix.
TEST_F(MainWindow, FirstRunMessageThenTheSettingsThenYesWalksTheSevenStepsAndCloseAsksFromStepThree) {
    const std::wstring scanned = ScratchFolder();
    FSettings.Set(L"Paths", scanned.c_str());
    TQuillborneProcess program;
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(Answer(program, IDOK).rfind(kFirstRunStart, 0), 0u);
    const HWND settings = program.ShownDialog(L"Quillborne Settings");
    ASSERT_NE(settings, nullptr);
    // Opening the dialog has stored every option already.
    EXPECT_EQ(FSettings.Get(L"FirstRun"), std::optional<std::wstring>(L"N"));
    Click(settings, IDOK);
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window));
    ExpectStep(window, 1);
    Click(window, IDC_YES);
    ExpectStep(window, 2);
    Click(window, IDC_YES); // through the before-capture of step 3
    ExpectStep(window, 4);
    Click(window, IDC_YES);
    ExpectStep(window, 5);
    Click(window, IDC_YES); // through the after-capture and the report
    ExpectStep(window, 1);
    Click(window, IDC_YES);
    Click(window, IDC_YES);
    ExpectStep(window, 4);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Answer(program, IDNO), "Are you sure you want to exit?");
    EXPECT_FALSE(program.WaitForExit(500ms).has_value());
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Answer(program, IDYES), "Are you sure you want to exit?");
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(FSettings.Get(L"Version"), std::optional<std::wstring>(L"Quillborne v2.0"));
    EXPECT_EQ(FSettings.Get(L"Paths"), std::optional<std::wstring>(scanned));
    EXPECT_EQ(FSettings.Get(L"F_NewKey"), std::optional<std::wstring>(L"Y"));
    ::RemoveDirectoryW(scanned.c_str());
}

TEST_F(MainWindow, ANewVersionIsAnnouncedOnceAndItsTitleStored) {
    FSettings.Set(L"FirstRun", L"N");
    FSettings.Set(L"Version", L"Quillborne v1.9");
    {
        TQuillborneProcess program;
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(Answer(program, IDOK).rfind(kNewVersionStart, 0), 0u);
        const HWND settings = program.ShownDialog(L"Quillborne Settings");
        ASSERT_NE(settings, nullptr);
        Click(settings, IDOK);
        const HWND window = program.MainWindow();
        ASSERT_NE(window, nullptr);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    }
    EXPECT_EQ(FSettings.Get(L"Version"), std::optional<std::wstring>(L"Quillborne v2.0"));
    EXPECT_EQ(FSettings.Get(L"FirstRun"), std::optional<std::wstring>(L"N"));

    TQuillborneProcess again;
    const HWND window = again.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(again.MessageBox(1s), nullptr);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(again.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(MainWindow, SkipStepsStartsAtTwoAndOneYesLandsOnFive) {
    Settled();
    FSettings.Set(L"SkipSteps", L"Y");
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ExpectStep(window, 2);
    Click(window, IDC_YES);
    ExpectStep(window, 5);
    Click(window, IDC_YES);
    ExpectStep(window, 2);
}

TEST_F(MainWindow, StartAndStopRecordingCommandsDriveTheWizard) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::SendMessageW(window, WM_COMMAND, CM_STARTRECORDING, 0);
    ExpectStep(window, 5);
    // Exit stays possible, Yes is shown again after the capture.
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_EXIT)));
    ::SendMessageW(window, WM_COMMAND, CM_STOPRECORDING, 0);
    ExpectStep(window, 1);
    // Stop Recording is not offered again until the next recording starts.
    ::SendMessageW(window, WM_COMMAND, CM_STOPRECORDING, 0);
    ExpectStep(window, 1);
    EXPECT_EQ(program.MessageBox(300ms), nullptr);
}

// Enter presses the window's default button, Yes, and Ctrl+Y is its
// shortcut. While step 3 captures, Yes is hidden and neither may move the
// wizard on. The keys are queued behind the click that starts the capture and
// come in when step 3 lets the window's messages in.
TEST_F(MainWindow, EnterAndCtrlYDoNothingWhileACaptureRuns) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    Click(window, IDC_YES);
    ExpectStep(window, 2);

    TFrozenWindowThread frozen(window);
    ASSERT_TRUE(frozen.Frozen());
    TPendingClick yes(window, IDC_YES);
    // Keys go to the control with the focus; the shortcut table turns Ctrl+Y
    // into the Yes command.
    ::PostMessageW(FocusOf(window), WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(CM_YES, 1), 0);
    frozen.Thaw();
    ASSERT_TRUE(yes.Wait());

    ExpectStep(window, 4);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_YES)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_EXIT)));
}

// A shown dialog of the settings, the filter settings or an ignore list, or
// null.
HWND FilterDialog(DWORD processId) {
    struct TSearch {
        DWORD ProcessId;
        HWND Found;
    } search{processId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& found = *reinterpret_cast<TSearch*>(parameter);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t className[16] = {};
            wchar_t title[64] = {};
            ::GetClassNameW(window, className, 16);
            ::GetWindowTextW(window, title, 64);
            const std::wstring_view caption(title);
            if (owner == found.ProcessId && std::wstring_view(className) == L"#32770" && ::IsWindowVisible(window) &&
                (caption == L"Results Filter" || caption == L"Quillborne Settings" ||
                 caption.ends_with(L" to ignore"))) {
                found.Found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Every command of the menus, the buttons and the notification-area menu,
// the close box and the end of the user's session, queued behind the click
// that starts the capture: they come in while step 3 captures, and none of
// them may start a second capture, free the session or close the window.
TEST_F(MainWindow, CommandsPostedDuringACaptureLeaveItToFinish) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    Click(window, IDC_YES);
    ExpectStep(window, 2);

    TFrozenWindowThread frozen(window);
    ASSERT_TRUE(frozen.Frozen());
    TPendingClick yes(window, IDC_YES);
    for (int command = CM_FIRSTACTION; command <= CM_RUNPROGRAM; ++command) {
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::PostMessageW(window, WM_ENDSESSION, TRUE, 0);
    frozen.Thaw();
    // The settings, the filter settings and the four ignore lists open their
    // dialogs over the capture, which goes on once the user has closed them.
    std::set<HWND> dialogs;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!yes.Wait(100ms) && std::chrono::steady_clock::now() < deadline) {
        if (const HWND dialog = FilterDialog(program.Id())) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            dialogs.insert(dialog);
        }
    }
    ASSERT_TRUE(yes.Wait(0ms));
    EXPECT_EQ(dialogs.size(), 6u);

    ExpectStep(window, 4);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(program.MessageBox(300ms), nullptr);
    EXPECT_FALSE(program.WaitForExit(300ms).has_value());
}

TEST_F(MainWindow, ClosingBeforeARecordingAsksNothing) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    Click(window, IDC_EXIT);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(MainWindow, TheStartupSwitchInAnyCaseKeepsTheWindowHidden) {
    Settled();
    TQuillborneProcess program(L"-STARTUP");
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

} // namespace
} // namespace quill::test
