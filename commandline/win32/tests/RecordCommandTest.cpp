// quillborne -record under Wine, through the console program as scripts call
// it: exit codes, the report of the sample installer's footprint, and the undo
// script applied with regedit.

#include "common/win32/SystemMessage.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"

#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <optional>
#include <set>
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

// Runs the command line with its output in a pipe and no input, in the
// folder when one is given. The output is read until the command has ended,
// not until every copy of the pipe is closed: a process it leaves running,
// such as the desktop Wine starts on its first window, may hold one for long.
TRun RunCommand(const std::wstring& commandLine, const std::filesystem::path& folder = {}) {
    static int serial = 0;
    const std::wstring name = L"\\\\.\\pipe\\QuillborneRecordTest." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                              std::to_wstring(++serial);
    TRun run;
    const TUniqueFile reader(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                                PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0, nullptr));
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    TUniqueFile writer(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr));
    const TUniqueFile input(
        ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    const TUniqueHandleObject readDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!reader || !writer || !readDone) {
        return run;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = writer.Get();
    startup.hStdError = writer.Get();
    std::wstring line = commandLine;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
        return run;
    }
    const TUniqueHandleObject process(created.hProcess);
    const TUniqueHandleObject thread(created.hThread);
    writer.Reset();
    // Once the command has ended, what it wrote is in the pipe already.
    bool ended = false;
    char buffer[4096];
    for (;;) {
        if (ended) {
            DWORD waiting = 0;
            if (!::PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) {
                break;
            }
        }
        OVERLAPPED overlapped{};
        overlapped.hEvent = readDone.Get();
        DWORD count = 0;
        if (!::ReadFile(reader.Get(), buffer, sizeof(buffer), nullptr, &overlapped) &&
            ::GetLastError() != ERROR_IO_PENDING) {
            break;
        }
        const HANDLE events[] = {readDone.Get(), process.Get()};
        const DWORD woken = ::WaitForMultipleObjects(2, events, FALSE, kRunTimeout);
        if (woken != WAIT_OBJECT_0) {
            ::CancelIo(reader.Get());
            ended = woken == WAIT_OBJECT_0 + 1;
        }
        const bool read = ::GetOverlappedResult(reader.Get(), &overlapped, &count, TRUE) != FALSE;
        run.Output.append(buffer, count);
        if ((!read && !ended) || woken == WAIT_TIMEOUT) {
            break;
        }
    }
    if (::WaitForSingleObject(process.Get(), kRunTimeout) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.Get(), &run.ExitCode);
    }
    return run;
}

// Runs the program and waits until it and every process it started have
// ended; its exit code, or none when that takes too long.
std::optional<DWORD> RunWholly(const std::wstring& commandLine) {
    const TUniqueHandleObject job(::CreateJobObjectW(nullptr, nullptr));
    const TUniqueHandleObject port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{job.Get(), port.Get()};
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line = commandLine;
    PROCESS_INFORMATION created{};
    if (!job || !port ||
        !::SetInformationJobObject(job.Get(), JobObjectAssociateCompletionPortInformation, &link, sizeof(link)) ||
        !::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &created)) {
        return std::nullopt;
    }
    const TUniqueHandleObject process(created.hProcess);
    const TUniqueHandleObject thread(created.hThread);
    ::AssignProcessToJobObject(job.Get(), process.Get());
    ::ResumeThread(thread.Get());
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED data = nullptr;
    while (::GetQueuedCompletionStatus(port.Get(), &message, &key, &data, kRunTimeout)) {
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
            DWORD code = 0;
            ::GetExitCodeProcess(process.Get(), &code);
            return code;
        }
    }
    return std::nullopt;
}

