#include "snapshot/EnumRegistry.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr TRegRoot kRoot = TRegRoot::LocalMachine;

// The eight lists of one root, filled from two states of a registry.
struct TRootLists {
    TKeyList KeysBefore = NewKeyList();
    TKeyList KeysAfter = NewKeyList();
    TValueList ValuesBefore = NewValueList();
    TValueList ValuesAfter = NewValueList();
    TKeyList ModifiedKeysBefore;
    TKeyList ModifiedKeysAfter;
    TValueList ModifiedValuesBefore;
    TValueList ModifiedValuesAfter;
    TCaptureNotes Notes;

    void Before(TMemoryRegistry& registry) {
        SnapshotRoot({}, registry, kRoot, FTime, KeysBefore, ValuesBefore, Notes);
    }
    void After(TMemoryRegistry& registry) { SnapshotRoot({}, registry, kRoot, FTime, KeysAfter, ValuesAfter, Notes); }
    // The after side, matched with the before lists as it is walked.
    void Walk(TMemoryRegistry& registry) {
        SnapshotAndCompareRoot({}, registry, kRoot, FTime, KeysBefore, KeysAfter, ValuesBefore, ValuesAfter,
                               ModifiedKeysBefore, ModifiedKeysAfter, ModifiedValuesBefore, ModifiedValuesAfter, Notes);
    }
    void Compare(const TProgressStart& start = {}, const TProgressStep& step = {}) {
        EXPECT_TRUE(CompareRoot(start, step, KeysBefore, KeysAfter, ValuesBefore, ValuesAfter, ModifiedKeysBefore,
                                ModifiedKeysAfter, ModifiedValuesBefore, ModifiedValuesAfter));
    }

private:
    TFixedOffsetTime FTime;
};

template <class TRecord> std::vector<std::string> Holding(const TRecordList<TRecord>& list) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        if (item.Record) {
            if constexpr (std::is_same_v<TRecord, TValueRecord>) {
                texts.push_back(item.Text + item.Record->Name);
            } else {
                texts.push_back(item.Text);
            }
        }
    }
    return texts;
}

void Touch(TMemoryRegistry& registry, std::string_view path) {
    registry.Key(kRoot, path).LastWrite += 10000000;
}

TMemoryRegistry SampleRegistry() {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "Software\\App", "Path", "C:\\App");
    registry.SetValue(kRoot, "Software\\App", "Count", kRegDword, {1, 0, 0, 0});
    registry.SetValue(kRoot, "Software\\App", "Blob", kRegBinary, {1, 2, 3});
    registry.SetString(kRoot, "Software\\Other", "", "default");
    registry.SetString(kRoot, "Zed", "last", "z");
    for (const char* path : {"", "Software", "Software\\App", "Software\\Other", "Zed"}) {
        registry.Key(kRoot, path).LastWrite = 100;
    }
    return registry;
}

TEST(CompareRoot, IdenticalSnapshotsLeaveNoChangesAndNoRecords) {
    TMemoryRegistry registry = SampleRegistry();
    TRootLists lists;
    lists.Before(registry);
    lists.After(registry);
    lists.Compare();
    EXPECT_THAT(Holding(lists.KeysBefore), IsEmpty());
    EXPECT_THAT(Holding(lists.KeysAfter), IsEmpty());
    EXPECT_THAT(Holding(lists.ValuesBefore), IsEmpty());
    EXPECT_THAT(Holding(lists.ValuesAfter), IsEmpty());
    EXPECT_TRUE(lists.ModifiedKeysBefore.Empty());
    EXPECT_TRUE(lists.ModifiedKeysAfter.Empty());
    EXPECT_TRUE(lists.ModifiedValuesBefore.Empty());
    EXPECT_TRUE(lists.ModifiedValuesAfter.Empty());
}

TEST(CompareRoot, AnUnchangedTimeStampHidesValueChangesOfItsKey) {
    TMemoryRegistry registry = SampleRegistry();
    TRootLists lists;
    lists.Before(registry);
    registry.SetString(kRoot, "Software\\App", "Path", "D:\\Moved");
    lists.After(registry);
    lists.Compare();
    EXPECT_TRUE(lists.ModifiedValuesBefore.Empty());
    EXPECT_THAT(Holding(lists.ValuesAfter), IsEmpty());
}

