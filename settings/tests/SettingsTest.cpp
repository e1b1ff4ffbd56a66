#include "settings/Settings.h"

#include "common/tests/MemoryRegistry.h"
#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

#include <set>

namespace quill {
namespace {

constexpr std::string_view kPath = "Software\\Tarnvale\\Quillborne";

class Settings : public ::testing::Test {
protected:
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};

    void Store(std::string_view name, std::string_view text) {
        FRegistry.SetString(TRegRoot::CurrentUser, kPath, name, text);
    }
    std::string Stored(std::string_view name) {
        TMemoryRegistry::TNode* key = FRegistry.FindKey(TRegRoot::CurrentUser, kPath);
        if (key == nullptr) {
            return "<no key>";
        }
        for (const TRegValue& value : key->Values) {
            if (value.Name == name) {
                return value.Type == kRegSz ? DecodeRegString(value.Data) : "<not a string>";
            }
        }
        return "<missing>";
    }
};

struct TBoolCase {
    const char* Stored;
    bool Default;
    bool Expected;
};

class SettingsBool : public Settings, public ::testing::WithParamInterface<TBoolCase> {};

TEST_P(SettingsBool, OnlyExactYAndNCount) {
    Store("Flag", GetParam().Stored);
    EXPECT_EQ(FSettings.ReadBool("Flag", GetParam().Default), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsBool,
                         ::testing::Values(TBoolCase{"Y", false, true}, TBoolCase{"N", true, false},
                                           TBoolCase{"y", false, false}, TBoolCase{"y", true, true},
                                           TBoolCase{"yes", false, false}, TBoolCase{"1", false, false},
                                           TBoolCase{"", true, true}, TBoolCase{"", false, false},
                                           TBoolCase{"Y ", false, false}, TBoolCase{"X", true, true}));

struct TIntegerCase {
    const char* Stored;
    int Expected;
};

class SettingsInteger : public Settings, public ::testing::WithParamInterface<TIntegerCase> {};

TEST_P(SettingsInteger, ParsesDecimalOrGivesTheDefault) {
    Store("Number", GetParam().Stored);
    EXPECT_EQ(FSettings.ReadInteger("Number", 7), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsInteger,
                         ::testing::Values(TIntegerCase{"2", 2}, TIntegerCase{"-15", -15}, TIntegerCase{"+3", 3},
                                           TIntegerCase{" 4 ", 4}, TIntegerCase{"abc", 7}, TIntegerCase{"", 7},
                                           TIntegerCase{"1.5", 7}, TIntegerCase{"0x10", 7},
                                           TIntegerCase{"99999999999", 7}, TIntegerCase{"-2147483648", -2147483647 - 1},
                                           TIntegerCase{"+-1", 7}, TIntegerCase{"-", 7}));

TEST_F(Settings, MissingKeyAndValuesReadAsDefaults) {
    EXPECT_EQ(FSettings.ReadString("Version", "none"), "none");
    EXPECT_EQ(FSettings.ReadString("Version"), "");
    EXPECT_TRUE(FSettings.ReadBool("FirstRun", true));
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 0);
    EXPECT_FALSE(FSettings.DeleteValue("Version"));
}

TEST_F(Settings, WritesEveryTypeAsAStringValueAndCreatesTheKey) {
    FSettings.WriteBool("SkipSteps", true);
    FSettings.WriteBool("FSScan", false);
    FSettings.WriteInteger("Hashing", -2);
    FSettings.WriteString("Version", "Quillborne v2.0");
    FSettings.WriteList("Paths", {"C:\\", "C:\\Program Files\\"});
    EXPECT_EQ(Stored("SkipSteps"), "Y");
    EXPECT_EQ(Stored("FSScan"), "N");
    EXPECT_EQ(Stored("Hashing"), "-2");
    EXPECT_EQ(Stored("Version"), "Quillborne v2.0");
    EXPECT_EQ(Stored("Paths"), "C:\\*\"C:\\Program Files\\\"");
    EXPECT_EQ(FSettings.ReadList("Paths"), (std::vector<std::string>{"C:\\", "C:\\Program Files\\"}));
}

TEST_F(Settings, AnEmptiedListReadsBackAsTheDefault) {
    FSettings.WriteList("Processes", {});
    EXPECT_EQ(Stored("Processes"), "");
    EXPECT_EQ(FSettings.ReadList("Processes", "setup.exe"), (std::vector<std::string>{"setup.exe"}));
    EXPECT_TRUE(FSettings.ReadList("Processes").empty());
}

TEST_F(Settings, ValuesOfOtherTypesReadAsDefaults) {
    FRegistry.SetValue(TRegRoot::CurrentUser, kPath, "Hashing", kRegDword, {1, 0, 0, 0});
    FRegistry.SetValue(TRegRoot::CurrentUser, kPath, "ReportDir", kRegExpandSz, EncodeRegString("%TEMP%"));
    EXPECT_EQ(FSettings.ReadInteger("Hashing", 0), 0);
    // Expandable strings are read as they stand.
    EXPECT_EQ(FSettings.ReadString("ReportDir"), "%TEMP%");
}

TEST_F(Settings, NothingIsCached) {
    Store("SkipSteps", "Y");
    EXPECT_TRUE(FSettings.ReadBool("SkipSteps"));
    Store("SkipSteps", "N");
    EXPECT_FALSE(FSettings.ReadBool("SkipSteps"));
}

TEST_F(Settings, DeleteValueTellsWhetherItRemovedSomething) {
    FSettings.WriteString("Version", "x");
    EXPECT_TRUE(FSettings.DeleteValue("version"));
    EXPECT_FALSE(FSettings.DeleteValue("Version"));
    EXPECT_EQ(Stored("Version"), "<missing>");
}

TEST_F(Settings, AnUnreadableKeyReadsDefaultsAndWritesAreDropped) {
    Store("SkipSteps", "Y");
    FRegistry.DenyAccess(TRegRoot::CurrentUser, kPath);
    EXPECT_FALSE(FSettings.ReadBool("SkipSteps"));
    EXPECT_TRUE(FSettings.ReadBool("FirstRun", true));
    FSettings.WriteBool("SkipSteps", false);
    EXPECT_FALSE(FSettings.DeleteValue("SkipSteps"));
    FRegistry.DenyAccess(TRegRoot::CurrentUser, kPath, false);
    EXPECT_EQ(Stored("SkipSteps"), "Y");
}

TEST_F(Settings, UnicodeTextSurvivesTheRoundTrip) {
    const std::string path = "C:\\\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\\\xF0\x9F\x93\x81\\";
    FSettings.WriteString("ReportDir", path);
    EXPECT_EQ(FSettings.ReadString("ReportDir"), path);
}

TEST(SettingsTable, NamesAreUniqueAndTheDeletionOrderHoldsForBothTables) {
    std::set<std::string, std::less<>> names;
    for (const auto table : {SettingsOptions(), FilterSwitchOptions()}) {
        for (const TOptionInfo& option : table) {
            EXPECT_TRUE(names.insert(std::string(option.Name)).second) << option.Name;
        }
    }
    ASSERT_EQ(SettingsOptions().size(), 19u + 5u + 21u);
    ASSERT_EQ(FilterSwitchOptions().size(), 40u);
    EXPECT_EQ(SettingsOptions()[0].Name, "SHCNE_ASSOCCHANGED");
    EXPECT_EQ(SettingsOptions()[19].Name, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(SettingsOptions()[24].Name, "Paths");
    EXPECT_EQ(SettingsOptions().back().Name, "FirstRun");
    EXPECT_EQ(FilterSwitchOptions().back().Name, "F_FSRenamed");
}

TEST(SettingsTable, FindsOptionsWithoutRegardToCase) {
    const TOptionInfo* option = FindOption("skipsteps");
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(option->Name, "SkipSteps");
    EXPECT_EQ(option->Default, "N");
    EXPECT_EQ(FindOption("F_FSDate")->Caption, "Modification date && time changed");
    EXPECT_EQ(FindOption("Processes")->Default, "setup.exe");
    EXPECT_EQ(FindOption("Nonsense"), nullptr);
}

} // namespace
} // namespace quill
