#include "snapshot/EnumRegistry.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr TRegRoot kRoot = TRegRoot::CurrentUser;
// Device properties are stored under types of their own, far above the
// numbered registry types.
constexpr std::uint32_t kDevicePropertyString = 0xFFFF0012;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> bytes) {
    std::vector<std::uint8_t> data;
    for (const int b : bytes) {
        data.push_back(static_cast<std::uint8_t>(b));
    }
    return data;
}

std::vector<std::uint8_t> BufferOf(const TValueRecord& record) {
    if (record.Buffer == nullptr) {
        return {};
    }
    return {record.Buffer, record.Buffer + record.DataSize};
}

// A value's data as a test states it.
using TDataForm = std::variant<std::monostate, std::string, std::int32_t>;

TDataForm DataOf(const TValueRecord& record) {
    if (const auto* text = std::get_if<TText>(&record.Data)) {
        return std::string(*text);
    }
    if (const auto* number = std::get_if<std::int32_t>(&record.Data)) {
        return *number;
    }
    return {};
}

struct TSnapshot {
    TKeyList Keys = NewKeyList();
    TValueList Values = NewValueList();
    TCaptureNotes Notes;

    std::vector<std::string> KeyPaths() const {
        std::vector<std::string> paths;
        for (const auto& item : Keys) {
            paths.push_back(item.Text);
        }
        return paths;
    }
    std::vector<std::string> ValueNames() const {
        std::vector<std::string> names;
        for (const auto& item : Values) {
            names.push_back(item.Text + item.Record->Name);
        }
        return names;
    }
    const TValueRecord& Value(std::string_view keyPath, std::string_view name) const {
        std::size_t index = 0;
        if (Values.Find(keyPath, index)) {
            for (; index < Values.Count() && SameText(Values.Text(index), keyPath); ++index) {
                if (Values.Record(index)->Name == name) {
                    return *Values.Record(index);
                }
            }
        }
        throw std::runtime_error("no value " + std::string(keyPath) + std::string(name));
    }
};

TSnapshot Take(TMemoryRegistry& registry, const TShowCount& onProgress = {}, TRegRoot root = kRoot) {
    TSnapshot snapshot;
    const TFixedOffsetTime localTime;
    SnapshotRoot(onProgress, registry, root, localTime, snapshot.Keys, snapshot.Values, snapshot.Notes);
    return snapshot;
}

TEST(SnapshotRoot, RecordsEveryKeyPathWithBackslashesAroundItFromTheRootOn) {
    TMemoryRegistry registry;
    registry.Key(kRoot, "Software\\Classes");
    registry.Key(kRoot, "Software\\A B");
    registry.Key(kRoot, "Environment");
    registry.Key(kRoot, "Software\\\xF0\x9F\x98\x80 Emoji");
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\Environment\\", "\\Software\\", "\\Software\\A B\\",
                                                 "\\Software\\Classes\\", "\\Software\\\xF0\x9F\x98\x80 Emoji\\"));
    EXPECT_TRUE(snapshot.Values.Empty());
    EXPECT_TRUE(snapshot.Notes.Empty());
    for (const auto& item : snapshot.Keys) {
        EXPECT_EQ(item.Record->Included, 1);
    }
}

TEST(SnapshotRoot, KeepsPathsLongerThanTheOldPathLimit) {
    TMemoryRegistry registry;
    std::string path;
    for (int level = 0; level < 30; ++level) {
        path += "Level" + std::to_string(level) + "-abcdefghij\\";
    }
    registry.SetString(kRoot, path, "deep", "x");
    const TSnapshot snapshot = Take(registry);
    ASSERT_GT(path.size(), 260u);
    EXPECT_EQ(snapshot.Keys.Count(), 31u);
    EXPECT_EQ(DataOf(snapshot.Value("\\" + path, "deep")), TDataForm(std::string("x")));
}