TEST(CompareRoot, ALastWriteChangeAloneIsAModifiedKeyWithoutValues) {
    TMemoryRegistry registry = SampleRegistry();
    TRootLists lists;
    lists.Before(registry);
    Touch(registry, "Software\\App");
    lists.After(registry);
    lists.Compare();
    EXPECT_THAT(Holding(lists.ModifiedKeysBefore), ElementsAre("\\Software\\App\\"));
    EXPECT_THAT(Holding(lists.ModifiedKeysAfter), ElementsAre("\\Software\\App\\"));
    EXPECT_LT(lists.ModifiedKeysBefore.Record(0)->LastWrite, lists.ModifiedKeysAfter.Record(0)->LastWrite);
    EXPECT_TRUE(lists.ModifiedValuesBefore.Empty());
    EXPECT_THAT(Holding(lists.ValuesBefore), IsEmpty());
    EXPECT_THAT(Holding(lists.ValuesAfter), IsEmpty());
    EXPECT_THAT(Holding(lists.KeysBefore), IsEmpty());
}

TEST(CompareRoot, FindsEachKindOfValueChange) {
    TMemoryRegistry registry = SampleRegistry();
    registry.SetString(kRoot, "Software\\App", "Case", "ABC");
    registry.SetString(kRoot, "Software\\App", "Renamed", "same");
    registry.SetString(kRoot, "Software\\App", "Gone", "x");
    TRootLists lists;
    lists.Before(registry);
    registry.SetString(kRoot, "Software\\App", "Case", "abc");
    registry.SetString(kRoot, "Software\\App", "Count", "1");
    registry.SetValue(kRoot, "Software\\App", "Blob", kRegBinary, {1, 2, 4});
    registry.DeleteValue(kRoot, "Software\\App", "Renamed");
    registry.SetString(kRoot, "Software\\App", "RENAMED", "same");
    registry.DeleteValue(kRoot, "Software\\App", "Gone");
    registry.SetString(kRoot, "Software\\App", "New", "n");
    Touch(registry, "Software\\App");
    lists.After(registry);
    lists.Compare();
    EXPECT_THAT(Holding(lists.ModifiedValuesBefore),
                ElementsAre("\\Software\\App\\Case", "\\Software\\App\\Blob", "\\Software\\App\\Count"));
    EXPECT_THAT(Holding(lists.ModifiedValuesAfter),
                ElementsAre("\\Software\\App\\Case", "\\Software\\App\\Blob", "\\Software\\App\\Count"));
    EXPECT_EQ(lists.ModifiedValuesAfter.Record(2)->DataType, dtString);
    EXPECT_THAT(Holding(lists.ValuesBefore), ElementsAre("\\Software\\App\\Gone"));
    EXPECT_THAT(Holding(lists.ValuesAfter), ElementsAre("\\Software\\App\\New"));
}

// One value of the key \K\ written before and after; Modified says whether the
// comparison must report it.
struct TValueChange {
    const char* Name;
    std::uint32_t TypeBefore;
    std::vector<std::uint8_t> Before;
    std::uint32_t TypeAfter;
    std::vector<std::uint8_t> After;
    bool Modified;
};

