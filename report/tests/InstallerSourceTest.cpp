#include "report/InstallerSource.h"

#include "report/tests/ResultStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace quill {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kSid[] = "S-1-5-21-7-1001";

TPackageEnvironment Machine() {
    return {{{"C:\\Program Files\\", "ProgramFiles64Folder"},
             {"C:\\Program Files (x86)\\", "ProgramFilesFolder"},
             {"C:\\ProgramData\\", "CommonAppDataFolder"},
             {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\", "ProgramMenuFolder"},
             {"C:\\Users\\Ann\\AppData\\Roaming\\", "AppDataFolder", true},
             {"C:\\Users\\Ann\\AppData\\Local\\", "LocalAppDataFolder", true},
             {"C:\\Windows\\", "WindowsFolder"},
             {"C:\\Windows\\System32\\", "System64Folder"}},
            kSid,
            {"C:\\Reports\\QuillborneReport.html"}};
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

class InstallerSource : public ::testing::Test {
protected:
    TResultStore FResult;
    TRecordingInfo FRecording{.ProgramName = "C:\\Downloads\\setup.exe"};
    std::map<std::string, std::string> FCopied; // source -> path
    std::set<std::string> FChanged;

    InstallerSource() {
        FResult.Store.FilesCompared = true;
        FResult.Root(TRegRoot::LocalMachine);
    }

    TInstallerSource Compose(const TPackageEnvironment& environment = Machine()) {
        return ComposeInstallerSource(FResult.Store, FRecording, environment,
                                      [this](const std::string& path, const std::string& source, const TFileScan&) {
                                          if (FChanged.count(path) != 0) {
                                              return TCopyResult{TCopyResult::TOutcome::Changed, {}};
                                          }
                                          FCopied[source] = path;
                                          return TCopyResult{};
                                      });
    }

    void Value(TRegRoot root, std::string_view key, std::string_view name, std::uint32_t type,
               const std::vector<std::uint8_t>& data) {
        TResultStore::AddValue(FResult.Root(root).ValuesAfter, key, name, type, data);
    }
};

TEST_F(InstallerSource, WritesEachValueTypeWindowsInstallerCanWriteAndListsTheOthers) {
    struct TCase {
        const char* Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
        const char* Element; // empty: not packaged
    };
    const TCase cases[] = {
        {"Path", kRegSz, EncodeRegString("C:\\App [1] {x}"),
         R"( Name="Path" Type="string" Value="C:\App [\[]1[\]] [\{]x[\}]")"},
        {"", kRegSz, EncodeRegString("a<b>&\"c\""), R"( Type="string" Value="a&lt;b&gt;&amp;&quot;c&quot;")"},
        {"Expand", kRegExpandSz, EncodeRegString("%ProgramFiles%\\App"),
         R"( Name="Expand" Type="expandable" Value="%ProgramFiles%\App")"},
        {"Minus", kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), R"( Name="Minus" Type="integer" Value="-1")"},
        {"Dword", kRegDword, Bytes({0x2A, 0, 0, 0}), R"( Name="Dword" Type="integer" Value="42")"},
        {"Binary", kRegBinary, Bytes({0, 0xAB, 0xFF}), R"( Name="Binary" Type="binary" Value="00ABFF")"},
        {"Multi", kRegMultiSz, Bytes({'a', 0, 0, 0, '[', 0, 0, 0, 0, 0}),
         R"( Name="Multi" Type="multiString"><MultiStringValue>a</MultiStringValue><MultiStringValue>[\[]</MultiStringValue></RegistryValue>)"},
        {"Qword", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), ""},
        {"ZeroInside", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}), ""},
        {"ShortDword", kRegDword, Bytes({1, 2}), ""},
        {"Bell\x07", kRegSz, EncodeRegString("x"), ""},
    };
    for (const TCase& c : cases) {
        Value(TRegRoot::LocalMachine, "\\Software\\Types\\", c.Name, c.Type, c.Data);
    }
    const TInstallerSource source = Compose();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string shown = std::string("HKEY_LOCAL_MACHINE\\Software\\Types\\") + c.Name;
        if (std::string_view(c.Element).empty()) {
            EXPECT_THAT(source.NotPackaged, Contains(HasSubstr(shown + " (")));
        } else {
            EXPECT_THAT(source.Wxs, HasSubstr(c.Element));
        }
    }
    EXPECT_EQ(source.ValuesPackaged, 7u);
    // A name that cannot be packaged is still named in the comment, as XML can carry it.
    EXPECT_THAT(source.Wxs, HasSubstr("Types\\Bell\xEF\xBF\xBD ("));
    EXPECT_TRUE(std::none_of(source.Wxs.begin(), source.Wxs.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n' && c != '\t';
    }));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(<RegistryKey Root="HKLM" Key="Software\Types">)"));
}