TEST(SnapshotRoot, MapsEachRegistryTypeToItsDataForm) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "K", "", "default");
    registry.SetValue(kRoot, "K", "zero inside", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
    registry.SetValue(kRoot, "K", "expand", kRegExpandSz, EncodeRegString("%TEMP%\\x"));
    registry.SetValue(kRoot, "K", "unterminated", kRegSz, Bytes({'o', 0, 'k', 0}));
    registry.SetValue(kRoot, "K", "minus one", kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    registry.SetValue(kRoot, "K", "dword", kRegDword, Bytes({0x78, 0x56, 0x34, 0x12}));
    registry.SetValue(kRoot, "K", "short dword", kRegDword, Bytes({1, 2}));
    registry.SetValue(kRoot, "K", "long dword", kRegDword, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    registry.SetValue(kRoot, "K", "multi", kRegMultiSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    registry.SetValue(kRoot, "K", "qword", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
    registry.SetValue(kRoot, "K", "big endian", kRegDwordBigEndian, Bytes({0, 0, 0, 1}));
    registry.SetValue(kRoot, "K", "none", kRegNone, {});
    registry.SetValue(kRoot, "K", "binary", kRegBinary, Bytes({0, 1, 0}));
    registry.SetValue(kRoot, "K", "empty binary", kRegBinary, {});
    registry.SetValue(kRoot, "K", "empty string", kRegSz, {});
    registry.SetValue(kRoot, "K", "device property", kDevicePropertyString, Bytes({'x', 0, 0, 0}));
    const TSnapshot snapshot = Take(registry);

    struct TCase {
        const char* Name;
        std::uint32_t RegType;
        TDataType Type;
        std::int32_t Size;
        TDataForm Data;
        std::vector<std::uint8_t> Buffer;
    };
    const TCase cases[] = {
        {"", kRegSz, dtString, 16, std::string("default"), {}},
        {"zero inside", kRegSz, dtString, 8, std::string("a"), Bytes({'a', 0, 0, 0, 'b', 0, 0, 0})},
        {"expand", kRegExpandSz, dtExpandString, 18, std::string("%TEMP%\\x"), {}},
        {"unterminated", kRegSz, dtString, 4, std::string("ok"), Bytes({'o', 0, 'k', 0})},
        {"minus one", kRegDword, dtInteger, 4, std::int32_t{-1}, {}},
        {"dword", kRegDword, dtInteger, 4, std::int32_t{0x12345678}, {}},
        {"short dword", kRegDword, dtUnknown, 2, {}, Bytes({1, 2})},
        {"long dword", kRegDword, dtUnknown, 8, {}, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {"multi", kRegMultiSz, dtUnknown, 10, {}, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0})},
        {"qword", kRegQword, dtUnknown, 8, {}, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
        {"big endian", kRegDwordBigEndian, dtUnknown, 4, {}, Bytes({0, 0, 0, 1})},
        {"none", kRegNone, dtUnknown, 0, {}, {}},
        {"binary", kRegBinary, dtBinary, 3, {}, Bytes({0, 1, 0})},
        {"empty binary", kRegBinary, dtBinary, 0, {}, {}},
        {"empty string", kRegSz, dtString, 0, std::string(), {}},
        {"device property", kDevicePropertyString, dtUnknown, 4, {}, Bytes({'x', 0, 0, 0})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TValueRecord& record = snapshot.Value("\\K\\", c.Name);
        EXPECT_EQ(record.RegType, c.RegType);
        EXPECT_EQ(record.DataType, c.Type);
        EXPECT_EQ(record.DataSize, c.Size);
        EXPECT_EQ(DataOf(record), c.Data);
        EXPECT_EQ(BufferOf(record), c.Buffer);
        EXPECT_EQ(record.Buffer != nullptr, !c.Buffer.empty());
        EXPECT_EQ(record.Included, 1);
    }
}

TEST(SnapshotRoot, AKeyWithoutADefaultValueHasNoRecordForIt) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "K", "named", "1");
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\K\\named"));
}

TEST(SnapshotRoot, FilesTheValuesOfAKeyInReverseRegistryOrderUnderItsPath) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "K", "a", "1");
    registry.SetString(kRoot, "K", "b", "2");
    registry.SetString(kRoot, "K", "c", "3");
    registry.SetString(kRoot, "K\\Sub", "x", "4");
    registry.SetString(kRoot, "", "top", "5");
    registry.SetString(kRoot, "j", "y", "6");
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\top", "\\j\\y", "\\K\\c", "\\K\\b", "\\K\\a", "\\K\\Sub\\x"));
}

TEST(SnapshotRoot, ConvertsTheLastWriteTimeToLocalTimeOrRecordsOneWhenItCannot) {
    TMemoryRegistry registry;
    // 2020-01-01 00:00 UTC.
    registry.Key(kRoot, "Known").LastWrite = 132223104000000000;
    registry.Key(kRoot, "Early").LastWrite = 0;
    TSnapshot snapshot;
    const TFixedOffsetTime plusTwoHours(120);
    SnapshotRoot({}, registry, kRoot, plusTwoHours, snapshot.Keys, snapshot.Values, snapshot.Notes);
    std::size_t index = 0;
    ASSERT_TRUE(snapshot.Keys.Find("\\Known\\", index));
    EXPECT_DOUBLE_EQ(snapshot.Keys.Record(index)->LastWrite, 43831.0 + 2.0 / 24);

    TSnapshot minus;
    const TFixedOffsetTime minusOneHour(-60);
    SnapshotRoot({}, registry, kRoot, minusOneHour, minus.Keys, minus.Values, minus.Notes);
    ASSERT_TRUE(minus.Keys.Find("\\Early\\", index));
    EXPECT_EQ(minus.Keys.Record(index)->LastWrite, kUnknownDateTime);
}

TEST(SnapshotRoot, ReportsProgressAtEveryThousandthKeyAndStartsAgainForEachRoot) {
    TMemoryRegistry registry;
    for (int i = 1; i < 2500; ++i) {
        registry.Key(TRegRoot::LocalMachine, "K" + std::to_string(i / 50) + "\\S" + std::to_string(i));
    }
    for (int i = 1; i < 1000; ++i) {
        registry.Key(TRegRoot::Users, "U" + std::to_string(i));
    }
    std::vector<std::int64_t> calls;
    const TShowCount onProgress = [&](std::int64_t count) { calls.push_back(count); };
    const TSnapshot machine = Take(registry, onProgress, TRegRoot::LocalMachine);
    EXPECT_EQ(machine.Keys.Count(), 2500u + 50u);
    EXPECT_THAT(calls, ElementsAre(1000, 2000));
    calls.clear();
    const TSnapshot users = Take(registry, onProgress, TRegRoot::Users);
    EXPECT_THAT(calls, ElementsAre(1000));
    EXPECT_NO_THROW(Take(registry, {}, TRegRoot::Users));
}

TEST(SnapshotRoot, KeepsWhatWasReadWhenAnErrorEndsTheWalk) {
    TMemoryRegistry registry;
    for (int i = 1; i < 2500; ++i) {
        registry.SetString(kRoot, "K" + std::to_string(i / 50) + "\\S" + std::to_string(i), "v", std::to_string(i));
    }
    const TShowCount cancelAtTheThousandth = [](std::int64_t count) {
        if (count == 1000) {
            throw std::runtime_error("cancelled");
        }
    };
    TSnapshot snapshot;
    const TFixedOffsetTime localTime;
    EXPECT_THROW(
        SnapshotRoot(cancelAtTheThousandth, registry, kRoot, localTime, snapshot.Keys, snapshot.Values, snapshot.Notes),
        std::runtime_error);

    // Every key before the thousandth, with its values, in the lists' order.
    const std::vector<std::string> keys = snapshot.KeyPaths();
    EXPECT_EQ(keys.size(), 999u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(),
                               [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }));
    std::size_t leaves = 0;
    for (const std::string& path : keys) {
        std::size_t index = 0;
        EXPECT_TRUE(snapshot.Keys.Find(path, index)) << path;
        const std::size_t leaf = path.find("\\S");
        if (leaf != std::string::npos) {
            ++leaves;
            const std::string number = path.substr(leaf + 2, path.size() - leaf - 3);
            EXPECT_EQ(DataOf(snapshot.Value(path, "v")), TDataForm(number)) << path;
        }
    }
    EXPECT_EQ(snapshot.Values.Count(), leaves);
    EXPECT_GT(leaves, 900u);
    const std::vector<std::string> notes = snapshot.Notes.Lines();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_THAT(notes[0], StartsWith("HKEY_CURRENT_USER: walk ended by an error, the rest of the root left out: \\K"));
    EXPECT_THAT(notes[0], EndsWith(" (cancelled)"));
}