// Writes the values, snapshots, rewrites them, snapshots again under a new
// key time and compares; checks that exactly the expected values are
// modified.
void ExpectModified(const std::vector<TValueChange>& cases, TRootLists& lists) {
    TMemoryRegistry registry;
    for (const TValueChange& c : cases) {
        registry.SetValue(kRoot, "K", c.Name, c.TypeBefore, c.Before);
    }
    lists.Before(registry);
    std::vector<std::string> expected;
    for (const TValueChange& c : cases) {
        registry.SetValue(kRoot, "K", c.Name, c.TypeAfter, c.After);
        if (c.Modified) {
            expected.push_back(std::string("\\K\\") + c.Name);
        }
    }
    Touch(registry, "K");
    lists.After(registry);
    lists.Compare();
    std::vector<std::string> modified = Holding(lists.ModifiedValuesBefore);
    std::sort(modified.begin(), modified.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(modified, expected);
}

TEST(CompareRoot, ComparesRawBytesOfValuesWithoutAReadableForm) {
    const std::vector<TValueChange> cases = {
        {"same binary", kRegBinary, {1, 2, 3}, kRegBinary, {1, 2, 3}, false},
        {"last byte", kRegBinary, {1, 2, 3}, kRegBinary, {1, 2, 4}, true},
        {"longer", kRegBinary, {1, 2}, kRegBinary, {1, 2, 0}, true},
        {"both empty", kRegBinary, {}, kRegBinary, {}, false},
        {"odd dword", kRegDword, {1, 2}, kRegDword, {1, 3}, true},
        {"dword grew", kRegDword, {1, 0, 0, 0}, kRegDword, {1, 0, 0, 0, 0}, true},
        {"multi", kRegMultiSz, {'a', 0, 0, 0}, kRegMultiSz, {'b', 0, 0, 0}, true},
        {"same qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, false},
        {"text after the zero", kRegSz, {'a', 0, 0, 0, 'b', 0}, kRegSz, {'a', 0, 0, 0, 'c', 0}, false},
    };
    TRootLists lists;
    ExpectModified(cases, lists);
}

TEST(CompareRoot, ATypeChangeIsAModificationEvenWithTheSameBytes) {
    const std::vector<std::uint8_t> eight = {'a', 0, 0, 0, 0, 0, 0, 0};
    const std::vector<TValueChange> cases = {
        {"eight-byte dword became qword", kRegDword, eight, kRegQword, eight, true},
        {"qword became multi-string", kRegQword, eight, kRegMultiSz, eight, true},
        {"none became link", kRegNone, eight, kRegLink, eight, true},
        {"device property type changed", 0xFFFF0012, eight, 0xFFFF0013, eight, true},
        {"qword stayed qword", kRegQword, eight, kRegQword, eight, false},
    };
    TRootLists lists;
    ExpectModified(cases, lists);
    for (std::size_t k = 0; k < lists.ModifiedValuesBefore.Count(); ++k) {
        EXPECT_NE(lists.ModifiedValuesBefore.Record(k)->RegType, lists.ModifiedValuesAfter.Record(k)->RegType);
    }
}

TEST(CompareRoot, ADeletedKeyKeepsItsValuesAsDeletedAndACreatedOneItsValuesAsCreated) {
    TMemoryRegistry registry = SampleRegistry();
    TRootLists lists;
    lists.Before(registry);
    registry.DeleteKey(kRoot, "Software\\App");
    registry.SetString(kRoot, "Software\\New", "v", "1");
    Touch(registry, "Software");
    lists.After(registry);
    lists.Compare();
    EXPECT_THAT(Holding(lists.KeysBefore), ElementsAre("\\Software\\App\\"));
    EXPECT_THAT(Holding(lists.ValuesBefore),
                ElementsAre("\\Software\\App\\Blob", "\\Software\\App\\Count", "\\Software\\App\\Path"));
    EXPECT_THAT(Holding(lists.KeysAfter), ElementsAre("\\Software\\New\\"));
    EXPECT_THAT(Holding(lists.ValuesAfter), ElementsAre("\\Software\\New\\v"));
    EXPECT_THAT(Holding(lists.ModifiedKeysBefore), ElementsAre("\\Software\\"));
}

TEST(CompareRoot, AValueDeletedUnderTheLastKeyPathIsDeleted) {
    TMemoryRegistry registry = SampleRegistry();
    registry.SetString(kRoot, "Zed", "also", "a");
    TRootLists lists;
    lists.Before(registry);
    registry.DeleteValue(kRoot, "Zed", "last");
    Touch(registry, "Zed");
    lists.After(registry);
    lists.Compare();
    EXPECT_THAT(Holding(lists.ValuesBefore), ElementsAre("\\Zed\\last"));
    EXPECT_THAT(Holding(lists.ValuesAfter), IsEmpty());
    EXPECT_TRUE(lists.ModifiedValuesBefore.Empty());
}

TEST(CompareRoot, AKeyRenamedOnlyInCaseIsOneKeyAndTheAfterSpellingIsKept) {
    TRootLists lists;
    lists.KeysBefore.Append("\\soft\\", std::make_unique<TKeyRecord>(TKeyRecord{1.0, 1}));
    lists.KeysAfter.Append("\\SOFT\\", std::make_unique<TKeyRecord>(TKeyRecord{2.0, 1}));
    lists.Compare();
    EXPECT_THAT(Holding(lists.ModifiedKeysBefore), ElementsAre("\\soft\\"));
    EXPECT_THAT(Holding(lists.ModifiedKeysAfter), ElementsAre("\\SOFT\\"));
}

TEST(CompareRoot, MatchesAKeyWithManyValuesByNameWhateverTheirOrder) {
    TMemoryRegistry registry;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) {
        names.push_back("Value" + std::to_string(i));
    }
    std::mt19937 random(7);
    std::shuffle(names.begin(), names.end(), random);
    for (const std::string& name : names) {
        registry.SetString(kRoot, "Big", name, name);
    }
    TRootLists lists;
    lists.Before(registry);
    std::vector<std::string> beforeOrder;
    for (const auto& item : lists.ValuesBefore) {
        beforeOrder.push_back(item.Record->Name);
    }
    std::shuffle(names.begin(), names.end(), random);
    registry.Key(kRoot, "Big").Values.clear();
    for (const std::string& name : names) {
        // Names change in case only; three values change data, one goes and
        // one comes.
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return static_cast<char>(toupper(c)); });
        if (name == "Value7") {
            continue;
        }
        const bool changed = name == "Value1" || name == "Value50" || name == "Value199";
        registry.SetString(kRoot, "Big", upper, changed ? "changed" : name);
    }
    registry.SetString(kRoot, "Big", "Value200", "new");
    Touch(registry, "Big");
    lists.After(registry);
    lists.Compare();
    std::vector<std::string> modified = Holding(lists.ModifiedValuesBefore);
    std::sort(modified.begin(), modified.end());
    EXPECT_THAT(modified, ElementsAre("\\Big\\Value1", "\\Big\\Value199", "\\Big\\Value50"));
    // Pairs stand at equal indexes and follow the order of the before list.
    std::vector<std::string> expected;
    for (const std::string& name : beforeOrder) {
        if (name == "Value1" || name == "Value50" || name == "Value199") {
            expected.push_back(name);
        }
    }
    ASSERT_EQ(lists.ModifiedValuesAfter.Count(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(lists.ModifiedValuesBefore.Record(k)->Name, expected[k]);
        EXPECT_TRUE(SameText(lists.ModifiedValuesAfter.Record(k)->Name, expected[k]));
        EXPECT_EQ(std::get<TText>(lists.ModifiedValuesAfter.Record(k)->Data), "changed");
    }
    EXPECT_THAT(Holding(lists.ValuesBefore), ElementsAre("\\Big\\Value7"));
    EXPECT_THAT(Holding(lists.ValuesAfter), ElementsAre("\\Big\\Value200"));
}

