#include "settings/Settings.h"

#include "common/win32/Win32Registry.h"
#include "common/win32/tests/ScratchKey.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace quill {
namespace {

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
