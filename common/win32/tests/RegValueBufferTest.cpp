#include "common/win32/RegValueBuffer.h"

#include "common/win32/UniqueHandle.h"
#include "common/win32/tests/ScratchKey.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quill {
namespace {

// A value as RegEnumValueW hands it over: when a buffer is too small it
// answers ERROR_MORE_DATA with the size the data needs. Another program may
// grow the value before each request.
struct TChangingValue {
    std::wstring Name;
    std::vector<BYTE> Data;
    int Growths = 0;

    LONG operator()(wchar_t* name, DWORD& nameLength, DWORD& type, BYTE* data, DWORD& size) {
        if (Growths > 0) {
            --Growths;
            Data.resize(Data.size() * 2, 0x5A);
        }
        const bool fits = Name.size() < nameLength && Data.size() <= size;
        type = REG_BINARY;
        size = static_cast<DWORD>(Data.size());
        if (!fits) {
            return ERROR_MORE_DATA;
        }
        std::copy(Name.begin(), Name.end(), name);
        name[Name.size()] = L'\0';
        nameLength = static_cast<DWORD>(Name.size());
        std::copy(Data.begin(), Data.end(), data);
        return ERROR_SUCCESS;
    }
};

TEST(RegValueBuffer, ReadsAValueLargerThanTheKeySaidAtTheSizeTheRegistryAsksFor) {
    struct TCase {
        const char* Name;
        std::uint32_t SaidNameLength;
        std::uint32_t SaidDataSize;
        std::size_t NameLength;
        std::size_t DataSize;
        int Growths;
    };
    const TCase cases[] = {
        {"data under-reported", 8, 16, 1, 100000, 0},   {"name under-reported", 1, 64, 300, 4, 0},
        {"both under-reported", 1, 16, 16383, 5000, 0}, {"grew again twice after the first request", 8, 16, 1, 1000, 2},
        {"empty, said to be empty", 0, 0, 1, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChangingValue stored{std::wstring(c.NameLength, L'n'), std::vector<BYTE>(c.DataSize, 0xA5), c.Growths};
        TRegValueBuffer buffer;
        buffer.Reserve(c.SaidNameLength, c.SaidDataSize);
        TRegValue value;
        ASSERT_EQ(buffer.Read(stored, value), ERROR_SUCCESS);
        EXPECT_EQ(value.Name, std::string(c.NameLength, 'n'));
        EXPECT_EQ(value.Type, kRegBinary);
        EXPECT_EQ(value.Data, stored.Data);
    }
}

TEST(RegValueBuffer, GivesUpOnAValueThatKeepsGrowingAndPassesOtherErrorsOn) {
    TChangingValue growing{L"v", std::vector<BYTE>(100, 1), 1000};
    TRegValueBuffer buffer;
    buffer.Reserve(1, 100);
    TRegValue value;
    EXPECT_EQ(buffer.Read(growing, value), ERROR_MORE_DATA);

    const auto gone = [](wchar_t*, DWORD&, DWORD&, BYTE*, DWORD&) -> LONG { return ERROR_NO_MORE_ITEMS; };
    EXPECT_EQ(buffer.Read(gone, value), ERROR_NO_MORE_ITEMS);
}

TEST(RegValueBuffer, TheRegistryAnswersWithTheSizeAValueNeeds) {
    test::TScratchKey scratch;
    TUniqueKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, test::kScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                                nullptr),
              ERROR_SUCCESS);
    const std::wstring name(300, L'x');
    const std::vector<BYTE> data(100000, 7);
    ASSERT_EQ(::RegSetValueExW(key.Get(), name.c_str(), 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    TRegValueBuffer buffer;
    buffer.Reserve(1, 16);
    TRegValue value;
    ASSERT_EQ(buffer.Read(
                  [&](wchar_t* valueName, DWORD& nameLength, DWORD& type, BYTE* bytes, DWORD& size) {
                      return ::RegEnumValueW(key.Get(), 0, valueName, &nameLength, nullptr, &type, bytes, &size);
                  },
                  value),
              ERROR_SUCCESS);
    EXPECT_EQ(value.Name, std::string(300, 'x'));
    EXPECT_EQ(value.Data, data);
}

} // namespace
} // namespace quill