TEST(CompareRoot, DriveTheProgressWithCaptionsAndAStepEveryTenThousandItems) {
    TRootLists lists;
    for (int i = 0; i < 20001; ++i) {
        lists.KeysBefore.Append("\\K" + std::to_string(i) + "\\", std::make_unique<TKeyRecord>());
    }
    lists.KeysBefore.SortAppended();
    std::vector<std::string> calls;
    const TProgressStart start = [&](int minimum, int maximum, int step, int position, const std::string& caption) {
        calls.push_back(caption + std::to_string(minimum) + "," + std::to_string(maximum) + "," + std::to_string(step) +
                        "," + std::to_string(position));
    };
    const TProgressStep step = [&] { calls.push_back("step"); };
    lists.Compare(start, step);
    EXPECT_THAT(calls, ElementsAre("Keys:0,20000,10000,0", "step", "step", "step", "Values:0,-1,10000,0"));
    EXPECT_EQ(Holding(lists.KeysBefore).size(), 20001u);
}

TEST(CompareRoot, StepsThroughValuesIncludingThoseWithoutRecords) {
    TRootLists lists;
    for (int i = 0; i < 10001; ++i) {
        lists.ValuesBefore.Append("\\K\\", std::make_unique<TValueRecord>());
    }
    lists.ValuesBefore.Detach(0);
    int steps = 0;
    lists.Compare({}, [&] { ++steps; });
    EXPECT_EQ(steps, 2);
}

