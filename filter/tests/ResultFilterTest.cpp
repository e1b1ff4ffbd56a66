#include "filter/ResultFilter.h"

#include "common/tests/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

// The result lists of a session, built by hand as a comparison leaves them.
class TSession {
public:
    TKeyList KeysBefore = NewKeyList(), KeysAfter = NewKeyList();
    TKeyList ModifiedKeysBefore = NewKeyList(), ModifiedKeysAfter = NewKeyList();
    TValueList ValuesBefore = NewValueList(), ValuesAfter = NewValueList();
    TValueList ModifiedValuesBefore = NewValueList(), ModifiedValuesAfter = NewValueList();
    TFileList FilesBefore{TListOrder::Sorted, TDuplicates::Refuse}, FilesAfter{TListOrder::Sorted, TDuplicates::Refuse};
    TFileList ModifiedFilesBefore, ModifiedFilesAfter;
    TFileWatchEvents FileWatchEvents;
    TShellEvents ShellEvents;

    TKeyRecord* Key(TKeyList& list, std::string path) {
        auto record = std::make_unique<TKeyRecord>();
        TKeyRecord* raw = record.get();
        list.Add(std::move(path), std::move(record));
        return raw;
    }
    void Unchanged(TKeyList& list, std::string path) { list.Add(std::move(path), nullptr); }
    TValueRecord* Value(TValueList& list, std::string keyPath, std::string name) {
        auto record = std::make_unique<TValueRecord>();
        record->Name = list.Keep(name);
        TValueRecord* raw = record.get();
        list.Add(std::move(keyPath), std::move(record));
        return raw;
    }
    std::pair<TKeyRecord*, TKeyRecord*> ModifiedKey(std::string path) {
        return {Key(ModifiedKeysBefore, path), Key(ModifiedKeysAfter, path)};
    }
    std::pair<TValueRecord*, TValueRecord*> ModifiedValue(std::string keyPath, std::string name) {
        return {Value(ModifiedValuesBefore, keyPath, name), Value(ModifiedValuesAfter, keyPath, name)};
    }
    TFileScan* File(TFileList& list, std::string path) {
        auto record = std::make_unique<TFileScan>();
        TFileScan* raw = record.get();
        list.Add(std::move(path), std::move(record));
        return raw;
    }
    std::pair<TFileScan*, TFileScan*> ModifiedFile(std::string path) {
        return {File(ModifiedFilesBefore, path), File(ModifiedFilesAfter, path)};
    }
    TFileWatchEvent* Watch(std::uint32_t action, std::string path) {
        auto record = std::make_unique<TFileWatchEvent>();
        record->Action = action;
        TFileWatchEvent* raw = record.get();
        FileWatchEvents.Add(std::move(path), std::move(record));
        return raw;
    }
    TShellEvent* Shell(std::uint32_t kind, std::string path) {
        AddShellEvent(ShellEvents, 0, kind, kind, path, "");
        return ShellEvents.Record(ShellEvents.Count() - 1);
    }

    TResultLists Lists(TRegRoot root = TRegRoot::LocalMachine) {
        TResultLists lists;
        lists.Roots[static_cast<std::size_t>(root)] = {&KeysBefore,           &KeysAfter,          &ModifiedKeysBefore,
                                                       &ModifiedKeysAfter,    &ValuesBefore,       &ValuesAfter,
                                                       &ModifiedValuesBefore, &ModifiedValuesAfter};
        lists.FilesBefore = &FilesBefore;
        lists.FilesAfter = &FilesAfter;
        lists.ModifiedFilesBefore = &ModifiedFilesBefore;
        lists.ModifiedFilesAfter = &ModifiedFilesAfter;
        lists.FileWatchEvents = &FileWatchEvents;
        lists.ShellEvents = &ShellEvents;
        return lists;
    }
};

template <class TRecord> struct TExpected {
    const char* What;
    const TRecord* Record;
    int Included;
};

template <class TRecord> void ExpectFlags(std::initializer_list<TExpected<TRecord>> expected) {
    for (const auto& e : expected) {
        EXPECT_EQ(e.Record->Included, e.Included) << e.What;
    }
}

