#include "settings/Settings.h"

#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace quill {
namespace {

using namespace std::string_view_literals;

constexpr wchar_t kSettingsKey[] = L"Software\\QuillborneTest\\Settings";

class Win32Settings : public ::testing::Test {
protected:
    test::TScratchKey FScratch;
    TWin32Registry FRegistry;
    TSettings FSettings{FRegistry, "\\Software\\QuillborneTest\\Settings"};

    static std::wstring RawValue(const wchar_t* name, DWORD& type) {
        wchar_t buffer[256] = {};
        DWORD size = sizeof(buffer);
        type = REG_NONE;
        if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) !=
            ERROR_SUCCESS) {
            return L"<missing>";
        }
        return buffer;
    }
};

TEST_F(Win32Settings, ValuesLandAsStringsUnderTheKey) {
    FSettings.WriteBool("SkipSteps", true);
    FSettings.WriteInteger("Hashing", 2);
    FSettings.WriteList("Paths", {"C:\\Program Files\\", "D:\\"});
    DWORD type = 0;
    EXPECT_EQ(RawValue(L"SkipSteps", type), L"Y");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawValue(L"Hashing", type), L"2");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawValue(L"Paths", type), L"\"C:\\Program Files\\\"*D:\\");
    EXPECT_TRUE(FSettings.ReadBool("SkipSteps"));
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 2);
    EXPECT_TRUE(FSettings.DeleteValue("SkipSteps"));
    EXPECT_EQ(RawValue(L"SkipSteps", type), L"<missing>");
    EXPECT_FALSE(FSettings.DeleteValue("SkipSteps"));
}

TEST_F(Win32Settings, ValuesOfOtherTypesAndAMissingKeyReadAsDefaults) {
    EXPECT_TRUE(FSettings.ReadBool("FirstRun", true));
    EXPECT_FALSE(FSettings.DeleteValue("FirstRun"));
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ::RegSetValueExW(key, L"Hashing", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    ::RegCloseKey(key);
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 0);
}

TEST_F(Win32Settings, AListReadsFromEveryTypeThatHoldsOneAndNotesAnyOther) {
    const std::wstring_view multi = L"C:\\Data\0D:\\Program Files\\\0\0"sv;
    const std::wstring_view unterminated = L"C:\\Data\0D:\\"sv;
    const std::wstring_view text = L"C:\\Data*D:\\\0"sv;
    const DWORD number = 1;
    const std::vector<std::string> both{"C:\\Data", "D:\\"};
    const auto note = [](int type) {
        return std::vector<std::string>{"Could not read: the setting Paths (stored as registry type " +
                                        std::to_string(type) + ", not as text or a multi-string)"};
    };
    const struct {
        std::string Case;
        DWORD Type;
        const void* Data;
        std::size_t Size;
        std::vector<std::string> List;
        std::vector<std::string> Notes;
    } cases[] = {
        {"multi-string", REG_MULTI_SZ, multi.data(), multi.size() * 2, {"C:\\Data", "D:\\Program Files\\"}, {}},
        {"multi-string without its end", REG_MULTI_SZ, unterminated.data(), unterminated.size() * 2, both, {}},
        {"empty multi-string", REG_MULTI_SZ, L"", 2, {"E:\\"}, {}},
        {"expandable text", REG_EXPAND_SZ, text.data(), text.size() * 2, both, {}},
        {"number", REG_DWORD, &number, sizeof number, {"E:\\"}, note(4)},
        {"bytes", REG_BINARY, text.data(), 4, {"E:\\"}, note(3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        ASSERT_EQ(
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Paths", c.Type, c.Data, static_cast<DWORD>(c.Size)),
            ERROR_SUCCESS);
        TCaptureNotes notes;
        EXPECT_EQ(FSettings.ReadList("Paths", "E:\\", &notes), c.List);
        EXPECT_EQ(notes.Lines(), c.Notes);
    }
}

// Gives the settings key an empty access list (nobody may read or write it)
// or, when restored, none at all (everybody may).
void SetKeyAccess(bool denied) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    ::InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, denied ? &empty : nullptr, FALSE);
    EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

TEST_F(Win32Settings, AnUnreadableKeyReadsDefaultsAndDropsWrites) {
    FSettings.WriteBool("SkipSteps", true);
    FSettings.WriteInteger("Hashing", 2);
    SetKeyAccess(true);
    EXPECT_FALSE(FSettings.ReadBool("SkipSteps"));
    EXPECT_TRUE(FSettings.ReadBool("FirstRun", true));
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 0);
    FSettings.WriteBool("SkipSteps", false);
    EXPECT_FALSE(FSettings.DeleteValue("Hashing"));
    SetKeyAccess(false);
    EXPECT_TRUE(FSettings.ReadBool("SkipSteps"));
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 2);
}

} // namespace
} // namespace quill