TEST(DropKeyValues, ReleasesTheRecordsOfOneKeyPathOnly) {
    TValueList values = NewValueList();
    for (const char* path : {"\\A\\", "\\B\\", "\\b\\", "\\B\\C\\", "\\C\\"}) {
        values.Append(path, std::make_unique<TValueRecord>());
    }
    values.SortAppended();
    DropKeyValues("\\B\\", values);
    EXPECT_THAT(Holding(values), ElementsAre("\\A\\", "\\B\\C\\", "\\C\\"));
    DropKeyValues("\\C\\", values);
    DropKeyValues("\\Missing\\", values);
    EXPECT_THAT(Holding(values), ElementsAre("\\A\\", "\\B\\C\\"));
}

std::string Shown(const TKeyRecord& key) {
    return std::to_string(key.LastWrite);
}

std::string Shown(const TValueRecord& value) {
    std::string data;
    if (const TText* text = std::get_if<TText>(&value.Data)) {
        data = *text;
    } else if (const std::int32_t* number = std::get_if<std::int32_t>(&value.Data)) {
        data = std::to_string(*number);
    }
    if (value.Buffer != nullptr) {
        data.append(reinterpret_cast<const char*>(value.Buffer), static_cast<std::size_t>(value.DataSize));
    }
    return std::string(value.Name) + "=" + std::to_string(value.RegType) + ":" + std::to_string(value.DataSize) + ":" +
           data;
}

// Every item a list holds, in its order, with what its record says.
template <class TRecord> std::vector<std::string> Shown(const TRecordList<TRecord>& list) {
    std::vector<std::string> shown;
    for (const auto& item : list) {
        shown.push_back(std::string(item.Text) + (item.Record ? " " + Shown(*item.Record) : " -"));
    }
    return shown;
}