TEST(SnapshotRoot, OpensEachKeyFromItsParentWithOneRequestPerKeyValueAndSubkey) {
    TMemoryRegistry registry;
    std::size_t keys = 1;
    std::size_t values = 0;
    for (int a = 0; a < 5; ++a) {
        for (int b = 0; b < 4; ++b) {
            const std::string path = "A" + std::to_string(a) + "\\B" + std::to_string(b);
            registry.SetString(kRoot, path, "v", "x");
            registry.SetString(kRoot, path, "w", "y");
            values += 2;
        }
    }
    keys += 5 + 20;
    const std::uint64_t before = registry.Requests();
    const TSnapshot snapshot = Take(registry);
    ASSERT_EQ(snapshot.Keys.Count(), keys);
    ASSERT_EQ(snapshot.Values.Count(), values);
    // Per key: its open and its information; then one request per subkey name
    // and one per value with its data.
    EXPECT_EQ(registry.Requests() - before, 2 * keys + (keys - 1) + values);
}

TEST(SnapshotRoot, LeavesOutADeniedKeyWithItsSubtreeAndSaysSo) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "Open", "v", "1");
    registry.SetString(kRoot, "Secret\\Below", "v", "2");
    registry.DenyAccess(kRoot, "Secret");
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\Open\\"));
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\Open\\v"));
    ASSERT_EQ(snapshot.Notes.Lines().size(), 1u);
    EXPECT_EQ(snapshot.Notes.Lines()[0],
              "HKEY_CURRENT_USER: keys left out with their subkeys, access denied: \\Secret\\");
}