class ResultFilter : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TSession FSession;
    TIgnoreMatcher::TLists FIgnore;

    void Apply(TRegRoot root = TRegRoot::LocalMachine) {
        TFilterSwitches switches;
        switches.LoadSwitches(FSettings, true);
        const TIgnoreMatcher matcher(FIgnore);
        TResultLists lists = FSession.Lists(root);
        ApplyToResults(switches, matcher, lists);
    }
    void Off(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            FSettings.WriteBool(name, false);
        }
    }
};

TEST_F(ResultFilter, IgnoredKeysHideThemselvesTheirSubkeysAndTheirValues) {
    FIgnore.Keys = {"\\Software\\Hidden\\"};
    FIgnore.Values = {"\\Software\\Mod\\Seed"};
    TSession& s = FSession;
    const auto [modBefore, modAfter] = s.ModifiedKey("\\Software\\Mod\\");
    const auto [hiddenSubBefore, hiddenSubAfter] = s.ModifiedKey("\\Software\\Hidden\\Sub\\");
    TKeyRecord* gone = s.Key(s.KeysBefore, "\\Software\\Gone\\");
    s.Unchanged(s.KeysBefore, "\\Software\\Same\\");
    TKeyRecord* hidden = s.Key(s.KeysAfter, "\\Software\\Hidden\\");
    TKeyRecord* hiddenTwin = s.Key(s.KeysAfter, "\\Software\\HiddenTwin\\");
    TKeyRecord* fresh = s.Key(s.KeysAfter, "\\Software\\New\\");
    const auto [subX, subXAfter] = s.ModifiedValue("\\Software\\Hidden\\Sub\\", "x");
    const auto [seed, seedAfter] = s.ModifiedValue("\\Software\\Mod\\", "Seed");
    const auto [size, sizeAfter] = s.ModifiedValue("\\Software\\Mod\\", "Size");
    TValueRecord* goneA = s.Value(s.ValuesBefore, "\\Software\\Gone\\", "a");
    TValueRecord* modOld = s.Value(s.ValuesBefore, "\\Software\\Mod\\", "Old");
    TValueRecord* hiddenV = s.Value(s.ValuesAfter, "\\Software\\Hidden\\", "v");
    TValueRecord* twinV = s.Value(s.ValuesAfter, "\\Software\\HiddenTwin\\", "v");
    TValueRecord* modFresh = s.Value(s.ValuesAfter, "\\Software\\Mod\\", "Fresh");
    TValueRecord* newDefault = s.Value(s.ValuesAfter, "\\Software\\New\\", "");
    TValueRecord* newLast = s.Value(s.ValuesAfter, "\\Software\\New\\", "Seed");

    Apply();

    ExpectFlags<TKeyRecord>({{"modified key", modAfter, 1},
                             {"modified key before", modBefore, 1},
                             {"modified key under ignored", hiddenSubAfter, 0},
                             {"modified key under ignored, before", hiddenSubBefore, 0},
                             {"deleted key", gone, 1},
                             {"ignored new key", hidden, 0},
                             {"sibling of ignored key", hiddenTwin, 1},
                             {"new key", fresh, 1}});
    ExpectFlags<TValueRecord>({{"modified value under ignored key", subX, 0},
                               {"its after-state", subXAfter, 0},
                               {"ignored modified value", seed, 0},
                               {"its after-state", seedAfter, 0},
                               {"modified value", size, 1},
                               {"its after-state", sizeAfter, 1},
                               {"first deleted value", goneA, 1},
                               {"deleted value under modified key", modOld, 1},
                               {"new value under ignored key", hiddenV, 0},
                               {"new value under sibling", twinV, 1},
                               {"new value under modified key", modFresh, 1},
                               {"default value of new key", newDefault, 1},
                               {"same name as ignored value, other key, last entry", newLast, 1}});
}