std::vector<std::string> Shown(const TRootLists& lists) {
    std::vector<std::string> shown;
    const auto add = [&](const char* name, std::vector<std::string> items) {
        for (std::string& item : items) {
            shown.push_back(std::string(name) + " " + item);
        }
    };
    add("KB", Shown(lists.KeysBefore));
    add("KA", Shown(lists.KeysAfter));
    add("VB", Shown(lists.ValuesBefore));
    add("VA", Shown(lists.ValuesAfter));
    add("MKB", Shown(lists.ModifiedKeysBefore));
    add("MKA", Shown(lists.ModifiedKeysAfter));
    add("MVB", Shown(lists.ModifiedValuesBefore));
    add("MVA", Shown(lists.ModifiedValuesAfter));
    for (const std::string& line : lists.Notes.Lines()) {
        shown.push_back("note " + line);
    }
    return shown;
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A registry with the edges a walk meets: keys around the depth-first order,
// non-BMP names, and a key with many values of repeated names.
TMemoryRegistry EdgeRegistry() {
    TMemoryRegistry registry = SampleRegistry();
    registry.SetString(kRoot, "Software\\App", "", "default");
    registry.SetString(kRoot, "Software\\App B", "Spaced", "sorts before App\\Sub");
    registry.SetString(kRoot, "Software\\App\\Sub", "Deep", "x");
    registry.SetString(kRoot, "Software\\\xF0\x9F\x93\xA6 Box", "\xF0\x9F\x94\x91", "non-BMP");
    // Ten names twice, the second time in capitals: a registry that changes
    // while it is read can list one name twice.
    TMemoryRegistry::TNode& many = registry.Key(kRoot, "Many");
    for (int i = 0; i < 40; ++i) {
        const std::string name = (i < 30 ? "Name" : "NAME") + std::to_string(i % 30);
        many.Values.push_back({name, kRegSz, EncodeRegString(std::to_string(i))});
    }
    return registry;
}

struct TCase {
    const char* Name;
    std::function<void(TMemoryRegistry&)> Change;
};

// Each change between two snapshots of the same registry, matched while the
// second is walked, leaves the lists and notes exactly as two whole
// snapshots matched afterwards do.
TEST(SnapshotAndCompareRoot, EndsAsTwoSnapshotsAndCompareRootEnd) {
    const TCase cases[] = {
        {"nothing", [](TMemoryRegistry&) {}},
        {"an unchanged time stamp hides a value change",
         [](TMemoryRegistry& r) { r.SetString(kRoot, "Software\\App", "Path", "D:\\"); }},
        {"a time stamp alone", [](TMemoryRegistry& r) { Touch(r, "Software\\App"); }},
        {"each kind of value change",
         [](TMemoryRegistry& r) {
             r.SetString(kRoot, "Software\\App", "Path", "c:\\app");
             r.SetString(kRoot, "Software\\App", "Count", "1");
             r.SetValue(kRoot, "Software\\App", "Blob", kRegBinary, {1, 0, 4});
             r.SetValue(kRoot, "Software\\App", "", kRegSz, Bytes(std::string_view("a\0b\0\0", 5)));
             r.DeleteValue(kRoot, "Software\\App", "Path");
             r.SetString(kRoot, "Software\\App", "PATH", "C:\\App");
             r.SetValue(kRoot, "Software\\App", "Empty", kRegBinary, {});
             Touch(r, "Software\\App");
         }},
        {"a type change with the same bytes",
         [](TMemoryRegistry& r) {
             r.SetValue(kRoot, "Software\\App", "Blob", kRegNone, {1, 2, 3});
             Touch(r, "Software\\App");
         }},
        {"keys deleted and created around the depth-first order",
         [](TMemoryRegistry& r) {
             r.DeleteKey(kRoot, "Software\\App\\Sub");
             r.SetString(kRoot, "Software\\App\\Sub2", "New", "y");
             r.SetString(kRoot, "Software\\App A", "New", "z");
             r.SetString(kRoot, "Aardvark\\Deeper\\Deepest", "", "first");
             r.DeleteKey(kRoot, "Zed");
         }},
        {"a key renamed in case only",
         [](TMemoryRegistry& r) {
             r.DeleteKey(kRoot, "Zed");
             r.SetString(kRoot, "ZED", "last", "Z");
             r.Key(kRoot, "ZED").LastWrite = 5;
         }},
        {"a key with many values, some of one name in case",
         [](TMemoryRegistry& r) {
             std::vector<TRegValue>& values = r.Key(kRoot, "Many").Values;
             std::reverse(values.begin(), values.end());
             for (const int i : {2, 15, 28, 33}) {
                 values[static_cast<std::size_t>(i)].Data = EncodeRegString("changed");
             }
             values.erase(values.begin() + 7);
             values.push_back({"Name40", kRegSz, EncodeRegString("new")});
             Touch(r, "Many");
         }},
        {"non-BMP names change",
         [](TMemoryRegistry& r) {
             r.SetString(kRoot, "Software\\\xF0\x9F\x93\xA6 Box", "\xF0\x9F\x94\x91", "other");
             r.SetString(kRoot, "Software\\\xF0\x9F\x93\xA6 Box\\\xF0\x9F\x90\x8D", "\xF0\x9F\x90\x8D", "new");
             Touch(r, "Software\\\xF0\x9F\x93\xA6 Box");
         }},
        {"a key the after walk may not read",
         [](TMemoryRegistry& r) {
             r.DenyAccess(kRoot, "Software\\App");
             Touch(r, "Software");
         }},
        {"every key gone", [](TMemoryRegistry& r) { r.DeleteKey(kRoot, "Software"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryRegistry registry = EdgeRegistry();
        TRootLists whole;
        TRootLists walked;
        whole.Before(registry);
        walked.Before(registry);
        c.Change(registry);
        whole.After(registry);
        whole.Compare();
        walked.Walk(registry);
        EXPECT_EQ(Shown(walked), Shown(whole));
    }
}

// The walk is counted as a snapshot is, and an error that ends it still
// leaves what was matched, with a note naming the key.
TEST(SnapshotAndCompareRoot, AnErrorThatEndsTheWalkKeepsWhatWasMatched) {
    TMemoryRegistry registry = EdgeRegistry();
    TRootLists lists;
    lists.Before(registry);
    registry.SetString(kRoot, "Aardvark", "New", "first");
    registry.OnEnumKey = [](TMemoryRegistry::TNode& key, std::uint32_t) {
        if (key.Path == "\\Software\\") {
            throw std::runtime_error("the registry went away");
        }
    };
    EXPECT_THROW(lists.Walk(registry), std::runtime_error);
    EXPECT_EQ(Shown(lists.KeysAfter), std::vector<std::string>{"\\Aardvark\\ " + Shown(*lists.KeysAfter.Record(0))});
    ASSERT_EQ(lists.Notes.Lines().size(), 1U);
    EXPECT_NE(lists.Notes.Lines()[0].find("\\Software\\ (the registry went away)"), std::string::npos)
        << lists.Notes.Lines()[0];
}

} // namespace
} // namespace quill