TEST_F(InstallerSource, FilesGoToTheStandardFolderTheyLieInAndWhatCannotGoIsListed) {
    TSessionStore& store = FResult.Store;
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\", 0);
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\app.exe", 10);
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\Empty\\", 0);
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\\xE6\x95\xB0\xE6\x8D\xAE\\\xE8\xA8\xAD.ini", 1);
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\hidden.log", 1, false);
    TResultStore::AddFile(store.FilesAfter, "C:\\Program Files\\App\\changed.dll", 1);
    TResultStore::AddFile(store.FilesAfter, "C:\\Users\\Ann\\AppData\\Roaming\\App\\user.cfg", 1);
    TResultStore::AddFile(store.FilesAfter, "D:\\Elsewhere\\x.dat", 1);
    TResultStore::AddFile(store.FilesAfter, "C:\\Reports\\QuillborneReport.html", 1);
    TResultStore::AddFile(store.ModifiedFilesAfter, "C:\\Windows\\System32\\shared.dll", 1);
    TResultStore::AddFile(store.ModifiedFilesAfter, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\", 0);
    TResultStore::AddFile(store.FilesAfter, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\App.lnk", 1);
    TResultStore::AddFile(store.FilesBefore, "C:\\ProgramData\\Old\\gone.txt", 1);
    FChanged.insert("C:\\Program Files\\App\\changed.dll");

    const TInstallerSource source = Compose();

    EXPECT_EQ(FCopied, (std::map<std::string, std::string>{
                           {"files/ProgramFiles64Folder/App/app.exe", "C:\\Program Files\\App\\app.exe"},
                           {"files/ProgramFiles64Folder/App/\xE6\x95\xB0\xE6\x8D\xAE/\xE8\xA8\xAD.ini",
                            "C:\\Program Files\\App\\\xE6\x95\xB0\xE6\x8D\xAE\\\xE8\xA8\xAD.ini"},
                           {"files/AppDataFolder/App/user.cfg", "C:\\Users\\Ann\\AppData\\Roaming\\App\\user.cfg"},
                           {"files/System64Folder/shared.dll", "C:\\Windows\\System32\\shared.dll"},
                           {"files/ProgramMenuFolder/App.lnk",
                            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\App.lnk"},
                       }));
    EXPECT_EQ(source.FilesPackaged, 5u);
    EXPECT_EQ(source.FoldersPackaged, 1u);
    EXPECT_THAT(source.NotPackaged, Contains("C:\\Program Files\\App\\changed.dll (changed since the recording)"));
    EXPECT_THAT(source.NotPackaged, Contains("D:\\Elsewhere\\x.dat (outside every standard folder)"));
    EXPECT_THAT(source.NotExpressed, Contains("Deleted: C:\\ProgramData\\Old\\gone.txt"));
    EXPECT_THAT(source.NotExpressed, Contains("Changed, not owned: installed but never removed by the package: "
                                              "C:\\Windows\\System32\\shared.dll"));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(Win64="yes" Permanent="yes">)"));
    EXPECT_THAT(source.Wxs, HasSubstr("Deleted: C:\\ProgramData\\Old\\gone.txt"));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(<Directory Id="ProgramFiles64Folder">)"));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(Name="Empty">)"));
    EXPECT_THAT(source.Wxs, HasSubstr("<CreateFolder />"));
    EXPECT_THAT(source.Wxs, Not(HasSubstr("hidden.log")));
    EXPECT_THAT(source.Wxs, Not(HasSubstr("QuillborneReport")));
    EXPECT_FALSE(source.PerUser);
}

TEST_F(InstallerSource, TheRecordingUsersHiveIsPackagedAsTheCurrentUserAndNoOtherHive) {
    const std::string hive = std::string("\\") + kSid;
    Value(TRegRoot::Users, hive + "\\Software\\App\\", "A", kRegSz, EncodeRegString("1"));
    Value(TRegRoot::Users, hive + "_Classes\\.app\\", "", kRegSz, EncodeRegString("App.Document"));
    Value(TRegRoot::Users, "\\S-1-5-21-7-1002\\Software\\App\\", "B", kRegSz, EncodeRegString("2"));
    Value(TRegRoot::CurrentConfig, "\\Software\\Fonts\\", "C", kRegSz, EncodeRegString("3"));
    TResultStore::AddKey(FResult.Root(TRegRoot::CurrentUser).KeysAfter, "\\Software\\App\\Empty\\");
    const TInstallerSource source = Compose();
    EXPECT_THAT(source.Wxs, HasSubstr(R"(<RegistryKey Root="HKCU" Key="Software\App">)"));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(<RegistryKey Root="HKCU" Key="Software\Classes\.app">)"));
    EXPECT_THAT(source.Wxs, HasSubstr(R"(<RegistryKey Root="HKCU" Key="Software\App\Empty" Action="create" />)"));
    EXPECT_THAT(source.NotPackaged, Contains("HKEY_USERS\\S-1-5-21-7-1002\\Software\\App\\B (another user's hive)"));
    EXPECT_THAT(source.NotPackaged, Contains(HasSubstr("HKEY_CURRENT_CONFIG\\Software\\Fonts\\C (")));
    EXPECT_EQ(source.ValuesPackaged, 2u);
    EXPECT_TRUE(source.PerUser);
    EXPECT_THAT(source.Wxs, HasSubstr(R"(InstallScope="perUser")"));
}

TEST_F(InstallerSource, ThePackageOfAnInstallerPackageLeavesWindowsInstallersRecordsOut) {
    const std::string product = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{1234}\\";
    const std::string products = "\\Software\\Classes\\Installer\\Products\\4321\\";
    TResultStore::AddFile(FResult.Store.FilesAfter, "C:\\Windows\\Installer\\1a2b.msi", 1);
    TResultStore::AddFile(FResult.Store.FilesAfter, "C:\\Program Files\\App\\app.exe", 1);
    Value(TRegRoot::LocalMachine, product, "DisplayName", kRegSz, EncodeRegString("App"));
    Value(TRegRoot::LocalMachine, products, "ProductName", kRegSz, EncodeRegString("App"));
    Value(TRegRoot::LocalMachine, "\\Software\\App\\", "Mode", kRegSz, EncodeRegString("full"));
    for (const char* program : {"C:\\Downloads\\app.msi", "msiexec", "C:\\Downloads\\setup.exe"}) {
        SCOPED_TRACE(program);
        FRecording.ProgramName = program;
        FCopied.clear();
        const TInstallerSource source = Compose();
        const bool leftOut = std::string_view(program) != "C:\\Downloads\\setup.exe";
        EXPECT_EQ(source.Wxs.find("Installer\\Products") == std::string::npos, leftOut);
        EXPECT_EQ(source.Wxs.find("Uninstall\\[\\{]1234") == std::string::npos, leftOut);
        EXPECT_EQ(FCopied.count("files/WindowsFolder/Installer/1a2b.msi") == 0, leftOut);
        EXPECT_THAT(source.Wxs, HasSubstr("Key=\"Software\\App\""));
    }
}

TEST_F(InstallerSource, TheProductIsNamedByTheUninstallEntryItMade) {
    struct TCase {
        const char* DisplayVersion; // null: no uninstall entry
        const char* Version;
    };
    const TCase cases[] = {{"2.5.1", "2.5.1"}, {"3.10 beta", "3.10.0"}, {"1.2.3.4", "1.2.3"}, {"v7", "1.0.0"},
                           {"300.1", "1.0.0"}, {"4.5.70000", "4.5.0"},  {nullptr, "1.0.0"}};
    const std::string entry = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App\\";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.DisplayVersion != nullptr ? c.DisplayVersion : "none");
        TResultStore result;
        result.Root(TRegRoot::LocalMachine);
        if (c.DisplayVersion != nullptr) {
            TValueList& values = result.Root(TRegRoot::LocalMachine).ValuesAfter;
            TResultStore::AddValue(values, entry, "DisplayName", kRegSz, EncodeRegString("Quillborne Sample"));
            TResultStore::AddValue(values, entry, "Publisher", kRegSz, EncodeRegString("Tarnvale"));
            TResultStore::AddValue(values, entry, "DisplayVersion", kRegSz, EncodeRegString(c.DisplayVersion));
        }
        const TInstallerSource source =
            ComposeInstallerSource(result.Store, FRecording, Machine(), [](auto&&...) { return TCopyResult{}; });
        EXPECT_EQ(source.Version, c.Version);
        EXPECT_EQ(source.ProductName, c.DisplayVersion != nullptr ? "Quillborne Sample" : "setup");
        EXPECT_EQ(source.Manufacturer, c.DisplayVersion != nullptr ? "Tarnvale" : "Unknown");
        EXPECT_THAT(source.Wxs, HasSubstr("UpgradeCode=\"" + NameBasedGuid("upgrade\\" + source.ProductName) + "\""));
    }
}

