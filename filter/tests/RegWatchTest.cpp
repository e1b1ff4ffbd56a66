#include "filter/RegWatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(IniFile, ReadsSectionsInFileOrderByTheProfileRules) {
    const TIniFile ini = TIniFile::Parse("\xEF\xBB\xBF"
                                         "; a comment\r\n"
                                         "Orphan=before any section\r\n"
                                         "  [ HKEY_CURRENT_USER\\Software\\B\\ ]  \r\n"
                                         "  message =  spaced out  \r\n"
                                         "\r\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\A\\]\n"
                                         ";Message=commented out\n"
                                         "Message=\"quoted = kept\"\n"
                                         "[hkey_current_user\\software\\b\\]\n"
                                         "Message=second occurrence\n"
                                         "Other=x\n"
                                         "[Broken\n"
                                         "[Empty]");
    EXPECT_THAT(ini.SectionNames(),
                ElementsAre("HKEY_CURRENT_USER\\Software\\B\\", "HKEY_LOCAL_MACHINE\\Software\\A\\", "Empty"));
    EXPECT_EQ(ini.ReadString("HKEY_CURRENT_USER\\SOFTWARE\\B\\", "Message", "none"), "spaced out");
    EXPECT_EQ(ini.ReadString("HKEY_LOCAL_MACHINE\\Software\\A\\", "MESSAGE", "none"), "quoted = kept");
    EXPECT_EQ(ini.ReadString("HKEY_CURRENT_USER\\Software\\B\\", "other", "none"), "x");
    EXPECT_EQ(ini.ReadString("Empty", "Message", "none"), "none");
    EXPECT_EQ(ini.ReadString("Missing", "Orphan", "none"), "none");
}

TEST(IniFile, AnEmptyFileHasNoSections) {
    EXPECT_THAT(TIniFile::Parse("").SectionNames(), IsEmpty());
    EXPECT_THAT(TIniFile::Parse("; only a comment\nName=value\n").SectionNames(), IsEmpty());
}

// One root's comparison results, built item by item.
struct TResults {
    TKeyList KeysBefore = NewKeyList();
    TKeyList KeysAfter = NewKeyList();
    TKeyList ModifiedKeysBefore;
    TValueList ValuesBefore = NewValueList();
    TValueList ValuesAfter = NewValueList();
    TValueList ModifiedValuesBefore;

    // A key or value item that still holds its record is a change; one
    // without is an unchanged entry.
    static void AddKey(TKeyList& list, const char* path, bool changed) {
        list.Append(path, changed ? std::make_unique<TKeyRecord>() : nullptr);
        list.SortAppended();
    }
    static void AddValue(TValueList& list, const char* path, const char* name, bool changed) {
        auto record = std::make_unique<TValueRecord>();
        record->Name = name;
        list.Append(path, std::move(record));
        list.SortAppended();
        if (!changed) {
            std::size_t index = 0;
            while (list.Record(index) == nullptr || list.Record(index)->Name != name || list.Text(index) != path) {
                ++index;
            }
            list.Detach(index);
        }
    }
    TRootChanges Changes() const {
        return {&KeysBefore, &KeysAfter, &ModifiedKeysBefore, &ValuesBefore, &ValuesAfter, &ModifiedValuesBefore};
    }
    bool Key(std::string_view path) const { return IsKeyChanged(KeysBefore, KeysAfter, ModifiedKeysBefore, path); }
    bool Value(std::string_view text) const {
        return IsValueChanged(ValuesBefore, ValuesAfter, ModifiedValuesBefore, text);
    }
};

TEST(IsKeyChanged, AnswersForCreatedDeletedAndModifiedKeysOnly) {
    TResults r;
    TResults::AddKey(r.KeysBefore, "\\Deleted\\", true);
    TResults::AddKey(r.KeysBefore, "\\Same\\", false);
    TResults::AddKey(r.KeysAfter, "\\Same\\", false);
    TResults::AddKey(r.KeysAfter, "\\Created\\", true);
    TResults::AddKey(r.ModifiedKeysBefore, "\\Modified\\", true);
    EXPECT_TRUE(r.Key("\\deleted\\"));
    EXPECT_TRUE(r.Key("\\CREATED\\"));
    EXPECT_TRUE(r.Key("\\Modified\\"));
    EXPECT_FALSE(r.Key("\\Same\\"));
    EXPECT_FALSE(r.Key("\\Modified\\Sub\\"));
    EXPECT_FALSE(r.Key("\\Missing\\"));
}