// Recording all the registry records HKEY_USERS, not HKEY_CURRENT_USER: the
// per-user entries must hide the same there, in each user's hive, and
// nowhere else.
TEST_F(ResultFilter, PerUserEntriesHideTheSameInEveryHiveUnderTheUsersRoot) {
    FIgnore.Keys = {"\\Software\\Hidden\\"};
    FIgnore.Values = {"\\Software\\Mod\\Seed"};
    TSession& s = FSession;
    TKeyRecord* user = s.Key(s.KeysAfter, "\\S-1-5-21-7-1001\\Software\\Hidden\\Sub\\");
    TKeyRecord* other = s.Key(s.KeysAfter, "\\S-1-5-21-7-1002\\Software\\Hidden\\");
    TKeyRecord* shown = s.Key(s.KeysAfter, "\\S-1-5-21-7-1001\\Software\\Shown\\");
    s.Key(s.KeysBefore, "\\S-1-5-21-7-1001\\Software\\Mod\\");
    TValueRecord* seed = s.Value(s.ValuesBefore, "\\S-1-5-21-7-1001\\Software\\Mod\\", "Seed");
    TValueRecord* size = s.Value(s.ValuesBefore, "\\S-1-5-21-7-1001\\Software\\Mod\\", "Size");
    Apply(TRegRoot::Users);
    ExpectFlags<TKeyRecord>({{"below one user's hive", user, 0}, {"in another's", other, 0}, {"not listed", shown, 1}});
    ExpectFlags<TValueRecord>({{"listed value", seed, 0}, {"its sibling", size, 1}});

    // Elsewhere a hive's name is a key like any other.
    Apply(TRegRoot::LocalMachine);
    ExpectFlags<TKeyRecord>({{"below a first-level key", user, 1}});
}

TEST_F(ResultFilter, ValueKindsFollowTheKindOfTheirKey) {
    Off({"F_ModKey"});
    TSession& s = FSession;
    const auto [modBefore, modAfter] = s.ModifiedKey("\\Software\\Mod\\");
    TKeyRecord* fresh = s.Key(s.KeysAfter, "\\Software\\New\\");
    const auto [changed, changedAfter] = s.ModifiedValue("\\Software\\Mod\\", "v");
    TValueRecord* added = s.Value(s.ValuesAfter, "\\Software\\Mod\\", "added");
    TValueRecord* underNew = s.Value(s.ValuesAfter, "\\Software\\New\\", "v");

    Apply();

    ExpectFlags<TKeyRecord>({{"modified key", modAfter, 0}, {"new key", fresh, 1}});
    ExpectFlags<TValueRecord>({{"modified value under modified key", changed, 0},
                               {"new value under modified key", added, 0},
                               {"new value under new key", underNew, 1}});
}

TEST_F(ResultFilter, TheFirstAndTheLastEntryOfAValueListAreFilteredLikeTheOthers) {
    Off({"F_NewValue", "F_DelValue", "F_ModValue"});
    TSession& s = FSession;
    s.Key(s.KeysAfter, "\\A\\");
    s.Key(s.KeysAfter, "\\Z\\");
    s.ModifiedKey("\\A\\");
    s.ModifiedKey("\\Z\\");
    TValueRecord* first = s.Value(s.ValuesAfter, "\\A\\", "first");
    TValueRecord* last = s.Value(s.ValuesAfter, "\\Z\\", "last");
    const auto [modFirst, modFirstAfter] = s.ModifiedValue("\\A\\", "m");
    const auto [modLast, modLastAfter] = s.ModifiedValue("\\Z\\", "m");

    Apply();
    ExpectFlags<TValueRecord>({{"first new", first, 0},
                               {"last new", last, 0},
                               {"first modified", modFirst, 0},
                               {"first modified after", modFirstAfter, 0},
                               {"last modified", modLast, 0},
                               {"last modified after", modLastAfter, 0}});

    FSettings.WriteBool("F_NewValue", true);
    FSettings.WriteBool("F_ModValue", true);
    Apply();
    ExpectFlags<TValueRecord>({{"first new back", first, 1},
                               {"last new back", last, 1},
                               {"last modified back", modLast, 1},
                               {"last modified after back", modLastAfter, 1}});
}