std::wstring Quoted(const std::filesystem::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

std::wstring Console(const std::wstring& arguments) {
    return Quoted(Executables() / L"quillborne.com") + L" " + arguments;
}

std::wstring Record(const std::wstring& options) {
    return Console(L"-record " + options);
}

// Ends the running processes of that name; false when none runs.
bool EndProcessesNamed(const wchar_t* name) {
    const TUniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        const TUniqueHandleObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (::_wcsicmp(entry.szExeFile, name) == 0 && process) {
            found = true;
            ::TerminateProcess(process.Get(), 0);
            ::WaitForSingleObject(process.Get(), kRunTimeout);
        }
    }
    return found;
}

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const wchar_t* path, const wchar_t* name) {
    return ::RegGetValueW(root, path, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The counts of a summary line such as "Registry keys: 1 created, 2 deleted,
// 3 modified".
struct TCounts {
    int Created = -1;
    int Deleted = -1;
    int Modified = -1;
    bool operator==(const TCounts&) const = default;
};

TCounts SummaryCounts(const std::string& output, const std::string& what) {
    TCounts counts;
    const std::size_t line = output.find(what + ": ");
    if (line != std::string::npos) {
        std::sscanf(output.c_str() + line + what.size() + 2, "%d created, %d deleted, %d modified", &counts.Created,
                    &counts.Deleted, &counts.Modified);
    }
    return counts;
}

std::filesystem::path WindowsFolder() {
    wchar_t folder[MAX_PATH];
    ::GetWindowsDirectoryW(folder, MAX_PATH);
    return folder;
}

using TNames = std::set<std::string>;

// The included records of one part of the JSON result by change, each named
// as name(record) names it.
TNames Included(const nlohmann::json& records, const std::string& change,
                const std::function<std::string(const nlohmann::json&)>& name) {
    TNames names;
    for (const nlohmann::json& record : records) {
        if (record.at("included").get<bool>() && record.at("change") == change) {
            names.insert(name(record));
        }
    }
    return names;
}

std::string KeyName(const nlohmann::json& key) {
    return key.at("root").get<std::string>() + key.at("path").get<std::string>();
}

std::string ValueName(const nlohmann::json& value) {
    return value.at("root").get<std::string>() + value.at("key").get<std::string>() +
           value.at("name").get<std::string>();
}

std::string PathName(const nlohmann::json& entry) {
    return entry.at("path").get<std::string>();
}

// The key and its parents up to the root's first level, as key paths.
TNames KeyAndParents(const std::wstring& path) {
    TNames names;
    std::string text = "\\" + Narrow(path) + "\\";
    while (text.size() > 1) {
        names.insert("HKEY_CURRENT_USER" + text);
        text.resize(text.find_last_of('\\', text.size() - 2) + 1);
    }
    return names;
}

// What the sample installer leaves behind, and nothing else, as the JSON result
// lists it.
void ExpectSampleFootprint(const nlohmann::json& result) {
    const nlohmann::json& keys = result.at("registry").at("keys");
    const nlohmann::json& values = result.at("registry").at("values");
    const nlohmann::json& files = result.at("fileScan").at("entries");

    // Created keys: the sample's, and those of their parents that did not
    // exist before; modified: only parents of what it created.
    TNames sampleKeys;
    TNames parents;
    for (const wchar_t* key : {kUninstallKey, kTypesKey, kExtensionKey, kDocumentKey, kRunKey}) {
        const TNames chain = KeyAndParents(key);
        parents.insert(chain.begin(), chain.end());
    }
    for (const char* key : {"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample\\",
                            "\\Software\\Quillborne Sample\\", "\\Software\\Quillborne Sample\\Types\\",
                            "\\Software\\Classes\\.qbsample\\", "\\Software\\Classes\\QuillborneSample.Document\\",
                            "\\Software\\Classes\\QuillborneSample.Document\\shell\\",
                            "\\Software\\Classes\\QuillborneSample.Document\\shell\\open\\",
                            "\\Software\\Classes\\QuillborneSample.Document\\shell\\open\\command\\"}) {
        sampleKeys.insert("HKEY_CURRENT_USER" + std::string(key));
    }
    const TNames created = Included(keys, "created", KeyName);
    for (const std::string& key : sampleKeys) {
        EXPECT_EQ(created.count(key), 1U) << key;
    }
    for (const std::string& key : created) {
        EXPECT_TRUE(sampleKeys.count(key) != 0 || parents.count(key) != 0) << key;
    }
    for (const std::string& key : Included(keys, "modified", KeyName)) {
        EXPECT_EQ(parents.count(key), 1U) << key;
    }
    EXPECT_THAT(Included(keys, "deleted", KeyName), ::testing::IsEmpty());

    const std::string types = "HKEY_CURRENT_USER\\Software\\Quillborne Sample\\Types\\";
    const std::string uninstall =
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample\\";
    const TNames sampleValues{
        types + "None",
        types + "String",
        types + "Expandable",
        types + "Binary",
        types + "Dword",
        types + "BigEndian",
        types + "Link",
        types + "Multi",
        types + "ResourceList",
        types + "FullResource",
        types + "Requirements",
        types + "Qword",
        types + "名前",
        uninstall + "DisplayName",
        uninstall + "DisplayVersion",
        uninstall + "Publisher",
        uninstall + "InstallLocation",
        uninstall + "UninstallString",
        uninstall + "NoModify",
        uninstall + "EstimatedSize",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuillborneSample",
        "HKEY_CURRENT_USER\\Software\\Classes\\.qbsample\\",
        "HKEY_CURRENT_USER\\Software\\Classes\\QuillborneSample.Document\\",
        "HKEY_CURRENT_USER\\Software\\Classes\\QuillborneSample.Document\\shell\\open\\command\\"};
    EXPECT_EQ(Included(values, "created", ValueName), sampleValues);
    EXPECT_THAT(Included(values, "modified", ValueName), ::testing::IsEmpty());
    EXPECT_THAT(Included(values, "deleted", ValueName), ::testing::IsEmpty());

    const std::string folder = "C:\\Program Files\\Quillborne Sample\\";
    const TNames sampleFiles{folder,
                             folder + "数据\\",
                             folder + "QuillborneSample.exe",
                             folder + "羽毛笔说明.txt",
                             folder + "数据\\設定.ini",
                             "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Quillborne Sample.lnk"};
    EXPECT_EQ(Included(files, "created", PathName), sampleFiles);
    EXPECT_THAT(Included(files, "deleted", PathName), ::testing::IsEmpty());
    for (const std::string& path : Included(files, "modified", PathName)) {
        EXPECT_TRUE(path == "C:\\Program Files\\" ||
                    path == "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\")
            << path;
    }
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
    static std::wstring SampleShape() {
        return L"-roots HKCU -paths \"\\\"C:\\Program Files\\\"*\\\"C:\\ProgramData\\Microsoft\\Windows\\Start "
               L"Menu\\\"\" -no-watch -hash md5";
    }

    std::wstring SampleOptions() const {
        return SampleShape() + L" -report " + Quoted(FFolder / L"sample.html") + L" -json " +
               Quoted(FFolder / L"sample.json") + L" -undo " + Quoted(FFolder / L"sample.reg");
    }
};

TEST_F(RecordCommand, TheSampleInstallerIsRecordedWithItsWholeFootprint) {
    const TRun run =
        RunCommand(Record(SampleOptions() + L" -- " + Quoted(Executables() / L"quill_sample_installer.exe")));
    EXPECT_EQ(run.ExitCode, 1U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Registry keys: "));
    EXPECT_THAT(run.Output, HasSubstr("Capture notes: 0"));
    EXPECT_THAT(run.Output, HasSubstr("Report: " + Narrow((FFolder / L"sample.html").wstring())));

    ExpectSampleFootprint(nlohmann::json::parse(ReadAll(FFolder / L"sample.json")));

    const std::string report = ReadAll(FFolder / L"sample.html");
    for (const char* item : {"QuillborneSample", "Quillborne Sample.lnk", "羽毛笔说明.txt", "設定.ini", ".qbsample",
                             "QuillborneSample.Document", "Qword", "名前", "Stopped automatically on program exit"}) {
        EXPECT_THAT(report, HasSubstr(item));
    }
}

// Two before sides saved around the installer and compared later list what
// recording the installer lists.
TEST_F(RecordCommand, TwoCapturesSavedAroundTheSampleInstallerCompareToItsWholeFootprint) {
    const std::filesystem::path before = FFolder / L"before.qbcap";
    const std::filesystem::path after = FFolder / L"after.qbcap";
    const TRun saved = RunCommand(Record(SampleShape() + L" -save-before " + Quoted(before)));
    ASSERT_EQ(saved.ExitCode, 0U) << saved.Output;
    ASSERT_EQ(RunWholly(Quoted(Executables() / L"quill_sample_installer.exe")), std::optional<DWORD>(0));
    const TRun savedAgain = RunCommand(Record(SampleShape() + L" -save-before " + Quoted(after)));
    ASSERT_EQ(savedAgain.ExitCode, 0U) << savedAgain.Output;

    const TRun compared =
        RunCommand(Console(L"-compare " + Quoted(before) + L" " + Quoted(after) + L" -json " +
                           Quoted(FFolder / L"compared.json") + L" -report " + Quoted(FFolder / L"compared.html")));
    EXPECT_EQ(compared.ExitCode, 1U) << compared.Output;
    EXPECT_THAT(compared.Output, HasSubstr("Capture notes: 0"));
    ExpectSampleFootprint(nlohmann::json::parse(ReadAll(FFolder / L"compared.json")));
}

// The undo script, applied by the platform's own regedit, recorded in turn:
// every key and value the sample created is deleted again, and nothing else
// changes.
TEST_F(RecordCommand, TheUndoScriptTakesTheRegistryBackToTheBeforeState) {
    const TRun installed =
        RunCommand(Record(SampleOptions() + L" -- " + Quoted(Executables() / L"quill_sample_installer.exe")));
    ASSERT_EQ(installed.ExitCode, 1U) << installed.Output;
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));

    const TRun undone = RunCommand(
        Record(L"-roots HKCU -paths " + Quoted(FEmpty) + L" -no-watch -report " + Quoted(FFolder / L"undone.html") +
               L" -- " + Quoted(WindowsFolder() / L"regedit.exe") + L" /s " + Quoted(FFolder / L"sample.reg")));
    EXPECT_EQ(undone.ExitCode, 1U) << undone.Output;
    for (const wchar_t* key : {kUninstallKey, kTypesKey, kExtensionKey, kDocumentKey}) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << Narrow(key);
    }
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, L"QuillborneSample"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kRunKey));

    const TCounts keys = SummaryCounts(installed.Output, "Registry keys");
    const TCounts values = SummaryCounts(installed.Output, "Registry values");
    EXPECT_EQ(SummaryCounts(undone.Output, "Registry keys").Deleted, keys.Created) << undone.Output;
    EXPECT_EQ(SummaryCounts(undone.Output, "Registry keys").Created, 0);
    EXPECT_EQ(SummaryCounts(undone.Output, "Registry values"), (TCounts{0, values.Created, 0})) << undone.Output;
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
    EXPECT_THAT(run.Output, HasSubstr("could not be started. " + SystemMessage(ERROR_FILE_NOT_FOUND)));
    EXPECT_FALSE(std::filesystem::exists(FFolder / L"none.html"));
}

