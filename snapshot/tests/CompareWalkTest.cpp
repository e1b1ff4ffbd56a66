#include "snapshot/EnumRegistry.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr TRegRoot kRoot = TRegRoot::LocalMachine;

struct TLists {
    TKeyList KeysBefore = NewKeyList();
    TKeyList KeysAfter = NewKeyList();
    TValueList ValuesBefore = NewValueList();
    TValueList ValuesAfter = NewValueList();
    TKeyList ModifiedKeysBefore;
    TKeyList ModifiedKeysAfter;
    TValueList ModifiedValuesBefore;
    TValueList ModifiedValuesAfter;
    TCaptureNotes Notes;
};

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

std::vector<std::string> Shown(const TLists& lists) {
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

void Touch(TMemoryRegistry& registry, std::string_view path) {
    registry.Key(kRoot, path).LastWrite += 10000000;
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TMemoryRegistry SampleRegistry() {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "Software\\App", "Path", "C:\\App");
    registry.SetValue(kRoot, "Software\\App", "Count", kRegDword, {1, 0, 0, 0});
    registry.SetValue(kRoot, "Software\\App", "Blob", kRegBinary, {1, 0, 3});
    registry.SetString(kRoot, "Software\\App", "", "default");
    registry.SetString(kRoot, "Software\\App B", "Spaced", "sorts before App\\Sub");
    registry.SetString(kRoot, "Software\\App\\Sub", "Deep", "x");
    registry.SetString(kRoot, "Software\\\xF0\x9F\x93\xA6 Box", "\xF0\x9F\x94\x91", "non-BMP");
    registry.SetString(kRoot, "Zed", "last", "z");
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
             r.SetValue(kRoot, "Software\\App", "Blob", kRegNone, {1, 0, 3});
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
        const TFixedOffsetTime time;
        TMemoryRegistry registry = SampleRegistry();
        TLists whole;
        TLists walked;
        SnapshotRoot({}, registry, kRoot, time, whole.KeysBefore, whole.ValuesBefore, whole.Notes);
        SnapshotRoot({}, registry, kRoot, time, walked.KeysBefore, walked.ValuesBefore, walked.Notes);
        c.Change(registry);
        SnapshotRoot({}, registry, kRoot, time, whole.KeysAfter, whole.ValuesAfter, whole.Notes);
        CompareRoot({}, {}, whole.KeysBefore, whole.KeysAfter, whole.ValuesBefore, whole.ValuesAfter,
                    whole.ModifiedKeysBefore, whole.ModifiedKeysAfter, whole.ModifiedValuesBefore,
                    whole.ModifiedValuesAfter);
        SnapshotAndCompareRoot({}, registry, kRoot, time, walked.KeysBefore, walked.KeysAfter, walked.ValuesBefore,
                               walked.ValuesAfter, walked.ModifiedKeysBefore, walked.ModifiedKeysAfter,
                               walked.ModifiedValuesBefore, walked.ModifiedValuesAfter, walked.Notes);
        EXPECT_EQ(Shown(walked), Shown(whole));
    }
}

// The walk is counted as a snapshot is, and an error that ends it still
// leaves what was matched, with a note naming the key.
TEST(SnapshotAndCompareRoot, AnErrorThatEndsTheWalkKeepsWhatWasMatched) {
    const TFixedOffsetTime time;
    TMemoryRegistry registry = SampleRegistry();
    TLists lists;
    SnapshotRoot({}, registry, kRoot, time, lists.KeysBefore, lists.ValuesBefore, lists.Notes);
    registry.SetString(kRoot, "Aardvark", "New", "first");
    registry.OnEnumKey = [](TMemoryRegistry::TNode& key, std::uint32_t) {
        if (key.Path == "\\Software\\") {
            throw std::runtime_error("the registry went away");
        }
    };
    EXPECT_THROW(SnapshotAndCompareRoot({}, registry, kRoot, time, lists.KeysBefore, lists.KeysAfter,
                                        lists.ValuesBefore, lists.ValuesAfter, lists.ModifiedKeysBefore,
                                        lists.ModifiedKeysAfter, lists.ModifiedValuesBefore, lists.ModifiedValuesAfter,
                                        lists.Notes),
                 std::runtime_error);
    EXPECT_EQ(Shown(lists.KeysAfter), std::vector<std::string>{"\\Aardvark\\ " + Shown(*lists.KeysAfter.Record(0))});
    ASSERT_EQ(lists.Notes.Lines().size(), 1U);
    EXPECT_NE(lists.Notes.Lines()[0].find("\\Software\\ (the registry went away)"), std::string::npos)
        << lists.Notes.Lines()[0];
}

} // namespace
} // namespace quill