TEST(IsValueChanged, SplitsAtTheLastBackslashOrColonAndMatchesNamesWithoutCase) {
    TResults r;
    TResults::AddValue(r.ValuesBefore, "\\K\\", "Deleted", true);
    TResults::AddValue(r.ValuesBefore, "\\K\\", "Same", false);
    TResults::AddValue(r.ValuesAfter, "\\K\\", "Same", false);
    TResults::AddValue(r.ValuesAfter, "\\K\\", "Created", true);
    TResults::AddValue(r.ModifiedValuesBefore, "\\K\\", "Modified", true);
    TResults::AddValue(r.ValuesAfter, "\\K\\", "", true);
    TResults::AddValue(r.ValuesAfter, "\\Drive:", "C", true);
    TResults::AddValue(r.ValuesAfter, "\\Z\\", "Last", true);
    EXPECT_TRUE(r.Value("\\K\\deleted"));
    EXPECT_TRUE(r.Value("\\k\\CREATED"));
    EXPECT_TRUE(r.Value("\\K\\Modified"));
    EXPECT_TRUE(r.Value("\\K\\"));
    EXPECT_TRUE(r.Value("\\Drive:C"));
    EXPECT_FALSE(r.Value("\\K\\Same"));
    EXPECT_FALSE(r.Value("\\K\\Sub\\Created"));
    // The last group of a list with no such name: the walk ends at the end.
    EXPECT_FALSE(r.Value("\\Z\\Other"));
    EXPECT_FALSE(r.Value("\\ZZ\\Last"));
}

class TRecordingDisplay : public IRegWarningDisplay {
public:
    void ShowRegistryWarning(const std::string& name, const std::string& message) override {
        Shown.push_back(name + " | " + message);
    }
    std::vector<std::string> Shown;
};

TEST(CheckRegistryWarnings, WarnsForEachChangedSectionInFileOrder) {
    TResults machine;
    TResults::AddKey(machine.ModifiedKeysBefore, "\\Software\\Run\\", true);
    TResults::AddValue(machine.ValuesAfter, "\\Software\\Run\\", "Updater", true);
    TResults::AddKey(machine.KeysAfter, "\\Software\\Quiet\\Sub\\", true);
    TResults user;
    TResults::AddValue(user.ValuesBefore, "\\Software\\Policies\\", "Proxy", true);
    TResults::AddValue(user.ModifiedValuesBefore, "\\Software\\Zones\\", "1001", true);
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::LocalMachine)] = machine.Changes();
    changes[static_cast<std::size_t>(TRegRoot::CurrentUser)] = user.Changes();

    const TIniFile ini = TIniFile::Parse("[HKEY_LOCAL_MACHINE\\Software\\Run\\Updater]\n"
                                         "Message=value created\n"
                                         "[Not a root\\Software\\Run\\]\n"
                                         "Message=never\n"
                                         "[HKEY_LOCAL_MACHINE]\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Quiet\\]\n"
                                         "Message=only a subkey changed\n"
                                         "[hkey_current_user\\Software\\Policies\\Proxy]\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Run\\]\n"
                                         "Message=key modified\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Run]\n"
                                         "Message=a key without its backslash is a value\n"
                                         "[HKEY_CURRENT_USER\\Software\\Zones:1001]\n"
                                         "Message=split at the colon: another key\n"
                                         "[HKEY_CLASSES_ROOT\\Software\\Run\\]\n"
                                         "Message=root not captured\n"
                                         "[HKEY_CURRENT_USER\\Software\\Zones\\1001]\n"
                                         "Message=value modified\n");
    TRecordingDisplay display;
    CheckRegistryWarnings(ini, changes, display);
    EXPECT_THAT(display.Shown,
                ElementsAre("HKEY_LOCAL_MACHINE\\Software\\Run\\Updater | value created",
                            "hkey_current_user\\Software\\Policies\\Proxy | " + std::string(kNoWarningMessage),
                            "HKEY_LOCAL_MACHINE\\Software\\Run\\ | key modified",
                            "HKEY_CURRENT_USER\\Software\\Zones\\1001 | value modified"));
}

TEST(CheckRegistryWarnings, ColonSplitFindsAValueFiledUnderAColonPath) {
    TResults user;
    TResults::AddValue(user.ModifiedValuesBefore, "\\Software\\Zones:", "1001", true);
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::CurrentUser)] = user.Changes();
    TRecordingDisplay display;
    CheckRegistryWarnings(TIniFile::Parse("[HKEY_CURRENT_USER\\Software\\Zones:1001]\nMessage=m"), changes, display);
    EXPECT_THAT(display.Shown, ElementsAre("HKEY_CURRENT_USER\\Software\\Zones:1001 | m"));
}

} // namespace
} // namespace quill
