#include "common/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

TEST(MemoryRegistry, EnumeratesSubkeysByNameAndValuesInOrderOfCreation) {
    TMemoryRegistry registry;
    registry.Key(TRegRoot::CurrentUser, "Software\\b");
    registry.Key(TRegRoot::CurrentUser, "Software\\A");
    registry.SetString(TRegRoot::CurrentUser, "Software", "z", "1");
    registry.SetString(TRegRoot::CurrentUser, "Software", "a", "2");
    std::unique_ptr<IRegKey> key;
    ASSERT_EQ(registry.OpenKey(TRegRoot::CurrentUser, "\\Software", TRegAccess::Read, key), TRegStatus::Ok);
    std::string name;
    ASSERT_EQ(key->EnumKey(0, name), TRegStatus::Ok);
    EXPECT_EQ(name, "A");
    ASSERT_EQ(key->EnumKey(1, name), TRegStatus::Ok);
    EXPECT_EQ(name, "b");
    EXPECT_EQ(key->EnumKey(2, name), TRegStatus::NoMoreItems);
    TRegValue value;
    ASSERT_EQ(key->EnumValue(0, value), TRegStatus::Ok);
    EXPECT_EQ(value.Name, "z");
    EXPECT_EQ(DecodeRegString(value.Data), "1");
}

TEST(MemoryRegistry, KeepsMissingApartFromDenied) {
    TMemoryRegistry registry;
    registry.DenyAccess(TRegRoot::LocalMachine, "SAM");
    std::unique_ptr<IRegKey> key;
    EXPECT_EQ(registry.OpenKey(TRegRoot::LocalMachine, "SAM", TRegAccess::Read, key), TRegStatus::AccessDenied);
    EXPECT_EQ(registry.OpenKey(TRegRoot::LocalMachine, "Gone", TRegAccess::Read, key), TRegStatus::NotFound);
}

TEST(MemoryRegistry, ReadAccessDoesNotWrite) {
    TMemoryRegistry registry;
    registry.Key(TRegRoot::CurrentUser, "K");
    std::unique_ptr<IRegKey> key;
    ASSERT_EQ(registry.OpenKey(TRegRoot::CurrentUser, "K", TRegAccess::Read, key), TRegStatus::Ok);
    EXPECT_EQ(key->SetValue("v", kRegSz, EncodeRegString("x")), TRegStatus::AccessDenied);
}

TEST(MemoryRegistry, AKeyDeletedWhileOpenAnswersNotFound) {
    TMemoryRegistry registry;
    registry.SetString(TRegRoot::CurrentUser, "K\\Sub", "v", "x");
    std::unique_ptr<IRegKey> key;
    ASSERT_EQ(registry.OpenKey(TRegRoot::CurrentUser, "K\\Sub", TRegAccess::Read, key), TRegStatus::Ok);
    ASSERT_TRUE(registry.DeleteKey(TRegRoot::CurrentUser, "K"));
    TRegValue value;
    EXPECT_EQ(key->EnumValue(0, value), TRegStatus::NotFound);
}

TEST(RegString, EncodesUtf16WithTerminatorAndDecodesUpToTheFirstZero) {
    EXPECT_EQ(EncodeRegString("A\xC3\xA9"), (std::vector<std::uint8_t>{'A', 0, 0xE9, 0, 0, 0}));
    EXPECT_EQ(DecodeRegString({'A', 0, 'B', 0}), "AB"); // stored without terminator
    EXPECT_EQ(DecodeRegString({'A', 0, 0, 0, 'B', 0}), "A");
    EXPECT_EQ(DecodeRegString({'A', 0, 'B'}), "A"); // odd length
    EXPECT_EQ(DecodeRegString({}), "");
}

} // namespace
} // namespace quill