TEST(SnapshotRoot, NotesADeniedRootAndRecordsNothing) {
    TMemoryRegistry registry;
    registry.FailEverything(true);
    const TSnapshot snapshot = Take(registry);
    EXPECT_TRUE(snapshot.Keys.Empty());
    ASSERT_EQ(snapshot.Notes.Lines().size(), 1u);
    EXPECT_THAT(snapshot.Notes.Lines()[0], HasSubstr("access denied: \\"));
}

// One entry deleted by another program while the walk lists a key: at the
// n-th listing request on that key, counted over all its listings.
struct TDeletion {
    int Request;
    const char* Name;
};

// Counts the listing requests on the key at path and deletes each entry at
// its request through deleteOne.
template <class TDelete>
TMemoryRegistry::TEnumHook DeleteWhileListed(std::string path, std::vector<TDeletion> deletions, TDelete deleteOne) {
    return [path, deletions, deleteOne, requests = 0](TMemoryRegistry::TNode& key, std::uint32_t) mutable {
        if (key.Path != path) {
            return;
        }
        ++requests;
        for (const TDeletion& deletion : deletions) {
            if (deletion.Request == requests) {
                deleteOne(deletion.Name);
            }
        }
    };
}

void DeleteSubkeysWhileListed(TMemoryRegistry& registry, std::string path, std::vector<TDeletion> deletions) {
    registry.OnEnumKey = DeleteWhileListed(
        path, std::move(deletions), [&registry, path](const char* name) { registry.DeleteKey(kRoot, path + name); });
}

void DeleteValuesWhileListed(TMemoryRegistry& registry, std::string path, std::vector<TDeletion> deletions) {
    registry.OnEnumValue = DeleteWhileListed(
        path, std::move(deletions), [&registry, path](const char* name) { registry.DeleteValue(kRoot, path, name); });
}

