#include "app/win32/MainServices.h"
#include "app/win32/resource.h"
#include "app/win32/tests/E2eDriver.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/ScratchKey.h"
#include "common/win32/tests/TempDirectory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace quill::test {
namespace {

using TSet = std::set<std::string>;

constexpr char kData[] = "\\Software\\QuillborneTest\\Data\\";

void SetText(const std::string& key, const wchar_t* name, const std::wstring& text) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(std::string(kData + 1) + key).c_str(), name, REG_SZ, text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(const std::string& key, const wchar_t* name, DWORD number) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(std::string(kData + 1) + key).c_str(), name, REG_DWORD, &number,
                      sizeof number);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(std::filesystem::path(Wide(path)), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The part of the report from the marker to the next section heading.
std::string Section(const std::string& report, const std::string& marker) {
    const std::size_t start = report.find(marker);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = report.find("<h", start + marker.size());
    return report.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Every match of the pattern, its groups joined by a blank.
TSet Matches(const std::string& text, const std::string& pattern) {
    TSet found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression); it != std::sregex_iterator(); ++it) {
        std::string joined;
        for (std::size_t group = 1; group < it->size(); ++group) {
            joined += (group > 1 ? " " : "") + (*it)[group].str();
        }
        found.insert(joined);
    }
    return found;
}

// A fresh folder at the root of drive C:, removed before and after: the
// shipped ignore lists hide the temporary folders, where installers' work
// files come and go.
class TWatchedFolder {
public:
    TWatchedFolder() : FPath("C:\\QuillborneReportTest-" + std::to_string(::GetCurrentProcessId()) + "\\") {
        TTempDirectory::RemoveTree(FPath);
        ::CreateDirectoryW(Wide(FPath).c_str(), nullptr);
    }
    ~TWatchedFolder() { TTempDirectory::RemoveTree(FPath); }
    TWatchedFolder(const TWatchedFolder&) = delete;
    TWatchedFolder& operator=(const TWatchedFolder&) = delete;

    const std::string& Path() const noexcept { return FPath; }

    bool WriteFile(const std::string& name, std::string_view content) const {
        std::ofstream file(std::filesystem::path(Wide(FPath + name)), std::ios::binary | std::ios::trunc);
        file << content;
        return static_cast<bool>(file.flush());
    }

private:
    std::string FPath;
};

