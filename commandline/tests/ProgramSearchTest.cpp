#include "commandline/ProgramSearch.h"

#include "common/TextCompare.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace quill {
namespace {

// The files of a few folders, and the App Paths keys.
class TFakeProgramLookup : public IProgramLookup {
public:
    std::string FindFile(const std::string& folder, const std::string& fileName) override {
        const std::string path = folder + (folder.ends_with('\\') ? "" : "\\") + fileName;
        const auto found = Files.find(path);
        return found == Files.end() ? std::string() : *found;
    }
    std::string AppPath(const std::string& fileName) override {
        const auto found = AppPaths.find(fileName);
        return found == AppPaths.end() ? std::string() : found->second;
    }

    std::set<std::string, TTextLess> Files;
    std::map<std::string, std::string, TTextLess> AppPaths;
};

struct TSearchCase {
    std::string Name;
    std::set<std::string, TTextLess> Files;
    std::string Extensions; // PATHEXT
    std::string Found;
};

TEST(ProgramSearch, TheCurrentFolderThenPathThenAppPaths) {
    const std::string cmd = "C:\\windows\\system32\\cmd.exe";
    const TSearchCase cases[] = {
        {"cmd", {cmd}, "", cmd},
        {"CMD", {cmd}, "", cmd},
        {"cmd.exe", {cmd}, "", cmd},
        {"x.bat", {"C:\\work\\x.bat", "C:\\windows\\x.bat"}, "", "C:\\work\\x.bat"},
        {"app.msi", {"C:\\work\\app.msi"}, "", "C:\\work\\app.msi"},
        // A folder before the next, whatever the extension.
        {"tool", {"C:\\work\\tool.cmd", "C:\\windows\\tool.exe"}, "", "C:\\work\\tool.cmd"},
        {"tool", {"C:\\tools\\tool.exe", "C:\\tools\\tool.com"}, "", "C:\\tools\\tool.com"},
        {"tool", {"C:\\tools\\tool.bat", "C:\\tools\\tool.exe"}, "", "C:\\tools\\tool.exe"},
        {"tool", {"C:\\tools\\tool.com", "C:\\tools\\tool.bat"}, ".BAT;.COM", "C:\\tools\\tool.bat"},
        {"tool", {"C:\\tools\\tool.js"}, ".COM;.EXE;.BAT;.CMD;.JS", "C:\\tools\\tool.js"},
        {"tool", {"C:\\tools\\tool.js"}, "", ""},
        // The name as given only, when it has an extension.
        {"tool.exe", {"C:\\tools\\tool.exe.exe"}, "", ""},
        {"tool", {"C:\\tools\\tool"}, "", ""},
        // The blanks, quotes and empty items of PATH.
        {"setup", {"C:\\Program Files\\Kit\\setup.exe"}, "", "C:\\Program Files\\Kit\\setup.exe"},
        {"notepad", {"C:\\windows\\notepad.exe"}, "", "C:\\windows\\notepad.exe"},
        // App Paths, with the quotes of its value removed.
        {"viewer", {}, "", "C:\\Program Files\\Viewer\\viewer.exe"},
        {"viewer.exe", {}, "", "C:\\Program Files\\Viewer\\viewer.exe"},
        {"viewer", {"C:\\tools\\viewer.exe"}, "", "C:\\tools\\viewer.exe"},
        {"missing", {}, "", ""},
    };
    for (const TSearchCase& test : cases) {
        TFakeProgramLookup lookup;
        lookup.Files = test.Files;
        lookup.AppPaths["viewer.exe"] = "\"C:\\Program Files\\Viewer\\viewer.exe\"";
        const TProgramSearch search{
            "C:\\work", "C:\\windows\\system32;;C:\\windows\\; \"C:\\Program Files\\Kit\" ;C:\\tools", test.Extensions};
        EXPECT_EQ(FindProgram(test.Name, search, lookup), test.Found) << test.Name << " " << test.Extensions;
    }
}

TEST(ProgramSearch, ANameWithAFolderOrADriveIsNotLookedFor) {
    for (const char* name : {"C:\\x.exe", ".\\x.exe", "..\\x.exe", "sub/x", "C:x.exe", "\\\\server\\share\\x"}) {
        EXPECT_TRUE(NamesFolder(name)) << name;
    }
    for (const char* name : {"cmd", "x.bat", "msiexec"}) {
        EXPECT_FALSE(NamesFolder(name)) << name;
    }
}

} // namespace
} // namespace quill
