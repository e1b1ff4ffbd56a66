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

TEST_F(Win32Settings, AKeyThatCannotBeOpenedReadsDefaults) {
    // A settings path that names a value's parent through a key that cannot
    // exist: every open fails, every read yields its default and writes are
    // dropped without a message.
    TSettings broken(FRegistry, std::string("\\Software\\QuillborneTest\\") + std::string(300, 'x') + "\\Settings");
    broken.WriteBool("SkipSteps", true);
    EXPECT_FALSE(broken.ReadBool("SkipSteps"));
    EXPECT_TRUE(broken.ReadBool("FirstRun", true));
    EXPECT_EQ(broken.ReadString("ReportDir", "C:\\"), "C:\\");
}

} // namespace
} // namespace quill