TEST(ReportEndToEnd, ARecordingThroughTheMainWindowReportsExactlyTheChangesMade) {
    if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 && ::GetSystemMetrics(SM_CXSCREEN) == 0) {
        GTEST_SKIP() << "no display";
    }
    const TScratchKey scratch;
    const TSettingsKey settings;
    const TWatchedFolder watched;
    const TTempDirectory reports("QuillborneReports");
    settings.Set(L"FirstRun", L"N");
    settings.Set(L"Version", L"Quillborne v2.0");
    for (const wchar_t* off : {L"HKEY_LOCAL_MACHINE", L"HKEY_CLASSES_ROOT", L"HKEY_USERS", L"HKEY_CURRENT_CONFIG"}) {
        settings.Set(off, L"N");
    }
    for (const wchar_t* on : {L"HKEY_CURRENT_USER", L"DiskUsage", L"NoProcList", L"FSScan", L"FSWatch", L"FSFiles"}) {
        settings.Set(on, L"Y");
    }
    settings.Set(L"Paths", Wide(watched.Path()).c_str());
    settings.Set(L"ReportDir", Wide(reports.Path()).c_str());

    SetText("Values", L"Text", L"old");
    SetText("Values", L"Doomed", L"bye");
    SetText("Keep", L"Same", L"same");
    ASSERT_TRUE(watched.WriteFile("keep.txt", "keep"));
    ASSERT_TRUE(watched.WriteFile("delete.txt", "delete"));
    ASSERT_TRUE(watched.WriteFile("modify.txt", "aaaa"));

    TQuillborneProcess program;
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    ::SendMessageW(window, WM_COMMAND, CM_STARTRECORDING, 0);

    // What the program under test would do.
    SetText("Values", L"Text", L"<new> & more");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(std::string(kData + 1) + "Values").c_str(), L"Doomed");
    SetNumber("Values", L"Added", 7);
    SetText("New", L"Fresh", L"x");
    ASSERT_TRUE(::DeleteFileW(Wide(watched.Path() + "delete.txt").c_str()));
    ASSERT_TRUE(watched.WriteFile("modify.txt", "bbbbbbbb"));
    ASSERT_TRUE(watched.WriteFile("new.txt", "new"));

    ::SendMessageW(window, WM_COMMAND, CM_STOPRECORDING, 0);
    const std::string report = ReadFile(reports.Path() + "\\QuillborneReport.html");
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(program.MessageBox(std::chrono::milliseconds(300)), nullptr);

    const std::string user = Section(report, "<h3>HKEY_CURRENT_USER</h3>");
    EXPECT_EQ(
        Matches(
            user,
            R"re(<td width="70%"><font size="2" color="#\w+">([^<]*)</font></td>\r\n<td width="13%"><font color="#\w+"><I>(\w+)</I>)re"),
        (TSet{std::string(kData) + " Modified", std::string(kData) + "Values\\ Modified",
              std::string(kData) + "New\\ Created"}));
    EXPECT_EQ(Matches(user, R"re(<td width="18%"><font color="#(\w+)">([^<]*)</font></td>)re"),
              (TSet{"0000FF Text", "FF0000 Doomed", "008080 Added", "008080 Fresh"}));
    EXPECT_NE(user.find("\r\n&lt;new&gt; &amp; more\r\n"), std::string::npos);
    EXPECT_EQ(report.find("<h3>HKEY_LOCAL_MACHINE</h3>"), std::string::npos);

    const std::string scan = Section(report, "File Scan Changes");
    const std::string& root = watched.Path();
    const std::string link = "<a href=\"file:///" + std::regex_replace(root, std::regex(R"re(\\)re"), "/");
    EXPECT_EQ(Matches(scan, R"re(<td width="(?:45|65)%"><font color="#(\w+)" size="2">(<a href="[^"]*">)?([^<]*)<)re"),
              (TSet{"0000FF " + link + "modify.txt\"> " + root + "modify.txt", "FF0000  " + root + "delete.txt",
                    "008080 " + link + "new.txt\"> " + root + "new.txt"}))
        << report;
    // The watcher journals on its own time: whatever it had delivered when the
    // recording stopped, it names only the changed files.
    const std::string live = Section(report, "File System Changes");
    for (const std::string& path :
         Matches(live, R"re(<td width="70%"><font size="2">(?:<a href="[^"]*">)?([^<]*)<)re")) {
        EXPECT_TRUE(path == root + "delete.txt" || path == root + "modify.txt" || path == root + "new.txt") << path;
    }
    EXPECT_EQ(report.find("Disk Usage"), std::string::npos);
    EXPECT_EQ(report.find("Processes</span>"), std::string::npos);

    // The same recording as an installer source, in the folder the browser
    // offers (Wine's starts at the desktop whatever it is asked to show).
    ::PostMessageW(window, WM_COMMAND, CM_SAVEINSTALLERSOURCE, 0);
    const HWND browser = program.ShownDialog(Wide(std::string(kInstallerSourceTitle)).c_str());
    ASSERT_NE(browser, nullptr);
    Click(browser, IDOK);
    const HWND box = program.MessageBox();
    ASSERT_NE(box, nullptr);
    const std::string said = MessageBoxText(box);
    Click(box, IDOK);
    std::smatch written;
    ASSERT_TRUE(
        std::regex_search(said, written, std::regex(R"re(is in (.+): 0 files, 0 empty folders, 3 registry values)re")))
        << said;
    EXPECT_NE(said.find(root + "new.txt (outside every standard folder)"), std::string::npos) << said;
    const std::string wxs = written[1].str() + "\\Package.wxs";
    const std::string source = ReadFile(wxs);
    ::DeleteFileW(Wide(wxs).c_str());
    EXPECT_NE(source.find(R"(<RegistryKey Root="HKCU" Key="Software\QuillborneTest\Data\New">)"), std::string::npos)
        << source;
    EXPECT_NE(source.find(R"(Name="Fresh" Type="string" Value="x")"), std::string::npos) << source;
}

} // namespace
} // namespace quill::test
