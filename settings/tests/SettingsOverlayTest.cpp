#include "settings/SettingsOverlay.h"

#include "common/tests/MemoryRegistry.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

class SettingsOverlay : public ::testing::Test {
protected:
    TMemoryRegistry FStored;
    TSettings FStoredSettings{FStored};
    TSettingsOverlay FOverlay{FStored};
    TSettings FSettings{FOverlay};
};

TEST_F(SettingsOverlay, ReadsWhatIsStored) {
    FStoredSettings.WriteString("Paths", "C:\\Data");
    EXPECT_EQ(FSettings.ReadString("Paths"), "C:\\Data");
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 7), 7);
}

TEST_F(SettingsOverlay, WritesAndDeletionsStayInTheOverlay) {
    FStoredSettings.WriteString("Paths", "C:\\Data");
    FStoredSettings.WriteBool("FSScan", false);
    FSettings.WriteString("Paths", "D:\\Other");
    FSettings.WriteBool("HKEY_USERS", true);
    EXPECT_TRUE(FSettings.DeleteValue("FSScan"));
    EXPECT_FALSE(FSettings.DeleteValue("FSScan"));

    EXPECT_EQ(FSettings.ReadString("Paths"), "D:\\Other");
    EXPECT_TRUE(FSettings.ReadBool("HKEY_USERS"));
    EXPECT_TRUE(FSettings.ReadBool("FSScan", true));

    EXPECT_EQ(FStoredSettings.ReadString("Paths"), "C:\\Data");
    EXPECT_FALSE(FStoredSettings.ReadBool("HKEY_USERS"));
    EXPECT_FALSE(FStoredSettings.ReadBool("FSScan", true));
}

TEST_F(SettingsOverlay, WorksWithoutAStoredKeyAndCreatesNone) {
    FSettings.WriteBool("FSScan", true);
    EXPECT_TRUE(FSettings.ReadBool("FSScan"));
    EXPECT_EQ(FStored.FindKey(TRegRoot::CurrentUser, kSettingsKeyPath), nullptr);
}

} // namespace
} // namespace quill
