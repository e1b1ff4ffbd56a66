// quillborne.exe -record under Wine: exit codes, the report of the sample
// installer's footprint, and the undo script applied with regedit.

#include "common/win32/UniqueHandle.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
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

    const nlohmann::json result = nlohmann::json::parse(ReadAll(FFolder / L"sample.json"));
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

    const std::string report = ReadAll(FFolder / L"sample.html");
    for (const char* item : {"QuillborneSample", "Quillborne Sample.lnk", "羽毛笔说明.txt", "設定.ini", ".qbsample",
                             "QuillborneSample.Document", "Qword", "名前", "Stopped automatically on program exit"}) {
        EXPECT_THAT(report, HasSubstr(item));
    }
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
    // Neither the command that saved the before side nor this one ran for
    // the recording: neither shows as ended or started.
    EXPECT_THAT(report, Not(HasSubstr("quillborne.exe</")));
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