TEST_F(ResultFilter, EachRootFollowsItsOwnSwitchAndAllRootsOffShowNoRegistryChange) {
    TSession& s = FSession;
    TKeyRecord* key = s.Key(s.KeysAfter, "\\Software\\New\\");
    TValueRecord* value = s.Value(s.ValuesAfter, "\\Software\\New\\", "v");

    Off({"F_HKEY_CURRENT_USER"});
    Apply(TRegRoot::LocalMachine);
    EXPECT_EQ(key->Included, 1);
    Apply(TRegRoot::CurrentUser);
    EXPECT_EQ(key->Included, 0);
    EXPECT_EQ(value->Included, 0);

    FSettings.WriteBool("F_HKEY_CURRENT_USER", true);
    Off({"F_HKEY_LOCAL_MACHINE", "F_HKEY_CURRENT_USER", "F_HKEY_CLASSES_ROOT", "F_HKEY_USERS",
         "F_HKEY_CURRENT_CONFIG"});
    for (const TRegRoot root : kAllRoots) {
        Apply(root);
        EXPECT_EQ(key->Included, 0) << RootName(root);
        EXPECT_EQ(value->Included, 0) << RootName(root);
    }
}

TEST_F(ResultFilter, ModifiedFilesShowOnlyForASwitchedOnDifference) {
    TSession& s = FSession;
    const auto differ = [&s](const char* path, auto change) {
        const auto pair = s.ModifiedFile(path);
        change(*pair.second);
        return pair;
    };
    const auto digestOnly = differ("C:\\a", [&s](TFileScan& f) { f.Hash = s.ModifiedFilesAfter.Keep("AB"); });
    s.ModifiedFilesBefore.Record(0)->Hash = s.ModifiedFilesBefore.Keep("CD");
    const auto digestAfterNone = differ("C:\\b", [&s](TFileScan& f) { f.Hash = s.ModifiedFilesAfter.Keep(""); });
    s.ModifiedFilesBefore.Record(1)->Hash = s.ModifiedFilesBefore.Keep("CD");
    const auto sizeOnly = differ("C:\\c", [](TFileScan& f) { f.Size = 5; });
    const auto dateOnly = differ("C:\\d", [](TFileScan& f) { f.LastWrite = 7; });
    const auto attributesOnly = differ("C:\\e", [](TFileScan& f) { f.Attributes = 1; });
    const auto ignored = differ("C:\\Temp\\f", [](TFileScan& f) { f.Size = 5; });
    FIgnore.Directories = {"C:\\Temp"};

    Apply();
    ExpectFlags<TFileScan>({{"digest", digestOnly.first, 1},
                            {"digest after", digestOnly.second, 1},
                            {"digest missing after", digestAfterNone.first, 0},
                            {"digest missing after, after", digestAfterNone.second, 0},
                            {"size", sizeOnly.second, 1},
                            {"date", dateOnly.second, 1},
                            {"attributes", attributesOnly.second, 1},
                            {"ignored", ignored.first, 0}});

    Off({"F_FSSize", "F_FSContents", "F_FSDate", "F_FSAttribs"});
    Apply();
    for (std::size_t i = 0; i < s.ModifiedFilesAfter.Count(); ++i) {
        EXPECT_EQ(s.ModifiedFilesBefore.Record(i)->Included, 0) << s.ModifiedFilesBefore.Text(i);
        EXPECT_EQ(s.ModifiedFilesAfter.Record(i)->Included, 0) << s.ModifiedFilesAfter.Text(i);
    }
}

