#include "app/win32/tests/E2eDriver.h"

#include "app/win32/resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quill::test {
namespace {

constexpr int kFileNameBox = 0x47C; // the file dialog's file name
constexpr wchar_t kWatchedEvent[] = L"QuillborneTestWatchedProgramEnd";
constexpr wchar_t kWatchedChildEvent[] = L"QuillborneTestWatchedChildEnd";
constexpr auto kPoll = 25ms;

std::filesystem::path Executables() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path();
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TTitleSearch {
    DWORD ProcessId;
    const wchar_t* Title;
    HWND Found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TTitleSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t text[128] = {};
    if (owner == search->ProcessId && ::IsWindowVisible(window) && ::GetWindowTextW(window, text, 128) > 0 &&
        std::wstring(text) == search->Title) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

// A shown top-level window of the program's with this title, or null.
HWND TitledWindow(const TQuillborneProcess& program, const wchar_t* title, std::chrono::milliseconds timeout = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        TTitleSearch search{program.Id(), title, nullptr};
        ::EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr || std::chrono::steady_clock::now() > deadline) {
            return search.Found;
        }
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
}

// Processor time in 100 ns units. Wine answers GetProcessTimes for another
// process with a stale figure; there the Linux side's account of the
// program's process, found by its command line, counts instead.
std::uint64_t CpuTime(HANDLE process, const std::filesystem::path& executable) {
    const std::filesystem::path processes = "Z:\\proc";
    std::error_code error;
    if (std::filesystem::is_directory(processes / "self", error)) {
        for (const auto& entry : std::filesystem::directory_iterator(processes, error)) {
            const std::string commandLine = ReadAll(entry.path() / "cmdline");
            if (commandLine.rfind(executable.string(), 0) != 0) {
                continue;
            }
            const std::string line = ReadAll(entry.path() / "stat");
            // The fields after the command's name, from the third on.
            std::istringstream stat(line.substr(line.rfind(')') + 2));
            std::string field;
            std::uint64_t ticks = 0;
            for (int index = 3; stat >> field && index <= 15; ++index) {
                if (index == 14 || index == 15) {
                    ticks += std::stoull(field);
                }
            }
            return ticks * 100000; // clock ticks of 10 ms
        }
    }
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    const auto units = [](FILETIME t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return units(kernel) + units(user);
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
            GTEST_SKIP() << "no display";
        }
        FFolder = std::filesystem::temp_directory_path() / "QuillborneProgramsTest";
        std::filesystem::remove_all(FFolder);
        std::filesystem::create_directories(FFolder);
        FSettings.Set(L"FirstRun", L"N");
        FSettings.Set(L"Version", L"Quillborne v2.0");
        FSettings.Set(L"ReportDir", FFolder.wstring().c_str());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }

    std::filesystem::path Report() const { return FFolder / "QuillborneReport.html"; }

    // The report once it is complete.
    std::string WaitForReport(std::chrono::milliseconds timeout = 60s) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string text = ReadAll(Report());
            if (text.find("</html>") != std::string::npos) {
                return text;
            }
            ::Sleep(static_cast<DWORD>(kPoll.count()));
        }
        return {};
    }

    // Run Program, with the file typed into the file dialog.
    static void RunProgram(const TQuillborneProcess& program, HWND window, const std::filesystem::path& file) {
        ::PostMessageW(window, WM_COMMAND, CM_RUNPROGRAM, 0);
        const HWND dialog = TitledWindow(program, L"Open");
        ASSERT_NE(dialog, nullptr) << "no file dialog";
        ::SendDlgItemMessageW(dialog, kFileNameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.wstring().c_str()));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }

    TSettingsKey FSettings;
    std::filesystem::path FFolder;
};

TEST_F(Programs, RunProgramFollowsWhatTheProgramStartedAndStopsWhenTheLastOneEnds) {
    const std::filesystem::path installer = FFolder / "setup-test.exe";
    std::filesystem::copy_file(Executables() / "quill_test_program.exe", installer);
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    RunProgram(program, window, installer);
    const std::string report = WaitForReport();
    // The grandchild, which outlived the program and left its job, had ended
    // by then, in the program's folder.
    EXPECT_TRUE(std::filesystem::exists(FFolder / "child-done.txt"));
    EXPECT_NE(report.find("Stopped automatically on program exit"), std::string::npos);
    EXPECT_NE(report.find("Followed outside the job: setup-test.exe ("), std::string::npos);
    EXPECT_NE(report.find("setup-test.exe"), std::string::npos);
    EXPECT_NE(report.find("Manual"), std::string::npos) << "a launched program is a manual start";
}

TEST_F(Programs, RunProgramOpensABatchFileInItsFolder) {
    const std::filesystem::path batch = FFolder / "install.bat";
    std::ofstream(batch) << "@echo off\r\necho done> bat-done.txt\r\n";
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    RunProgram(program, window, batch);
    const std::string report = WaitForReport();
    EXPECT_TRUE(std::filesystem::exists(FFolder / "bat-done.txt"));
    EXPECT_NE(report.find("Stopped automatically on program exit"), std::string::npos);
}

// A document type of the test's own, opened by the test program as an
// installer package is by its installer; removed before and after. Wine's
// shell reads file types from the classes root only.
class TDocumentType {
public:
    explicit TDocumentType(const std::wstring& command) {
        Remove();
        SetDefault(L".quilltestpackage", L"QuillborneTest.Package");
        SetDefault(L"QuillborneTest.Package\\shell\\open\\command", command);
    }
    ~TDocumentType() { Remove(); }
    TDocumentType(const TDocumentType&) = delete;
    TDocumentType& operator=(const TDocumentType&) = delete;

private:
    static void SetDefault(const wchar_t* path, const std::wstring& text) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            const TUniqueKey owned(key);
            ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
    }
    static void Remove() {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".quilltestpackage");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"QuillborneTest.Package");
    }
};

