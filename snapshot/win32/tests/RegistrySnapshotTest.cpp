#include "snapshot/EnumRegistry.h"

#include "common/win32/Win32LocalTime.h"
#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

const std::string kScratch = std::string("\\") + test::kScratchPath + "\\";

void Set(const wchar_t* path, const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    const std::wstring full = std::wstring(test::kScratchKey) + (*path ? L"\\" : L"") + path;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

std::vector<BYTE> Text(const wchar_t* text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
    return {bytes, bytes + (wcslen(text) + 1) * sizeof(wchar_t)};
}

struct TSide {
    TKeyList Keys = NewKeyList();
    TValueList Values = NewValueList();
};

std::vector<std::string> Under(const TKeyList& keys) {
    std::vector<std::string> paths;
    for (const auto& item : keys) {
        if (item.Record && item.Text.starts_with(kScratch)) {
            paths.push_back(item.Text.substr(kScratch.size()));
        }
    }
    return paths;
}

std::vector<std::string> Under(const TValueList& values) {
    std::vector<std::string> names;
    for (const auto& item : values) {
        if (item.Record && item.Text.starts_with(kScratch)) {
            names.push_back(item.Text.substr(kScratch.size()) + item.Record->Name);
        }
    }
    return names;
}

TEST(RegistrySnapshot, FindsEveryChangeUnderAKeyOfTheCurrentUserAndNothingElse) {
    test::TScratchKey scratch;
    Set(L"", L"Kept", REG_SZ, Text(L"same"));
    Set(L"App", L"Version", REG_SZ, Text(L"1.0"));
    Set(L"App", L"Flags", REG_DWORD, {1, 0, 0, 0});
    Set(L"App\\Settings", L"Size", REG_DWORD, {2, 0, 0, 0});
    Set(L"Doomed", L"Old", REG_SZ, Text(L"old"));
    Set(L"Doomed\\Child", L"", REG_SZ, Text(L"child default"));
    Set(L"Quiet", L"Untouched", REG_BINARY, {9, 9});

    TWin32Registry registry;
    TWin32LocalTime localTime;
    TCaptureNotes notes;
    TSide before;
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, before.Keys, before.Values, notes);
    std::size_t index = 0;
    ASSERT_TRUE(before.Keys.Find(kScratch + "App\\Settings\\", index));
    EXPECT_GT(before.Keys.Record(index)->LastWrite, 40000.0);
    ASSERT_TRUE(before.Keys.Find("\\", index));

    Set(L"App", L"Version", REG_SZ, Text(L"2.0"));
    Set(L"App\\New", L"Sz", REG_SZ, Text(L"text"));
    Set(L"App\\New", L"Expand", REG_EXPAND_SZ, Text(L"%TEMP%\\x"));
    Set(L"App\\New", L"Dword", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    Set(L"App\\New", L"Binary", REG_BINARY, {0, 1, 2});
    Set(L"App\\New", L"Empty", REG_BINARY, {});
    Set(L"App\\New", L"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0});
    Set(L"App\\New", L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    Set(L"App\\New", L"", REG_SZ, Text(L"default"));
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(test::kScratchKey) + L"\\Doomed").c_str()),
              ERROR_SUCCESS);

    TSide after;
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, after.Keys, after.Values, notes);
    TKeyList modifiedKeysBefore;
    TKeyList modifiedKeysAfter;
    TValueList modifiedValuesBefore;
    TValueList modifiedValuesAfter;
    CompareRoot({}, {}, before.Keys, after.Keys, before.Values, after.Values, modifiedKeysBefore, modifiedKeysAfter,
                modifiedValuesBefore, modifiedValuesAfter);

    EXPECT_THAT(Under(before.Keys), ElementsAre("Doomed\\", "Doomed\\Child\\"));
    EXPECT_THAT(Under(before.Values), ElementsAre("Doomed\\Old", "Doomed\\Child\\"));
    EXPECT_THAT(Under(after.Keys), ElementsAre("App\\New\\"));
    EXPECT_THAT(Under(after.Values),
                UnorderedElementsAre("App\\New\\Sz", "App\\New\\Expand", "App\\New\\Dword", "App\\New\\Binary",
                                     "App\\New\\Empty", "App\\New\\Multi", "App\\New\\Qword", "App\\New\\"));
    EXPECT_THAT(Under(modifiedValuesBefore), ElementsAre("App\\Version"));
    ASSERT_THAT(Under(modifiedValuesAfter), ElementsAre("App\\Version"));
    EXPECT_THAT(Under(modifiedKeysBefore), ElementsAre("", "App\\"));

    // The new values as recorded.
    for (const auto& item : after.Values) {
        const TValueRecord* value = item.Record.get();
        if (value == nullptr || item.Text != kScratch + "App\\New\\") {
            continue;
        }
        SCOPED_TRACE(value->Name);
        if (value->Name == "Expand") {
            EXPECT_EQ(value->DataType, dtExpandString);
            EXPECT_EQ(std::get<TText>(value->Data), "%TEMP%\\x");
        } else if (value->Name == "Dword") {
            EXPECT_EQ(value->Data, TValueData(std::int32_t{-1}));
        } else if (value->Name == "Empty") {
            EXPECT_EQ(value->DataType, dtBinary);
            EXPECT_EQ(value->DataSize, 0);
            EXPECT_EQ(value->Buffer, nullptr);
        } else if (value->Name == "Qword" || value->Name == "Multi") {
            EXPECT_EQ(value->DataType, dtUnknown);
            EXPECT_EQ(value->RegType, value->Name == "Qword" ? kRegQword : kRegMultiSz);
            EXPECT_NE(value->Buffer, nullptr);
        }
    }
    for (const std::string& line : notes.Lines()) {
        EXPECT_EQ(line.find(kScratch), std::string::npos) << line;
    }
}