TEST_F(RecordCommand, ABadOptionEndsWithCode4AndTheUsage) {
    const TRun run = RunCommand(Record(L"-hash sha256"));
    EXPECT_EQ(run.ExitCode, 4U);
    EXPECT_THAT(run.Output, HasSubstr("-hash: \"sha256\""));
    EXPECT_THAT(run.Output, HasSubstr("Usage: quillborne -record"));
}

struct TConsoleCase {
    std::wstring Arguments;
    DWORD ExitCode;
    std::string Output;
};

// What a script sees of the console program: the recording's exit code and
// its lines in a pipe.
TEST_F(RecordCommand, TheConsoleProgramEndsWithTheRecordingsCodeAndWritesToAPipe) {
    const TScratchKey scratch;
    const std::wstring recording =
        L"-record -roots HKCU -paths " + Quoted(FEmpty) + L" -report " + Quoted(FFolder / L"console.html");
    const TConsoleCase cases[] = {
        {L"-record -hash sha256", 4, "Usage: quillborne -record"},
        {L"-record -help", 0, "Exit codes:"},
        {L"-help", 0, "Usage: quillborne -record"},
        {L"/?", 0, "Usage: quillborne -record"},
        {recording + L" -timeout 0", 0, "Registry values: 0 created, 0 deleted, 0 modified"},
        {recording + L" -- " + Quoted(WindowsFolder() / L"system32\\reg.exe") + L" add HKCU\\" + kScratchKey +
             L" /v Added /d x /f",
         1, "Registry values: 1 created, 0 deleted, 0 modified"},
    };
    for (const TConsoleCase& row : cases) {
        SCOPED_TRACE(Narrow(row.Arguments));
        const TRun run = RunCommand(Console(row.Arguments));
        EXPECT_EQ(run.ExitCode, row.ExitCode) << run.Output;
        EXPECT_THAT(run.Output, HasSubstr(row.Output));
    }
}