TEST(SnapshotRoot, WalksEverySubkeyThatSurvivesTheDeletionOfASiblingDuringTheListing) {
    const std::string stillChanging =
        "HKEY_CURRENT_USER: subkeys still changing when listed again, some may be missing: \\";
    struct TCase {
        const char* Name;
        std::vector<TDeletion> Deletions;
        std::vector<std::string> Survivors;
        std::vector<std::string> Notes;
    };
    const TCase cases[] = {
        {"a subkey already listed", {{2, "A"}}, {"B", "C", "D"}, {}},
        {"a subkey not listed yet", {{2, "C"}}, {"A", "B", "D"}, {}},
        {"the last subkey, at its turn", {{4, "D"}}, {"A", "B", "C"}, {}},
        {"one subkey in each listing", {{2, "A"}, {6, "B"}}, {"C", "D"}, {stillChanging}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryRegistry registry;
        for (const char* name : {"A", "B", "C", "D"}) {
            registry.SetString(kRoot, name, "v", "1");
            registry.SetString(kRoot, std::string(name) + "\\Sub", "w", "2");
        }
        DeleteSubkeysWhileListed(registry, "\\", c.Deletions);
        const TSnapshot snapshot = Take(registry);
        std::vector<std::string> keys = {"\\"};
        std::vector<std::string> values;
        for (const std::string& name : c.Survivors) {
            keys.push_back("\\" + name + "\\");
            keys.push_back("\\" + name + "\\Sub\\");
            values.push_back("\\" + name + "\\v");
            values.push_back("\\" + name + "\\Sub\\w");
        }
        EXPECT_EQ(snapshot.KeyPaths(), keys);
        EXPECT_EQ(snapshot.ValueNames(), values);
        EXPECT_EQ(snapshot.Notes.Lines(), c.Notes);
    }
}

TEST(SnapshotRoot, KeepsEveryValueThatSurvivesTheDeletionOfAnotherDuringTheListing) {
    const std::string deleted = "HKEY_CURRENT_USER: values deleted while their key was read: \\K\\";
    const std::string stillChanging =
        "HKEY_CURRENT_USER: values still changing when listed again, some may be missing: \\K\\";
    struct TCase {
        const char* Name;
        std::vector<TDeletion> Deletions;
        std::vector<std::string> Values;
        std::vector<std::string> Notes;
    };
    const TCase cases[] = {
        {"a value already read", {{2, "v0"}}, {"v1", "v2", "v3", "v4"}, {deleted}},
        {"a value not read yet", {{2, "v3"}}, {"v0", "v1", "v2", "v4"}, {deleted}},
        {"the last value, at its turn", {{5, "v4"}}, {"v0", "v1", "v2", "v3"}, {deleted}},
        // What was read and then deleted stays: it was there while the walk
        // ran, and the value that moved past the first listing is kept.
        {"one value in each listing", {{2, "v0"}, {7, "v1"}}, {"v0", "v1", "v2", "v3", "v4"}, {stillChanging}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryRegistry registry;
        for (const char* name : {"v0", "v1", "v2", "v3", "v4"}) {
            registry.SetString(kRoot, "K", name, name);
        }
        registry.SetString(kRoot, "K\\Sub", "w", "sub");
        registry.SetString(kRoot, "L", "x", "sibling");
        DeleteValuesWhileListed(registry, "\\K\\", c.Deletions);
        const TSnapshot snapshot = Take(registry);
        EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\K\\", "\\K\\Sub\\", "\\L\\"));
        std::vector<std::string> values;
        for (const auto& item : snapshot.Values) {
            if (item.Text == "\\K\\") {
                values.push_back(item.Record->Name);
                EXPECT_EQ(DataOf(*item.Record), TDataForm(std::string(item.Record->Name)));
            }
        }
        std::sort(values.begin(), values.end());
        EXPECT_EQ(values, c.Values);
        EXPECT_EQ(DataOf(snapshot.Value("\\K\\Sub\\", "w")), TDataForm(std::string("sub")));
        EXPECT_EQ(DataOf(snapshot.Value("\\L\\", "x")), TDataForm(std::string("sibling")));
        EXPECT_EQ(snapshot.Notes.Lines(), c.Notes);
    }
}

TEST(SnapshotRoot, SkipsAValueThatCannotBeReadEvenAtItsNewSize) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "A", "grows", "1");
    registry.SetString(kRoot, "A", "stays", "2");
    registry.SetString(kRoot, "B", "refused", "3");
    registry.SetString(kRoot, "C", "v", "4");
    registry.EnumValueFault = [](TMemoryRegistry::TNode& key, std::uint32_t index) {
        if (key.Path == "\\A\\" && index == 0) {
            return TRegStatus::MoreData;
        }
        return key.Path == "\\B\\" ? TRegStatus::Failed : TRegStatus::Ok;
    };
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\A\\", "\\B\\", "\\C\\"));
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\A\\stays", "\\C\\v"));
    EXPECT_THAT(snapshot.Notes.Lines(),
                ElementsAre("HKEY_CURRENT_USER: values left out, still growing when read again: \\A\\",
                            "HKEY_CURRENT_USER: values left out, unreadable: \\B\\"));
}

