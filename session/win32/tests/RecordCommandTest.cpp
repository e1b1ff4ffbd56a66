// quillborne.exe -record under Wine: exit codes, the report of the sample
// installer's footprint, and the undo script applied with regedit.

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quill::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr DWORD kRunTimeout = 180000;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kTypesKey[] = L"Software\\Quillborne Sample";
constexpr wchar_t kExtensionKey[] = L"Software\\Classes\\.qbsample";
constexpr wchar_t kDocumentKey[] = L"Software\\Classes\\QuillborneSample.Document";

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

struct TRun {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output; // standard output and error together
};

// Runs the command line with its output in a pipe and no input.
TRun RunCommand(const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    TRun run;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return run;
    }
    const TUniqueHandleObject reader(readEnd);
    TUniqueHandleObject writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const TUniqueFile input(
        ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::wstring line = commandLine;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &created)) {
        return run;
    }
    const TUniqueHandleObject process(created.hProcess);
    const TUniqueHandleObject thread(created.hThread);
    writer.Reset();
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(readEnd, buffer, sizeof(buffer), &count, nullptr) && count != 0) {
        run.Output.append(buffer, count);
    }
    if (::WaitForSingleObject(process.Get(), kRunTimeout) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.Get(), &run.ExitCode);
    }
    return run;
}

std::wstring Quoted(const std::filesystem::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

std::wstring Record(const std::wstring& options) {
    return Quoted(Executables() / L"quillborne.exe") + L" -record " + options;
}

class RecordCommand : public ::testing::Test {
protected:
    std::filesystem::path FFolder = std::filesystem::temp_directory_path() / L"QuillborneRecordTest";
    std::filesystem::path FEmpty = FFolder / L"empty";

    void SetUp() override {
        RemoveSample();
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
        std::filesystem::create_directories(FEmpty);
    }
    void TearDown() override {
        RemoveSample();
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }

    static void RemoveSample() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTypesKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kExtensionKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kDocumentKey);
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"QuillborneSample");
        std::error_code ignored;
        std::filesystem::remove_all(L"C:\\Program Files\\Quillborne Sample", ignored);
        std::filesystem::remove(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Quillborne Sample.lnk",
                                ignored);
    }

    // The places the sample installs to, and nothing busier.
    std::wstring SampleOptions() const {
        return L"-roots HKCU -paths \"\\\"C:\\Program Files\\\"*\\\"C:\\ProgramData\\Microsoft\\Windows\\Start "
               L"Menu\\\"\" "
               L"-no-watch -hash md5 -report " +
               Quoted(FFolder / L"sample.html") + L" -json " + Quoted(FFolder / L"sample.json") + L" -undo " +
               Quoted(FFolder / L"sample.reg");
    }
};

