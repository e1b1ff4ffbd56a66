#include "filter/RegWatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

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
    EXPECT_EQ(ini.ReadString("HKEY_CURRENT_USER\\Software\\B\\", "other", "none"), "none");
    EXPECT_EQ(ini.ReadString("Empty", "Message", "none"), "none");
    EXPECT_EQ(ini.ReadString("Missing", "Orphan", "none"), "none");
}

TEST(IniFile, ReadsOnlyTheFirstOfRepeatedSections) {
    const TIniFile ini = TIniFile::Parse("[A]\n"
                                         "Message=first\n"
                                         "[B]\n"
                                         "Message=b\n"
                                         "[a]\n"
                                         "Message=second\n"
                                         "Extra=x\n"
                                         "[C]\n"
                                         "[c]\n"
                                         "Message=late\n"
                                         "[A]\n"
                                         "Message=third\n");
    EXPECT_THAT(ini.SectionNames(), ElementsAre("A", "B", "C"));
    EXPECT_EQ(ini.ReadString("A", "Message", "none"), "first");
    EXPECT_EQ(ini.ReadString("A", "Extra", "none"), "none");
    EXPECT_EQ(ini.ReadString("B", "Message", "none"), "b");
    EXPECT_EQ(ini.ReadString("C", "Message", "none"), "none");
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
        record->Name = list.Keep(name);
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

// Records what it shows; a warning whose message is "fail" or "throw" cannot
// be shown, as a window that cannot be created.
class TRecordingDisplay : public IRegWarningDisplay {
public:
    void ShowRegistryWarning(const std::string& name, const std::string& message) override {
        if (message == "fail") {
            throw std::runtime_error("no window");
        }
        if (message == "throw") {
            throw 42;
        }
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
    TCaptureNotes notes;
    CheckRegistryWarnings(ini, changes, display, notes);
    EXPECT_TRUE(notes.Empty());
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
    TCaptureNotes notes;
    CheckRegistryWarnings(TIniFile::Parse("[HKEY_CURRENT_USER\\Software\\Zones:1001]\nMessage=m"), changes, display,
                          notes);
    EXPECT_THAT(display.Shown, ElementsAre("HKEY_CURRENT_USER\\Software\\Zones:1001 | m"));
}

TEST(CheckRegistryWarnings, ARepeatedSectionWarnsOnceWithItsFirstMessage) {
    TResults machine;
    TResults::AddKey(machine.ModifiedKeysBefore, "\\Software\\Run\\", true);
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::LocalMachine)] = machine.Changes();
    TRecordingDisplay display;
    TCaptureNotes notes;
    CheckRegistryWarnings(TIniFile::Parse("[HKEY_LOCAL_MACHINE\\Software\\Run\\]\n"
                                          "[HKEY_LOCAL_MACHINE\\Software\\Other\\]\n"
                                          "[hkey_local_machine\\software\\run\\]\n"
                                          "Message=second\n"),
                          changes, display, notes);
    EXPECT_THAT(display.Shown, ElementsAre("HKEY_LOCAL_MACHINE\\Software\\Run\\ | " + std::string(kNoWarningMessage)));
}

TEST(CheckRegistryWarnings, AWarningThatCannotBeShownIsNotedAndTheOthersStillShow) {
    TResults machine;
    for (const char* key : {"\\A\\", "\\B\\", "\\C\\", "\\D\\"}) {
        TResults::AddKey(machine.ModifiedKeysBefore, key, true);
    }
    TRegistryChanges changes;
    changes[static_cast<std::size_t>(TRegRoot::LocalMachine)] = machine.Changes();
    TRecordingDisplay display;
    TCaptureNotes notes;
    CheckRegistryWarnings(TIniFile::Parse("[HKEY_LOCAL_MACHINE\\A\\]\nMessage=fail\n"
                                          "[HKEY_LOCAL_MACHINE\\B\\]\nMessage=shown\n"
                                          "[HKEY_LOCAL_MACHINE\\C\\]\nMessage=throw\n"
                                          "[HKEY_LOCAL_MACHINE\\D\\]\nMessage=also shown\n"),
                          changes, display, notes);
    EXPECT_THAT(display.Shown, ElementsAre("HKEY_LOCAL_MACHINE\\B\\ | shown", "HKEY_LOCAL_MACHINE\\D\\ | also shown"));
    EXPECT_THAT(notes.Lines(),
                ElementsAre("Could not show a registry warning: HKEY_LOCAL_MACHINE\\A\\ (no window)",
                            "Could not show a registry warning: HKEY_LOCAL_MACHINE\\C\\ (unknown error)"));
}

} // namespace
} // namespace quill