TEST(SnapshotRoot, AKeyDeletedDuringTheWalkIsGoneNotUnreadable) {
    TMemoryRegistry registry;
    registry.SetString(kRoot, "A", "v", "1");
    registry.SetString(kRoot, "A\\Sub", "v", "2");
    registry.SetString(kRoot, "B", "v", "3");
    registry.OnEnumValue = [&](TMemoryRegistry::TNode& key, std::uint32_t) {
        if (key.Path == "\\A\\") {
            registry.OnEnumValue = nullptr;
            registry.DeleteKey(kRoot, "A");
        }
    };
    const TSnapshot snapshot = Take(registry);
    EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\A\\", "\\B\\"));
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\B\\v"));
    ASSERT_EQ(snapshot.Notes.Lines().size(), 1u);
    EXPECT_EQ(snapshot.Notes.Lines()[0], "HKEY_CURRENT_USER: keys deleted while being read: \\A\\");
}

// A registry whose root lists one subkey name twice, as a key that changes
// while it is enumerated can.
class TTwiceListedKey : public IRegKey {
public:
    explicit TTwiceListedKey(bool root) : FRoot(root) {}
    TRegStatus QueryInfo(TRegKeyInfo& info) override {
        info = {};
        info.SubKeys = FRoot ? 3 : 0;
        info.Values = FRoot ? 0 : 1;
        return TRegStatus::Ok;
    }
    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        static const char* const names[] = {"Dup", "Other", "DUP"};
        name = names[index];
        return TRegStatus::Ok;
    }
    TRegStatus EnumValue(std::uint32_t, TRegValue& value) override {
        value = TRegValue{"v", kRegDword, Bytes({1, 0, 0, 0})};
        return TRegStatus::Ok;
    }
    TRegStatus OpenSubKey(std::string_view, TRegAccess, std::unique_ptr<IRegKey>& key) override {
        key = std::make_unique<TTwiceListedKey>(false);
        return TRegStatus::Ok;
    }
    TRegStatus QueryValue(std::string_view, std::uint32_t&, std::vector<std::uint8_t>&) override {
        return TRegStatus::Failed;
    }
    TRegStatus SetValue(std::string_view, std::uint32_t, const std::vector<std::uint8_t>&) override {
        return TRegStatus::Failed;
    }
    TRegStatus DeleteValue(std::string_view) override { return TRegStatus::Failed; }

private:
    bool FRoot;
};

class TTwiceListedRegistry : public IRegistry {
public:
    TRegStatus OpenKey(TRegRoot, std::string_view, TRegAccess, std::unique_ptr<IRegKey>& key) override {
        key = std::make_unique<TTwiceListedKey>(true);
        return TRegStatus::Ok;
    }
    TRegStatus CreateKey(TRegRoot, std::string_view, std::unique_ptr<IRegKey>&) override { return TRegStatus::Failed; }
};

TEST(SnapshotRoot, WalksASubkeyListedTwiceOnlyOnce) {
    TTwiceListedRegistry registry;
    TSnapshot snapshot;
    const TFixedOffsetTime localTime;
    SnapshotRoot({}, registry, kRoot, localTime, snapshot.Keys, snapshot.Values, snapshot.Notes);
    EXPECT_THAT(snapshot.KeyPaths(), ElementsAre("\\", "\\Dup\\", "\\Other\\"));
    EXPECT_THAT(snapshot.ValueNames(), ElementsAre("\\Dup\\v", "\\Other\\v"));
    ASSERT_EQ(snapshot.Notes.Lines().size(), 1u);
    EXPECT_EQ(snapshot.Notes.Lines()[0],
              "HKEY_CURRENT_USER: subkeys listed twice by the registry, recorded once: \\DUP\\");
}

} // namespace
} // namespace quill