// The shell waits for a program of the console subsystem only: cmd.exe asks
// it this way.
TEST_F(RecordCommand, TheShellSeesTheConsoleProgramAsOneToWaitFor) {
    const auto subsystemVersion = [](const wchar_t* file) {
        return HIWORD(::SHGetFileInfoW((Executables() / file).c_str(), 0, nullptr, 0, SHGFI_EXETYPE));
    };
    EXPECT_EQ(subsystemVersion(L"quillborne.com"), 0U);
    EXPECT_NE(subsystemVersion(L"quillborne.exe"), 0U);
}

// Anything but a recording or the usage opens the window, and the console
// program ends at once instead of waiting for it.
TEST_F(RecordCommand, TheConsoleProgramHandsOtherArgumentsToTheWindowProgramAndEnds) {
    EndProcessesNamed(L"quillborne.exe");
    const TRun run = RunCommand(Console(L"-startup"));
    EXPECT_EQ(run.ExitCode, 0U) << run.Output;
    EXPECT_TRUE(EndProcessesNamed(L"quillborne.exe"));
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
    // Neither the command that saved the before side nor this one ran for
    // the recording: neither shows as ended or started.
    EXPECT_THAT(report, Not(HasSubstr("quillborne.com</")));
}

struct TExitCase {
    std::wstring Options; // after the roots, the path and the report
    DWORD ExitCode;
    std::string Output;
    bool Reported;
};