// The source says which tool can build it: wixl carries only ASCII text and
// no multi-string, expandable or binary value.
TEST_F(InstallerSource, NamesTheToolsThatCanBuildIt) {
    struct TCase {
        const char* Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
        bool WixlBuildsIt;
    };
    const TCase cases[] = {
        {"Plain", kRegSz, EncodeRegString("text"), true},
        {"Number", kRegDword, Bytes({1, 0, 0, 0}), true},
        {"\xE5\x90\x8D", kRegSz, EncodeRegString("x"), false},
        {"Text", kRegSz, EncodeRegString("\xE7\xBE\xBD"), false},
        {"Expand", kRegExpandSz, EncodeRegString("%TEMP%"), false},
        {"Binary", kRegBinary, Bytes({1}), false},
        {"Multi", kRegMultiSz, Bytes({'a', 0, 0, 0, 0, 0}), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TResultStore result;
        TResultStore::AddValue(result.Root(TRegRoot::LocalMachine).ValuesAfter, "\\Software\\App\\", c.Name, c.Type,
                               c.Data);
        const TInstallerSource source =
            ComposeInstallerSource(result.Store, FRecording, Machine(), [](auto&&...) { return TCopyResult{}; });
        EXPECT_EQ(source.NeedsWixToolset, !c.WixlBuildsIt);
        EXPECT_EQ(InstallerBuildCommand(source).find("wixl -a x64") != std::string::npos, c.WixlBuildsIt);
        EXPECT_THAT(InstallerSourceSummary(source, "C:\\Pkg"),
                    HasSubstr("is in C:\\Pkg: 0 files, 0 empty folders, 1 registry value and 0 new keys."));
    }
}

TEST(NameBasedGuid, DependsOnTheNameAloneIgnoringCase) {
    const std::string guid = NameBasedGuid("ProgramFiles64Folder\\App\\app.exe");
    EXPECT_EQ(guid, NameBasedGuid("programfiles64folder\\APP\\APP.EXE"));
    EXPECT_NE(guid, NameBasedGuid("ProgramFiles64Folder\\App\\app2.exe"));
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), '{');
    EXPECT_EQ(guid[15], '5'); // version 5
    EXPECT_THAT(std::string("89AB"), HasSubstr(std::string(1, guid[20])));
}

