#include "app/win32/tests/E2eDriver.h"

#include "app/win32/resource.h"
#include "common/ScopeExit.h"
#include "common/win32/Files.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <shellapi.h>

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
        // The next box is another window, not this one on its way out.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (::IsWindow(box) && std::chrono::steady_clock::now() < deadline) {
            ::Sleep(20);
        }
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

// Ends the help viewer showing this program's help file, once it shows
// within the time; false when none came. The viewer is a program of its own
// that outlives the one that started it.
bool CloseHelpViewer(std::chrono::milliseconds timeout) {
    const HWND viewer = FindWindowOf(0, L"HH Parent", L"Quillborne Help", true, timeout);
    if (viewer == nullptr) {
        return false;
    }
    DWORD viewerProcess = 0;
    ::GetWindowThreadProcessId(viewer, &viewerProcess);
    const TUniqueHandleObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, viewerProcess));
    if (process) {
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
    }
    return true;
}

// A shown dialog of the settings, the filter settings, an ignore list or the
// About box, or
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
                 caption.ends_with(L" to ignore") || caption == L"About Quillborne v2.0")) {
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
    // The settings, the filter settings, the four ignore lists and About open
    // their dialogs over the capture, which goes on once the user has closed
    // them; Help opens the viewer, a program of its own.
    std::set<HWND> dialogs;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!yes.Wait(100ms) && std::chrono::steady_clock::now() < deadline) {
        if (const HWND dialog = FilterDialog(program.Id())) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            dialogs.insert(dialog);
        }
    }
    const bool helpShown = CloseHelpViewer(20s);
    ASSERT_TRUE(yes.Wait(0ms));
    EXPECT_EQ(dialogs.size(), 7u);
    EXPECT_TRUE(helpShown);

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

// Whether the notification area holds the program's icon: modifying nothing
// of an icon succeeds only when the icon is there.
bool TrayIconShown(DWORD processId) {
    const HWND handler = FindWindowOf(processId, L"QuillborneTrayIconHandler", nullptr, false, 5s);
    if (handler == nullptr) {
        return false;
    }
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = handler;
    data.uID = 1;
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

TEST_F(MainWindow, TheStartupSwitchInAnyCaseLeavesOnlyTheTrayIconUntilShow) {
    Settled();
    {
        TQuillborneProcess program(L"-STARTUP ignored");
        const HWND window = program.MainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(::IsWindowVisible(window));
        EXPECT_TRUE(TrayIconShown(program.Id()));
        ::SendMessageW(window, WM_COMMAND, CM_SHOW, 0);
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_FALSE(TrayIconShown(program.Id()));
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    }
    TQuillborneProcess second(L"other -startup");
    const HWND window = second.ShownWindow(L"QuillborneMain");
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(TrayIconShown(second.Id()));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(), std::optional<DWORD>(0));
}

// However the window is minimised, it leaves the task bar for the
// notification area, and Show brings it back from there.
TEST_F(MainWindow, MinimisedByAnyMeansTheWindowGoesToTheTray) {
    struct TCase {
        const char* Name;
        UINT Message;
        WPARAM ShowCommand;
    };
    const TCase cases[] = {
        {"the system menu", WM_SYSCOMMAND, SC_MINIMIZE},
        {"another program", 0, SW_MINIMIZE},
        {"another program, not activating", 0, SW_SHOWMINNOACTIVE},
    };
    Settled();
    TQuillborneProcess program;
    const HWND window = program.ShownWindow(L"QuillborneMain");
    ASSERT_NE(window, nullptr);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Message != 0) {
            ::SendMessageW(window, c.Message, c.ShowCommand, 0);
        } else {
            ::ShowWindow(window, static_cast<int>(c.ShowCommand));
        }
        EXPECT_FALSE(::IsWindowVisible(window));
        EXPECT_TRUE(TrayIconShown(program.Id()));
        ::SendMessageW(window, WM_COMMAND, CM_SHOW, 0);
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_FALSE(::IsIconic(window));
        EXPECT_FALSE(TrayIconShown(program.Id()));
    }
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