// What a script can tell from the code alone: how the program ended, a
// timeout that cut it short, an input that can never bring Enter, and two
// outputs that would overwrite each other.
TEST_F(RecordCommand, TheExitCodeTellsHowTheRecordingEnded) {
    const wchar_t* const waitEvent = L"QuillborneRecordTestWait";
    const TUniqueHandleObject release(::CreateEventW(nullptr, TRUE, FALSE, waitEvent));
    const std::wstring cmd = Quoted(WindowsFolder() / L"system32\\cmd.exe");
    const TExitCase cases[] = {
        {L"-json " + Quoted(FFolder / L"exit.json") + L" -- " + cmd + L" /c exit 7", 7, "Program exit code: 7", true},
        {L"-- " + cmd + L" /c exit 0", 0, "Program exit code: 0", true},
        {L"-timeout 1 -- " + Quoted(Executables() / L"quill_test_program.exe") + L" wait " + waitEvent, 8,
         "The time ran out before the program ended.", true},
        {L"", 4, "The standard input is closed", false},
        {L"-json SAME.HTML", 4, "-report and -json: name the same file", false},
    };
    for (const TExitCase& row : cases) {
        SCOPED_TRACE(Narrow(row.Options));
        std::error_code ignored;
        std::filesystem::remove(FFolder / L"same.html", ignored);
        const TRun run = RunCommand(Record(L"-roots HKCU -paths " + Quoted(FEmpty) + L" -no-watch -report " +
                                           Quoted(FFolder / L"same.html") + L" " + row.Options),
                                    FFolder);
        EXPECT_EQ(run.ExitCode, row.ExitCode) << run.Output;
        EXPECT_THAT(run.Output, HasSubstr(row.Output));
        EXPECT_EQ(std::filesystem::exists(FFolder / L"same.html"), row.Reported);
    }
    ::SetEvent(release.Get());
    const nlohmann::json result = nlohmann::json::parse(ReadAll(FFolder / L"exit.json"));
    EXPECT_EQ(result.at("recording").at("programExitCode"), 7);
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

// A machine where the window never ran: the recording takes the window's
// first-run options (both main roots, every fixed drive, watching), says so
// first, and stores none of them. Its output is a pipe: no progress line.
TEST_F(RecordCommand, WithoutStoredSettingsTheFirstRunsOptionsRecordTheInstallation) {
    constexpr wchar_t kSettingsKey[] = L"Software\\Tarnvale\\Quillborne";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    const TRun run = RunCommand(Console(L"-record -report " + Quoted(FFolder / L"fresh.html") + L" -json " +
                                        Quoted(FFolder / L"fresh.json") + L" -- " +
                                        Quoted(Executables() / L"quill_sample_installer.exe")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_THAT(run.Output, HasSubstr("Recording HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER; scanning C:\\"));
    EXPECT_THAT(run.Output, HasSubstr("; digests: none; watching: on\r\n"));
    for (std::size_t at = run.Output.find('\r'); at != std::string::npos; at = run.Output.find('\r', at + 1)) {
        ASSERT_EQ(run.Output.substr(at, 2), "\r\n") << run.Output;
    }

    const nlohmann::json result = nlohmann::json::parse(ReadAll(FFolder / L"fresh.json"));
    EXPECT_EQ(Included(result.at("registry").at("keys"), "created", KeyName)
                  .count("HKEY_CURRENT_USER\\Software\\Quillborne Sample\\"),
              1U);
    EXPECT_EQ(Included(result.at("fileScan").at("entries"), "created", PathName)
                  .count("C:\\Program Files\\Quillborne Sample\\QuillborneSample.exe"),
              1U);
}

// Programs named as at a command prompt, from the folder the command runs
// in: each one runs there and writes done.txt, or ends by itself.
TEST_F(RecordCommand, AProgramWithoutAFolderIsFoundAsTheShellFindsIt) {
    constexpr wchar_t kAppPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QuillborneFound.exe";
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = L"\"" + std::wstring(system) + L"\\cmd.exe\"";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kAppPath);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kAppPath, nullptr, REG_SZ, cmd.c_str(),
                      static_cast<DWORD>((cmd.size() + 1) * sizeof(wchar_t)));
    std::ofstream(FFolder / L"x.bat") << "@echo done> done.txt\r\n";
    const struct {
        std::wstring Program;
        bool WritesDone;
    } cases[] = {
        {L"cmd /c x.bat", true},
        {L"x.bat", true},
        {L"QuillborneFound /c x.bat", true},
        {L"msiexec /qn /i missing.msi", false},
    };
    for (const auto& test : cases) {
        std::filesystem::remove(FFolder / L"done.txt");
        const TRun run = RunCommand(Record(L"-roots none -path " + Quoted(FEmpty) + L" -no-watch -report " +
                                           Quoted(FFolder / L"found.html") + L" -- " + test.Program),
                                    FFolder);
        EXPECT_NE(run.ExitCode, 3U) << Narrow(test.Program) << run.Output;
        EXPECT_THAT(run.Output, Not(HasSubstr("could not be started"))) << Narrow(test.Program);
        EXPECT_EQ(std::filesystem::exists(FFolder / L"done.txt"), test.WritesDone) << Narrow(test.Program);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kAppPath);
}

// Split only at "*", the directory keeps its blank; -path adds one more.
TEST_F(RecordCommand, ADirectoryWithABlankIsScannedWhole) {
    const std::filesystem::path scanned = L"C:\\Quillborne Blank Test";
    std::error_code ignored;
    std::filesystem::remove_all(scanned, ignored);
    std::filesystem::create_directories(scanned);
    const TRun run =
        RunCommand(Record(L"-roots none -no-watch -paths \"" + scanned.wstring() + L"\" -path " + Quoted(FEmpty) +
                          L" -report " + Quoted(FFolder / L"blank.html") + L" -- cmd /c echo new> new.txt"),
                   scanned);
    std::filesystem::remove_all(scanned, ignored);
    EXPECT_EQ(run.ExitCode, 1U) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Files: 1 created, 0 deleted, 0 modified"));
}

struct TRefusedCase {
    std::wstring Options;
    DWORD ExitCode;
    std::string Output;
};

TEST_F(RecordCommand, WhatCannotBeFoundIsNamed) {
    const std::wstring gone = (FFolder / L"gone dir").wstring();
    const TRefusedCase cases[] = {
        {L"-path " + Quoted(gone), 4, "The directory to scan \"" + Narrow(gone) + "\" does not exist."},
        {L"-paths \"" + FEmpty.wstring() + L"*" + gone + L"\"", 4, "\"" + Narrow(gone) + "\" does not exist."},
        {L"-path " + Quoted(FEmpty) + L" -- QuillborneNowhere", 3,
         "The program (QuillborneNowhere) could not be started. It is not in the current folder"},
    };
    for (const TRefusedCase& test : cases) {
        const TRun run = RunCommand(Record(L"-roots none -no-watch " + test.Options));
        EXPECT_EQ(run.ExitCode, test.ExitCode) << run.Output;
        EXPECT_THAT(run.Output, HasSubstr(test.Output));
    }
}

} // namespace
} // namespace quill::test
