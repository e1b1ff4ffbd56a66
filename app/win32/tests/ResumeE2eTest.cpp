#include "app/win32/ResumeFile.h"
#include "app/win32/resource.h"
#include "app/win32/tests/E2eDriver.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/WinText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace quill::test {
namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kRunOnceValue[] = L"Quillborne";

// The kept recording and the start it asks for, removed before and after.
class RestartRecording : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
            GTEST_SKIP() << "no display";
        }
        FSettings.Set(L"FirstRun", L"N");
        FSettings.Set(L"Version", L"Quillborne v2.0");
        Clean();
    }
    void TearDown() override { Clean(); }

    void Clean() {
        FKept.Remove();
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunOnceKey, kRunOnceValue);
    }

    static std::optional<std::wstring> RunOnce() {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof(buffer);
        if (::RegGetValueW(HKEY_CURRENT_USER, kRunOnceKey, kRunOnceValue, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(buffer);
    }

    // The program acts on the answer to its box on its own time and tells
    // nobody: looks until the condition holds, the program ends or the time
    // is up.
    template <class TCondition> static bool Within(const TQuillborneProcess& program, TCondition condition) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= until ||
                ::WaitForSingleObject(program.Handle(), 20) != WAIT_TIMEOUT) {
                return false;
            }
        }
        return true;
    }

    static int Label(HWND window) {
        int shown = 0;
        for (int label = 1; label <= 7; ++label) {
            if (::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1 + label - 1))) {
                shown = shown == 0 ? label : -1;
            }
        }
        return shown;
    }

    static int Step(HWND window) {
        const int shown = Label(window);
        EXPECT_EQ(ControlTop(window, IDC_YES), 16 + 48 * (shown - 1));
        return shown;
    }

    // For waiting: the window redraws a step label by label, then moves Yes.
    static bool Shows(HWND window, int step) {
        return Label(window) == step && ControlTop(window, IDC_YES) == 16 + 48 * (step - 1);
    }

    // Whether the kept recording is still there. The program may hold it open
    // to remove it, so the test does not read it while it waits.
    bool Kept() const { return ::GetFileAttributesW(Wide(FKept.Path()).c_str()) != INVALID_FILE_ATTRIBUTES; }

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
    TWin32Registry FRegistry;
    TResumeFile FKept = TResumeFile::ForCurrentUser(FRegistry, {});
};

TEST_F(RestartRecording, ARecordingTheEndOfTheSessionInterruptsGoesOnAtStepFiveAtTheNextStart) {
    {
        TQuillborneProcess program;
        const HWND window = program.MainWindow();
        ASSERT_NE(window, nullptr);
        Click(window, IDC_YES);
        Click(window, IDC_YES);
        ASSERT_EQ(Step(window), 4);
        ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
        EXPECT_TRUE(FKept.Read().has_value());
        const std::optional<std::wstring> command = RunOnce();
        ASSERT_TRUE(command.has_value());
        EXPECT_TRUE(Narrow(*command).ends_with("quillborne.exe\" -resume")) << Narrow(*command);
        // The platform ends the process after the session; here it closes.
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(Answer(program, IDYES), "Are you sure you want to exit?");
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    }

    TQuillborneProcess resumed(L"-resume");
    EXPECT_EQ(Answer(resumed, IDYES), "A recording was in progress when Windows restarted. Continue it?");
    const HWND window = resumed.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Within(resumed, [&] { return Shows(window, 5); }));
    EXPECT_FALSE(FKept.Read().has_value());
    Click(window, IDC_YES); // through the after-capture and the report
    EXPECT_EQ(Step(window), 1);
    Click(window, IDC_EXIT);
    EXPECT_EQ(resumed.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(RestartRecording, NoDiscardsTheKeptRecordingAndStaysAtTheStart) {
    FKept.Save("kept");
    TQuillborneProcess resumed(L"-RESUME");
    EXPECT_EQ(Answer(resumed, IDNO), "A recording was in progress when Windows restarted. Continue it?");
    const HWND window = resumed.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Within(resumed, [&] { return !Kept(); }));
    EXPECT_EQ(Step(window), 1);
    Click(window, IDC_EXIT);
    EXPECT_EQ(resumed.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(RestartRecording, AKeptRecordingThatCannotBeLoadedIsNamedAndTheWizardStaysAtTheStart) {
    FKept.Save("not a snapshot");
    TQuillborneProcess resumed(L"-resume");
    EXPECT_EQ(Answer(resumed, IDYES), "A recording was in progress when Windows restarted. Continue it?");
    EXPECT_EQ(Answer(resumed, IDOK), "The recording cannot be continued: the snapshot file \"" + FKept.Path() +
                                         "\" cannot be loaded: it is not a Quillborne snapshot file.");
    const HWND window = resumed.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Within(resumed, [&] { return !Kept(); }));
    EXPECT_EQ(Step(window), 1);
    Click(window, IDC_EXIT);
    EXPECT_EQ(resumed.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(RestartRecording, WithoutAKeptRecordingTheStartSaysSoAndAsksNothing) {
    TQuillborneProcess resumed(L"-resume");
    EXPECT_EQ(Answer(resumed, IDOK),
              "The recording cannot be continued: the kept recording " + FKept.Path() + " is not there.");
    const HWND window = resumed.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Within(resumed, [&] { return ::IsWindowVisible(window) != FALSE; }));
    EXPECT_EQ(resumed.MessageBox(300ms), nullptr);
    EXPECT_EQ(Step(window), 1);
    Click(window, IDC_EXIT);
    EXPECT_EQ(resumed.WaitForExit(), std::optional<DWORD>(0));
}

} // namespace
} // namespace quill::test
