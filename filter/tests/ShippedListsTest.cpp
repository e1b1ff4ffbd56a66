#include "filter/IgnoreList.h"
#include "filter/IgnoreMatcher.h"
#include "filter/RegWatch.h"

#include "common/TextCompare.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace quill {
namespace {

using enum TIgnoreKind;

std::string ShippedText(std::string_view name) {
    std::ifstream file(std::string(QUILL_SHIPPED_DIR) + "/" + std::string(name), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(std::string(TrimText(line)));
    }
    return lines;
}

// A machine where everything lies in its usual place.
std::optional<std::string> UsualVariable(std::string_view name) {
    static const std::map<std::string, std::string, TTextLess> values{
        {"SystemRoot", "C:\\Windows"},
        {"SystemDrive", "C:"},
        {"ProgramData", "C:\\ProgramData"},
        {"USERPROFILE", "C:\\Users\\Tester"},
        {"APPDATA", "C:\\Users\\Tester\\AppData\\Roaming"},
        {"LOCALAPPDATA", "C:\\Users\\Tester\\AppData\\Local"},
        {"TEMP", "C:\\Users\\Tester\\AppData\\Local\\Temp"},
    };
    const auto found = values.find(std::string(name));
    return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::vector<std::string> Entries(TIgnoreKind kind) {
    std::vector<std::string> texts;
    for (const TIgnoreEntry& entry : ParseIgnoreList(ShippedText(IgnoreKindInfo(kind).FileName))) {
        if (entry.Checked) {
            texts.push_back(kind == Files || kind == Directories ? ExpandVariables(entry.Text, UsualVariable)
                                                                 : entry.Text);
        }
    }
    return texts;
}

const TIgnoreMatcher& Shipped() {
    static const TIgnoreMatcher matcher(TIgnoreMatcher::TLists{.Files = Entries(Files),
                                                               .Directories = Entries(Directories),
                                                               .Keys = Entries(Keys),
                                                               .Values = Entries(Values)});
    return matcher;
}

class ShippedList : public ::testing::TestWithParam<TIgnoreKind> {};

TEST_P(ShippedList, SaysWhyAboveEveryEntryAndKeepsEntriesInTheEditorsForm) {
    const std::string text = ShippedText(IgnoreKindInfo(GetParam()).FileName);
    const std::vector<std::string> lines = SplitLines(text);
    ASSERT_GE(lines.size(), 4u) << IgnoreKindInfo(GetParam()).FileName;
    EXPECT_EQ(lines.front(), kIgnoreFileComment);
    EXPECT_EQ(lines.back(), kIgnoreFileComment);
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        if (lines[i].starts_with(';')) {
            continue;
        }
        SCOPED_TRACE(lines[i]);
        EXPECT_TRUE(lines[i].starts_with('+') || lines[i].starts_with('-'));
        EXPECT_TRUE(lines[i - 1].starts_with("; ") && lines[i - 1] != kIgnoreFileComment);
        const std::string entry = lines[i].substr(1);
        EXPECT_EQ(IgnoreEntryForm(GetParam(), entry).value_or("<rejected>"), entry);
        EXPECT_EQ(ExpandVariables(entry, UsualVariable).find('%'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ShippedList, ::testing::Values(Files, Directories, Keys, Values));

// Places where an installer persists or starts itself, as key paths (ending
// with a backslash) or values, without their root: the lists apply under
// every root.
const char* const kStartAndPersistKeys[] = {
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\",
    "\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\",
    "\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run\\",
    "\\System\\CurrentControlSet\\Services\\",
    "\\System\\CurrentControlSet\\Services\\ExampleService\\",
    "\\System\\ControlSet001\\Services\\ExampleService\\",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\",
    "\\Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tree\\Example\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.example\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
    "\\Software\\Classes\\",
    "\\Software\\Classes\\.example\\",
    "\\Software\\Classes\\CLSID\\",
    "\\Software\\Classes\\*\\shellex\\ContextMenuHandlers\\",
    "\\Software\\Classes\\Directory\\shellex\\",
    "\\Software\\Classes\\Local Settings\\",
    "\\.example\\",
    "\\CLSID\\",
    "\\*\\shellex\\",
    "\\Folder\\shellex\\",
    "\\Software\\Microsoft\\Windows Defender\\Exclusions\\",
    "\\Software\\Microsoft\\Windows Defender\\Exclusions\\Paths\\",
    "\\Software\\Microsoft\\WindowsUpdate\\UX\\Settings\\",
    "\\Software\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Notifications\\Settings\\",
    "\\System\\CurrentControlSet\\Services\\dam\\",
    "\\System\\CurrentControlSet\\Control\\Session Manager\\",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers\\",
};

const char* const kStartAndPersistValues[] = {
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\AppInit_DLLs",
    "\\Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\AppInit_DLLs",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Shell",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit",
    "\\System\\CurrentControlSet\\Control\\Session Manager\\PendingFileRenameOperations",
};

const char* const kStartAndPersistFolders[] = {
    "C:\\Program Files",
    "C:\\Program Files (x86)",
    "C:\\ProgramData",
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu",
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    "C:\\Users\\Tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    "C:\\Users\\Tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    "C:\\Users\\Tester\\AppData\\Roaming",
    "C:\\Users\\Tester\\AppData\\Local",
    "C:\\Windows",
    "C:\\Windows\\System32",
    "C:\\Windows\\SysWOW64",
    "C:\\Windows\\System32\\Tasks",
    "C:\\Windows\\Tasks",
    "C:\\Windows\\System32\\drivers",
    "C:\\Windows\\System32\\wbem\\Repository",
    "C:\\Windows\\System32\\config\\systemprofile\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    "C:\\Windows\\System32\\config",
    "C:\\Windows\\System32\\CatRoot",
    "C:\\Windows\\System32\\Tasks\\Microsoft\\Windows",
    "C:\\Windows\\inf",
    "C:\\Windows\\Temp",
    "C:\\Users\\Tester\\AppData\\Local\\Temp",
    "C:\\ProgramData\\Microsoft\\Windows\\WER",
    "C:\\ProgramData\\Microsoft\\Windows Defender\\Scans\\History\\Service\\DetectionHistory",
    "C:\\Users\\Tester\\AppData\\Local\\Packages\\Microsoft.Windows.Search_cw5n1h2txyewy\\LocalState",
};

void ExpectKeyShown(std::string_view keyPath) {
    EXPECT_TRUE(Shipped().IsKeyIncluded(keyPath)) << keyPath;
    EXPECT_TRUE(Shipped().IsValueIncluded(keyPath, "")) << keyPath;
    for (const std::string& value : Entries(Values)) {
        const std::optional<std::string> form = IgnoreEntryForm(Values, value);
        ASSERT_TRUE(form) << value;
        EXPECT_FALSE(SameText(form->substr(0, form->rfind('\\') + 1), keyPath))
            << value << " hides a value of " << keyPath;
    }
}

void ExpectValueShown(std::string_view valueText) {
    const std::size_t split = valueText.rfind('\\') + 1;
    EXPECT_TRUE(Shipped().IsKeyIncluded(valueText.substr(0, split))) << valueText;
    EXPECT_TRUE(Shipped().IsValueIncluded(valueText.substr(0, split), valueText.substr(split))) << valueText;
}

TEST(ShippedLists, NeverHideAPlaceWhereAProgramStartsOrPersistsItself) {
    for (const char* key : kStartAndPersistKeys) {
        ExpectKeyShown(key);
    }
    for (const char* value : kStartAndPersistValues) {
        ExpectValueShown(value);
    }
    for (const std::string folder : kStartAndPersistFolders) {
        EXPECT_TRUE(Shipped().IsPathIncluded(folder)) << folder;
        EXPECT_TRUE(Shipped().IsPathIncluded(folder + "\\")) << folder;
        EXPECT_TRUE(Shipped().IsPathIncluded(folder + "\\Example\\example.exe")) << folder;
    }
}

TEST(ShippedLists, NeverHideAKeyOrValueTheWarningsFileWatches) {
    const TIniFile warnings = TIniFile::Parse(ShippedText("Quillborne.ini"));
    ASSERT_GT(warnings.SectionNames().size(), 50u);
    for (const std::string& section : warnings.SectionNames()) {
        const std::string name = StripRootName(section);
        if (name.ends_with('\\')) {
            ExpectKeyShown(name);
        } else {
            ExpectValueShown(name);
        }
    }
}

TEST(ShippedLists, CutWhatWindowsChangesOnItsOwn) {
    EXPECT_FALSE(
        Shipped().IsKeyIncluded("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{X}\\"));
    EXPECT_FALSE(Shipped().IsValueIncluded("\\Software\\Microsoft\\Cryptography\\RNG\\", "Seed"));
    EXPECT_FALSE(Shipped().IsPathIncluded("C:\\Windows\\Prefetch\\SETUP.EXE-12345678.pf"));
    EXPECT_FALSE(Shipped().IsPathIncluded("C:\\Windows\\System32\\catroot2\\edb.log"));
    EXPECT_FALSE(Shipped().IsPathIncluded("C:\\Windows\\System32\\config\\SAM.LOG1"));
    EXPECT_FALSE(Shipped().IsKeyIncluded("\\System\\ControlSet001\\Services\\dam\\UserSettings\\S-1\\"));
    EXPECT_FALSE(Shipped().IsPathIncluded("C:\\pagefile.sys"));
}

// What a user's hive holds under HKEY_USERS is what HKEY_CURRENT_USER shows
// of it: every entry that hides something there hides it in each hive.
TEST(ShippedLists, HideTheSameBelowEachUserHiveUnderHkeyUsers) {
    using enum TIgnoreMatcher::TKeyScope;
    std::size_t perUser = 0;
    for (const std::string& entry : Entries(Keys)) {
        if (!entry.starts_with("\\Software\\")) {
            continue;
        }
        ++perUser;
        EXPECT_FALSE(Shipped().IsKeyIncluded("\\S-1-5-21-7-1001" + entry + "Sub\\", EachUserHive)) << entry;
        EXPECT_TRUE(Shipped().IsKeyIncluded("\\S-1-5-21-7-1001" + entry + "Sub\\", Root)) << entry;
    }
    EXPECT_GE(perUser, 17u);
    EXPECT_FALSE(Shipped().IsKeyIncluded(
        "\\S-1-5-21-7-1001_Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU\\", EachUserHive));
    for (const char* key : kStartAndPersistKeys) {
        EXPECT_TRUE(Shipped().IsKeyIncluded("\\S-1-5-21-7-1001" + std::string(key), EachUserHive)) << key;
    }
}

} // namespace
} // namespace quill
