#include "common/win32/Win32Registry.h"

#include "common/win32/tests/ScratchKey.h"

#include <gtest/gtest.h>

#include <map>

namespace quill {
namespace {

using test::kScratchPath;

class Win32Registry : public ::testing::Test {
protected:
    test::TScratchKey FScratch;
    TWin32Registry FRegistry;

    std::unique_ptr<IRegKey> Create(const std::string& sub) {
        std::unique_ptr<IRegKey> key;
        EXPECT_EQ(FRegistry.CreateKey(TRegRoot::CurrentUser, std::string(kScratchPath) + sub, key), TRegStatus::Ok);
        return key;
    }
};

TEST_F(Win32Registry, WritesAndReadsEveryValueTypeByEnumeration) {
    auto key = Create("\\Types");
    const std::vector<std::uint8_t> dword = {1, 2, 3, 4};
    const std::vector<std::uint8_t> qword = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<std::uint8_t> multi = {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0};
    ASSERT_EQ(key->SetValue("", kRegSz, EncodeRegString("default")), TRegStatus::Ok);
    ASSERT_EQ(key->SetValue("dw", kRegDword, dword), TRegStatus::Ok);
    ASSERT_EQ(key->SetValue("qw", kRegQword, qword), TRegStatus::Ok);
    ASSERT_EQ(key->SetValue("multi", kRegMultiSz, multi), TRegStatus::Ok);
    ASSERT_EQ(key->SetValue("empty", kRegBinary, {}), TRegStatus::Ok);
    ASSERT_EQ(key->SetValue("\xF0\x9F\x98\x80 caf\xC3\xA9", kRegSz, EncodeRegString("\xE4\xB8\xAD")), TRegStatus::Ok);

    std::unique_ptr<IRegKey> read;
    ASSERT_EQ(FRegistry.OpenKey(TRegRoot::CurrentUser, std::string(kScratchPath) + "\\Types", TRegAccess::Read, read),
              TRegStatus::Ok);
    TRegKeyInfo info;
    ASSERT_EQ(read->QueryInfo(info), TRegStatus::Ok);
    EXPECT_EQ(info.Values, 6u);
    EXPECT_NE(info.LastWrite, 0u);
    std::map<std::string, TRegValue> values;
    TRegValue value;
    for (std::uint32_t i = 0; read->EnumValue(i, value) == TRegStatus::Ok; ++i) {
        values[value.Name] = value;
    }
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(DecodeRegString(values[""].Data), "default");
    EXPECT_EQ(values["dw"].Type, kRegDword);
    EXPECT_EQ(values["dw"].Data, dword);
    EXPECT_EQ(values["qw"].Data, qword);
    EXPECT_EQ(values["multi"].Data, multi);
    EXPECT_TRUE(values["empty"].Data.empty());
    EXPECT_EQ(DecodeRegString(values["\xF0\x9F\x98\x80 caf\xC3\xA9"].Data), "\xE4\xB8\xAD");
    EXPECT_EQ(read->EnumValue(6, value), TRegStatus::NoMoreItems);
}

TEST_F(Win32Registry, ReadsAValueThatGrewAfterTheKeyWasSized) {
    auto key = Create("\\Grow");
    ASSERT_EQ(key->SetValue("v", kRegBinary, std::vector<std::uint8_t>(4, 1)), TRegStatus::Ok);
    std::unique_ptr<IRegKey> read;
    ASSERT_EQ(FRegistry.OpenKey(TRegRoot::CurrentUser, std::string(kScratchPath) + "\\Grow", TRegAccess::Read, read),
              TRegStatus::Ok);
    TRegKeyInfo info;
    ASSERT_EQ(read->QueryInfo(info), TRegStatus::Ok);
    const std::vector<std::uint8_t> big(100000, 7);
    ASSERT_EQ(key->SetValue("v", kRegBinary, big), TRegStatus::Ok);
    TRegValue value;
    ASSERT_EQ(read->EnumValue(0, value), TRegStatus::Ok);
    EXPECT_EQ(value.Data, big);
}

TEST_F(Win32Registry, KeepsMissingApartFromOtherFailures) {
    std::unique_ptr<IRegKey> key;
    EXPECT_EQ(FRegistry.OpenKey(TRegRoot::CurrentUser, std::string(kScratchPath) + "\\Missing", TRegAccess::Read, key),
              TRegStatus::NotFound);
    auto created = Create("");
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(created->QueryValue("absent", type, data), TRegStatus::NotFound);
    EXPECT_EQ(created->DeleteValue("absent"), TRegStatus::NotFound);
}

TEST_F(Win32Registry, OpensSubkeysRelativeToTheirParentAndEnumeratesThem) {
    Create("\\Parent\\B");
    Create("\\Parent\\a");
    std::unique_ptr<IRegKey> parent;
    ASSERT_EQ(
        FRegistry.OpenKey(TRegRoot::CurrentUser, std::string(kScratchPath) + "\\Parent", TRegAccess::Read, parent),
        TRegStatus::Ok);
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; parent->EnumKey(i, name) == TRegStatus::Ok; ++i) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a", "B"}));
    std::unique_ptr<IRegKey> child;
    EXPECT_EQ(parent->OpenSubKey("b", TRegAccess::Read, child), TRegStatus::Ok);
    EXPECT_EQ(parent->OpenSubKey("c", TRegAccess::Read, child), TRegStatus::NotFound);
}

} // namespace
} // namespace quill