TEST_F(ResultFilter, NewAndDeletedFilesFollowTheirSwitchAndTheIgnoreLists) {
    FIgnore.Files = {"C:\\pagefile.sys"};
    FIgnore.Directories = {"C:\\Windows\\Prefetch"};
    TSession& s = FSession;
    TFileScan* deleted = s.File(s.FilesBefore, "C:\\old.txt");
    TFileScan* deletedIgnored = s.File(s.FilesBefore, "C:\\pagefile.sys");
    s.FilesBefore.Add("C:\\same.txt", nullptr);
    TFileScan* created = s.File(s.FilesAfter, "C:\\Windows\\PrefetchX\\");
    TFileScan* createdDir = s.File(s.FilesAfter, "C:\\Windows\\Prefetch\\");
    TFileScan* createdBelow = s.File(s.FilesAfter, "C:\\Windows\\Prefetch\\A.pf");

    Apply();
    ExpectFlags<TFileScan>({{"deleted", deleted, 1},
                            {"deleted, ignored file", deletedIgnored, 0},
                            {"sibling of ignored directory", created, 1},
                            {"ignored directory's own record", createdDir, 0},
                            {"below ignored directory", createdBelow, 0}});

    Off({"F_FSScanDeleted"});
    Apply();
    EXPECT_EQ(deleted->Included, 0);
    EXPECT_EQ(created->Included, 1);
}

TEST_F(ResultFilter, WatchEventsFollowTheirActionAndTheIgnoreListsShellEventsOnlyTheirKind) {
    FIgnore.Directories = {"C:\\Temp"};
    Off({"F_FSModified", "F_SHCNE_UPDATEITEM"});
    TSession& s = FSession;
    TFileWatchEvent* added = s.Watch(1, "C:\\Data\\a.txt");
    TFileWatchEvent* removed = s.Watch(2, "C:\\Data\\a.txt");
    TFileWatchEvent* modified = s.Watch(3, "C:\\Data\\a.txt");
    TFileWatchEvent* renamedOld = s.Watch(4, "C:\\Data\\a.txt");
    TFileWatchEvent* renamedNew = s.Watch(5, "C:\\Data\\b.txt");
    TFileWatchEvent* lost = s.Watch(0, "C:\\Data\\");
    TFileWatchEvent* lostIgnored = s.Watch(0, "C:\\Temp\\");
    TFileWatchEvent* addedIgnored = s.Watch(1, "C:\\Temp\\x.tmp");
    TShellEvent* shellCreate = s.Shell(0x00000002, "C:\\Temp\\x.tmp");
    TShellEvent* shellUpdate = s.Shell(0x00002000, "C:\\Data\\a.txt");
    TShellEvent* shellOther = s.Shell(0x40000000, "C:\\Data\\a.txt");
    shellOther->Included = 0;

    Apply();
    ExpectFlags<TFileWatchEvent>({{"added", added, 1},
                                  {"removed", removed, 1},
                                  {"modified, switched off", modified, 0},
                                  {"renamed old", renamedOld, 1},
                                  {"renamed new", renamedNew, 1},
                                  {"other action", lost, 1},
                                  {"other action, ignored path", lostIgnored, 0},
                                  {"added, ignored path", addedIgnored, 0}});
    ExpectFlags<TShellEvent>({{"shell event for an ignored path", shellCreate, 1},
                              {"kind switched off", shellUpdate, 0},
                              {"kind outside the table keeps its flag", shellOther, 0}});

    Off({"F_FSRenamed"});
    Apply();
    ExpectFlags<TFileWatchEvent>({{"renamed old, off", renamedOld, 0}, {"renamed new, off", renamedNew, 0}});
}

TEST_F(ResultFilter, WithNoSwitchStoredEveryResultShowsExceptWhatTheListsIgnore) {
    TSession& s = FSession;
    TKeyRecord* shown = s.Key(s.KeysAfter, "\\Software\\Shown\\");
    TKeyRecord* ignored = s.Key(s.KeysAfter, "\\Software\\Ignored\\");
    TFileWatchEvent* event = s.Watch(3, "C:\\Data\\a.txt");
    shown->Included = 0;
    TResultLists lists = s.Lists();
    TIgnoreMatcher::TLists ignore;
    ignore.Keys = {"HKCU\\Software\\Ignored"};
    ApplyResultFilter(FSettings, true, ignore, lists);
    EXPECT_EQ(shown->Included, 1);
    EXPECT_EQ(ignored->Included, 0);
    EXPECT_EQ(event->Included, 1);

    ApplyResultFilter(FSettings, false, {}, lists);
    EXPECT_EQ(event->Included, 0);
}

} // namespace
} // namespace quill