TEST_F(RecordCommand, TheSampleInstallerIsRecordedWithItsWholeFootprint) {
    const TRun run =
        RunCommand(Record(SampleOptions() + L" -- " + Quoted(Executables() / L"quill_sample_installer.exe")));
    EXPECT_EQ(run.ExitCode, 1U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Registry keys: "));
    EXPECT_THAT(run.Output, HasSubstr("Capture notes: 0"));
    EXPECT_THAT(run.Output, HasSubstr("Report: " + Narrow((FFolder / L"sample.html").wstring())));

    const std::string report = ReadAll(FFolder / L"sample.html");
    for (const char* item : {"QuillborneSample", "Quillborne Sample.lnk", "羽毛笔说明.txt", "設定.ini", ".qbsample",
                             "QuillborneSample.Document", "Qword", "名前", "Stopped automatically on program exit"}) {
        EXPECT_THAT(report, HasSubstr(item));
    }
}

TEST_F(RecordCommand, NoProgramAndNothingChangedEndsWithNoChangeAtTheTimeout) {
    const TRun run = RunCommand(Record(L"-roots HKCU -paths " + Quoted(FEmpty) + L" -no-watch -timeout 1 -report " +
                                       Quoted(FFolder / L"quiet.html")));
    EXPECT_EQ(run.ExitCode, 0U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Registry values: 0 created, 0 deleted, 0 modified"));
    EXPECT_TRUE(std::filesystem::exists(FFolder / L"quiet.html"));
}

TEST_F(RecordCommand, AProgramThatCannotStartEndsWithCode3AndNoReport) {
    const TRun run = RunCommand(Record(L"-roots HKCU -paths " + Quoted(FEmpty) + L" -report " +
                                       Quoted(FFolder / L"none.html") + L" -- " + Quoted(FFolder / L"missing.exe")));
    EXPECT_EQ(run.ExitCode, 3U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("could not be started"));
    EXPECT_FALSE(std::filesystem::exists(FFolder / L"none.html"));
}

TEST_F(RecordCommand, ABadOptionEndsWithCode4AndTheUsage) {
    const TRun run = RunCommand(Record(L"-hash sha256"));
    EXPECT_EQ(run.ExitCode, 4U);
    EXPECT_THAT(run.Output, HasSubstr("-hash: \"sha256\""));
    EXPECT_THAT(run.Output, HasSubstr("Usage: quillborne.exe -record"));
}

TEST_F(RecordCommand, OnlyOneRecordingFromTheCommandLineRunsAtATime) {
    const TUniqueHandleObject running(::CreateMutexW(nullptr, TRUE, L"Local\\Quillborne.CommandRecording"));
    ASSERT_TRUE(running);
    const TRun run = RunCommand(Record(L"-roots HKCU -paths " + Quoted(FEmpty) + L" -timeout 0"));
    EXPECT_EQ(run.ExitCode, 4U);
    EXPECT_THAT(run.Output, HasSubstr("Another recording"));
}

// The before side saved by one command, the after side taken by another: the
// summary counts what changed between them, and only that.
TEST_F(RecordCommand, ARecordingSplitInTwoCommandsListsWhatChangedBetweenThem) {
    const TScratchKey scratch;
    // Outside the temporary folders, which the report leaves out.
    const std::filesystem::path scanned = L"C:\\QuillborneSplitTest";
    std::error_code ignored;
    std::filesystem::remove_all(scanned, ignored);
    std::filesystem::create_directories(scanned);
    const std::filesystem::path before = FFolder / L"before.qbcap";
    const TRun save = RunCommand(
        Record(L"-roots HKCU -paths " + Quoted(scanned) + L" -hash md5 -no-watch -save-before " + Quoted(before)));
    EXPECT_EQ(save.ExitCode, 0U) << save.Output;
    EXPECT_THAT(save.Output, HasSubstr("Before side: " + Narrow(before.wstring())));
    ASSERT_TRUE(std::filesystem::exists(before));

    ::RegSetKeyValueW(HKEY_CURRENT_USER, kScratchKey, L"SplitValue", REG_SZ, L"x", 2 * sizeof(wchar_t));
    std::ofstream(scanned / L"split-file.txt") << "new";

    const TRun after = RunCommand(
        Record(L"-roots none -no-watch -after " + Quoted(before) + L" -report " + Quoted(FFolder / L"split.html")));
    std::filesystem::remove_all(scanned, ignored);
    EXPECT_EQ(after.ExitCode, 1U) << after.Output;
    EXPECT_THAT(after.Output, HasSubstr("Registry values: 1 created, 0 deleted, 0 modified"));
    EXPECT_THAT(after.Output, HasSubstr("Files: 1 created, 0 deleted, 0 modified"));
    const std::string report = ReadAll(FFolder / L"split.html");
    EXPECT_THAT(report, HasSubstr("SplitValue"));
    EXPECT_THAT(report, HasSubstr("split-file.txt"));
}

TEST_F(RecordCommand, ABeforeSideThatIsNotASnapshotFileEndsWithCode6NamingIt) {
    const std::filesystem::path before = FFolder / L"before.qbcap";
    std::ofstream(before) << "not a snapshot";
    const TRun run = RunCommand(Record(L"-after " + Quoted(before) + L" -report " + Quoted(FFolder / L"none.html")));
    EXPECT_EQ(run.ExitCode, 6U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("\"" + Narrow(before.wstring()) +
                                      "\" cannot be loaded: it is not a "
                                      "Quillborne snapshot file"));
    EXPECT_FALSE(std::filesystem::exists(FFolder / L"none.html"));
}

} // namespace
} // namespace quill::test