// The machine's registry, in which another program deletes the first subkey
// of the scratch key while the walk lists the scratch key's subkeys.
class TSiblingDeletingKey : public IRegKey {
public:
    TSiblingDeletingKey(std::unique_ptr<IRegKey> key, std::string path)
        : FKey(std::move(key)), FPath(std::move(path)) {}

    TRegStatus QueryInfo(TRegKeyInfo& info) override { return FKey->QueryInfo(info); }
    TRegStatus EnumKey(std::uint32_t index, std::string& name) override {
        if (FPath == kScratch && index == 1) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(test::kScratchKey) + L"\\A").c_str());
        }
        return FKey->EnumKey(index, name);
    }
    TRegStatus EnumValue(std::uint32_t index, TRegValue& value) override { return FKey->EnumValue(index, value); }
    TRegStatus OpenSubKey(std::string_view name, TRegAccess access, std::unique_ptr<IRegKey>& key) override {
        std::unique_ptr<IRegKey> sub;
        const TRegStatus status = FKey->OpenSubKey(name, access, sub);
        if (status == TRegStatus::Ok) {
            key = std::make_unique<TSiblingDeletingKey>(std::move(sub), FPath + std::string(name) + "\\");
        }
        return status;
    }
    TRegStatus QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
        return FKey->QueryValue(name, type, data);
    }
    TRegStatus SetValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        return FKey->SetValue(name, type, data);
    }
    TRegStatus DeleteValue(std::string_view name) override { return FKey->DeleteValue(name); }

private:
    std::unique_ptr<IRegKey> FKey;
    std::string FPath;
};

class TSiblingDeletingRegistry : public IRegistry {
public:
    TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access,
                       std::unique_ptr<IRegKey>& key) override {
        std::unique_ptr<IRegKey> opened;
        const TRegStatus status = FBase.OpenKey(root, path, access, opened);
        if (status == TRegStatus::Ok) {
            key = std::make_unique<TSiblingDeletingKey>(std::move(opened), "\\" + std::string(path));
        }
        return status;
    }
    TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) override {
        return FBase.CreateKey(root, path, key);
    }

private:
    TWin32Registry FBase;
};

TEST(RegistrySnapshot, WalksTheSubkeysThatMoveUpWhenASiblingIsDeletedDuringTheListing) {
    test::TScratchKey scratch;
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"}) {
        Set(name, L"v", REG_SZ, Text(name));
        Set((std::wstring(name) + L"\\Sub").c_str(), L"w", REG_DWORD, {1, 0, 0, 0});
    }
    TSiblingDeletingRegistry registry;
    TWin32LocalTime localTime;
    TCaptureNotes notes;
    TSide side;
    SnapshotRoot({}, registry, TRegRoot::CurrentUser, localTime, side.Keys, side.Values, notes);
    EXPECT_THAT(Under(side.Keys), ElementsAre("", "B\\", "B\\Sub\\", "C\\", "C\\Sub\\", "D\\", "D\\Sub\\"));
    EXPECT_THAT(Under(side.Values), ElementsAre("B\\v", "B\\Sub\\w", "C\\v", "C\\Sub\\w", "D\\v", "D\\Sub\\w"));
    for (const std::string& line : notes.Lines()) {
        EXPECT_EQ(line.find(kScratch), std::string::npos) << line;
    }
}

TEST(RegistrySnapshot, RecordsTheRootOfEachCapturedRoot) {
    TWin32Registry registry;
    TWin32LocalTime localTime;
    TCaptureNotes notes;
    TSide side;
    SnapshotRoot({}, registry, TRegRoot::CurrentConfig, localTime, side.Keys, side.Values, notes);
    ASSERT_FALSE(side.Keys.Empty());
    EXPECT_EQ(side.Keys.Text(0), "\\");
    EXPECT_THAT(Under(side.Keys), IsEmpty());
}

} // namespace
} // namespace quill