// Only a second recording from the command line is refused: one runs to its
// end beside the window's, which goes on.
TEST_F(MainWindow, ARecordingFromTheCommandLineRunsWhileTheWindowRecords) {
    Settled();
    const std::wstring scanned = ScratchFolder();
    const std::wstring report = scanned + L"\\beside.html";
    TQuillborneProcess program;
    const HWND window = program.ShownWindow(L"QuillborneMain");
    ASSERT_NE(window, nullptr);
    ::SendMessageW(window, WM_COMMAND, CM_STARTRECORDING, 0);
    ExpectStep(window, 5);
    {
        TQuillborneProcess command(L"-record -quiet -roots none -no-watch -timeout 0 -paths \"" + scanned +
                                   L"\" -report \"" + report + L"\"");
        EXPECT_EQ(command.WaitForExit(60s), std::optional<DWORD>(0));
    }
    EXPECT_NE(::GetFileAttributesW(report.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectStep(window, 5);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Answer(program, IDYES), "Are you sure you want to exit?");
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    ::DeleteFileW(report.c_str());
    ::RemoveDirectoryW(scanned.c_str());
}

// The system's question reaches the window through the shell notifications:
// a No refuses the end of the session by itself, a Yes goes on to the close
// query, which during a recording asks once more.
TEST_F(MainWindow, TheEndOfTheSessionIsAskedAboutAndANoRefusesIt) {
    constexpr char kEnd[] = "Windows wants to shutdown/restart. Do you want to allow this?";
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::SendMessageW(window, WM_COMMAND, CM_STARTRECORDING, 0);
    {
        TPendingMessage query(window, WM_QUERYENDSESSION, 0, 0);
        EXPECT_EQ(Answer(program, IDNO), kEnd);
        ASSERT_TRUE(query.Wait());
        EXPECT_EQ(query.Result(), FALSE);
        EXPECT_EQ(program.MessageBox(300ms), nullptr);
    }
    {
        TPendingMessage query(window, WM_QUERYENDSESSION, 0, 0);
        EXPECT_EQ(Answer(program, IDYES), kEnd);
        EXPECT_EQ(Answer(program, IDYES), "Are you sure you want to exit?");
        ASSERT_TRUE(query.Wait());
        EXPECT_NE(query.Result(), FALSE);
    }
}

TEST_F(MainWindow, AboutShowsWhatIsMonitoredAndAPictureInAFixedToolWindow) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_COMMAND, CM_ABOUT, 0);
    const HWND about = FindWindowOf(program.Id(), L"#32770", L"About Quillborne v2.0", true, 20s);
    ASSERT_NE(about, nullptr);
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(about, GWL_EXSTYLE));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(about, GWL_STYLE));
    EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0u);
    EXPECT_EQ(style & WS_THICKFRAME, 0u);
    EXPECT_EQ(::GetWindow(about, GW_OWNER), window);

    const HWND text = ::GetDlgItem(about, IDC_ABOUTTEXT);
    const auto textStyle = static_cast<DWORD>(::GetWindowLongPtrW(text, GWL_STYLE));
    EXPECT_NE(textStyle & ES_READONLY, 0u);
    EXPECT_NE(textStyle & WS_VSCROLL, 0u);
    // Another process's edit control answers only when asked by message.
    std::wstring body(static_cast<std::size_t>(::SendMessageW(text, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    ::SendMessageW(text, WM_GETTEXT, body.size(), reinterpret_cast<LPARAM>(body.data()));
    for (const wchar_t* monitored : {L"file system", L"registry", L"processes", L"shell", L"Quillborne.chm"}) {
        EXPECT_NE(body.find(monitored), std::wstring::npos) << Narrow(monitored);
    }
    EXPECT_NE(::SendDlgItemMessageW(about, IDC_ABOUTPICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    Click(about, IDOK);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (::IsWindow(about) && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(50);
    }
    EXPECT_FALSE(::IsWindow(about));
    EXPECT_EQ(program.MessageBox(300ms), nullptr);
}

TEST_F(MainWindow, HelpOpensTheHelpFileBesideTheProgram) {
    Settled();
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_COMMAND, CM_HELP, 0);
    EXPECT_TRUE(CloseHelpViewer(30s));
    EXPECT_EQ(program.MessageBox(300ms), nullptr);
}

TEST_F(MainWindow, AMissingHelpFileIsNamedWithItsFullPath) {
    Settled();
    const std::wstring help = ExecutableDirectory() + L"Quillborne.chm";
    const std::wstring aside = help + L".aside";
    ASSERT_TRUE(::MoveFileExW(help.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    const TScopeExit restore([&] { ::MoveFileExW(aside.c_str(), help.c_str(), MOVEFILE_REPLACE_EXISTING); });
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_COMMAND, CM_HELP, 0);
    EXPECT_EQ(Answer(program, IDOK), "The help file (" + Narrow(help) + ") cannot be found!");
}

} // namespace
} // namespace quill::test