TEST_F(Programs, RunProgramOpensADocumentWithItsProgramAndFollowsIt) {
    const TDocumentType type(L"\"" + (Executables() / "quill_test_program.exe").wstring() + L"\" child");
    const std::filesystem::path package = FFolder / "product.quilltestpackage";
    std::ofstream(package) << "package";
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    RunProgram(program, window, package);
    const std::string report = WaitForReport();
    EXPECT_TRUE(std::filesystem::exists(FFolder / "child-done.txt")) << "not opened, or not in its folder";
    EXPECT_NE(report.find("Stopped automatically on program exit"), std::string::npos);
}

TEST_F(Programs, AFileThatCannotStartOffersToAbortTheRecording) {
    const std::filesystem::path broken = FFolder / "broken.exe";
    std::ofstream(broken) << "not a program";
    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    RunProgram(program, window, broken);
    const HWND box = program.MessageBox(60s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "The program (" + broken.string() + ") could not be started. Abort recording?");
    ::PostMessageW(box, WM_COMMAND, IDYES, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1)) && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1))) << "back at step 1";
    EXPECT_FALSE(std::filesystem::exists(Report())) << "an aborted recording has no report";
}

TEST_F(Programs, AWatchedProgramIsOfferedAndRecordedUntilItAndItsChildEndWithoutSpendingTime) {
    FSettings.Set(L"WatchProcesses", L"Y");
    FSettings.Set(L"Processes", L"QUILL_TEST_PROGRAM.EXE");
    const TUniqueHandleObject finish(::CreateEventW(nullptr, TRUE, FALSE, kWatchedEvent));
    const TUniqueHandleObject finishChild(::CreateEventW(nullptr, TRUE, FALSE, kWatchedChildEvent));
    TQuillborneProcess program;
    ASSERT_NE(program.MainWindow(), nullptr);

    const std::wstring watchedPath = (Executables() / "quill_test_program.exe").wstring();
    std::wstring commandLine = L"\"" + watchedPath + L"\" wait " + kWatchedEvent + L" " + kWatchedChildEvent;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION watched{};
    ASSERT_TRUE(::CreateProcessW(watchedPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &watched));
    const TUniqueHandleObject watchedProcess(watched.hProcess);
    const TUniqueHandleObject watchedThread(watched.hThread);

    const HWND question = TitledWindow(program, L"Quillborne: process watch");
    ASSERT_NE(question, nullptr);
    wchar_t name[64] = {};
    ::GetDlgItemTextW(question, IDC_PROCESSNAME, name, 64);
    EXPECT_STREQ(name, L"quill_test_program.exe");
    ::PostMessageW(question, WM_COMMAND, IDYES, 0);

    // The before-capture runs, then the window waits for the program.
    const HWND window = program.MainWindow();
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1 + 4)) && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
    ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_LABEL1 + 4))) << "at step 5";
    const std::filesystem::path executable = Executables() / "quillborne.exe";
    const std::uint64_t before = CpuTime(program.Handle(), executable);
    // The measured interval itself: there is nothing to wait for.
    ::Sleep(2000);
    const std::uint64_t spent = CpuTime(program.Handle(), executable) - before;
    EXPECT_LT(spent, 50u * 10000u) << spent / 10000 << " ms of processor time while waiting";

    // The program ends before the child it started: the recording goes on.
    ::SetEvent(finish.Get());
    ASSERT_EQ(::WaitForSingleObject(watchedProcess.Get(), 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(WaitForReport(1s).empty()) << "stopped before the child ended";
    ::SetEvent(finishChild.Get());
    const std::string report = WaitForReport();
    EXPECT_NE(report.find("Stopped automatically on program exit"), std::string::npos);
    EXPECT_NE(report.find("Automatic"), std::string::npos);
}

TEST_F(Programs, TheTrayIconsMenuReachesTheMainWindow) {
    TQuillborneProcess program(L"-startup");
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(::IsWindowVisible(window));
    HWND handler = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (handler == nullptr && std::chrono::steady_clock::now() < deadline) {
        handler = ::FindWindowW(L"QuillborneTrayIconHandler", nullptr);
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
    ASSERT_NE(handler, nullptr);
    // What the shell sends on a right click on the icon: the menu opens and
    // holds the window's thread in its loop.
    ::PostMessageW(handler, 0x0800, 1, WM_RBUTTONDOWN);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    const auto opened = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < opened &&
           !(::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &thread) &&
             (thread.flags & GUI_INMENUMODE) != 0)) {
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
    EXPECT_NE(thread.flags & GUI_INMENUMODE, 0u) << "the menu did not open";
    ::PostMessageW(window, WM_CANCELMODE, 0, 0);
    // A double click on the icon is the menu's Show.
    ::PostMessageW(handler, 0x0800, 1, WM_LBUTTONDBLCLK);
    const auto shown = std::chrono::steady_clock::now() + 20s;
    while (!::IsWindowVisible(window) && std::chrono::steady_clock::now() < shown) {
        ::Sleep(static_cast<DWORD>(kPoll.count()));
    }
    EXPECT_TRUE(::IsWindowVisible(window));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

} // namespace
} // namespace quill::test