// The source builds with the WiX tools Debian has, and the package holds
// what the source says.
TEST_F(InstallerSource, BuildsWithWixl) {
    if (std::system("wixl --version >/dev/null 2>&1") != 0 || std::system("msiinfo --help >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "wixl and msiinfo are not installed";
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quill_installer_source_test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    TResultStore::AddFile(FResult.Store.FilesAfter, "C:\\Program Files\\App\\app.exe", 3);
    TResultStore::AddFile(FResult.Store.FilesAfter, "C:\\Program Files\\App\\Empty\\", 0);
    Value(TRegRoot::LocalMachine, "\\Software\\App\\", "Path", kRegSz, EncodeRegString("C:\\App [1]"));
    Value(TRegRoot::LocalMachine, "\\Software\\App\\", "Count", kRegDword, Bytes({7, 0, 0, 0}));
    const TInstallerSource source = ComposeInstallerSource(
        FResult.Store, FRecording, Machine(), [&](const std::string&, const std::string& path, const TFileScan&) {
            std::filesystem::create_directories((folder / path).parent_path());
            std::ofstream(folder / path) << "app";
            return TCopyResult{};
        });
    std::ofstream(folder / "Package.wxs", std::ios::binary) << source.Wxs;
    const std::string at = "cd '" + folder.string() + "' && ";
    ASSERT_EQ(std::system((at + "wixl -a x64 -o app.msi Package.wxs").c_str()), 0);
    ASSERT_EQ(std::system((at + "msiinfo export app.msi Registry > registry.txt && msiinfo export app.msi File > "
                                "file.txt && msiinfo export app.msi CreateFolder > folders.txt")
                              .c_str()),
              0);
    const auto read = [&](const char* name) {
        std::ifstream in(folder / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_THAT(read("registry.txt"), HasSubstr("Software\\App\\\tPath\tC:\\App [\\[]1[\\]]"));
    EXPECT_THAT(read("registry.txt"), HasSubstr("Software\\App\\\tCount\t#7"));
    EXPECT_THAT(read("file.txt"), HasSubstr("app.exe"));
    EXPECT_THAT(read("folders.txt"), Not(IsEmpty()));
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace quill
