#include "filter/IgnoreMatcher.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

const TIgnoreMatcher& Matcher() {
    static const TIgnoreMatcher matcher(TIgnoreMatcher::TLists{
        .Files = {"C:\\Data\\notes.txt", "C:\\Users\\\xC3\x89MILE\\ntuser.dat"},
        // Long s (U+017F) and dotless i (U+0131) are two bytes each and
        // fold onto the one-byte S and I.
        .Directories = {"C:\\Windows\\Temp", "D:", "C:\\Logs\\", "C:\\\xC5\xBFoo"},
        .Keys = {"\\Software\\Example\\", "\\Software\\Hand", "HKLM\\System\\Noise\\", "\\Software\\L\xC4\xB1st\\"},
        .Values = {"\\Software\\Values\\Seed", "HKCU\\Software\\Short\\Name", "\\Software\\Defaults\\",
                   "HKCU\\Software\\Written\\"},
    });
    return matcher;
}

struct TPathCase {
    const char* Path;
    bool Included;
};

class PathRule : public ::testing::TestWithParam<TPathCase> {};

TEST_P(PathRule, HidesListedFilesAndDirectoriesAndEverythingBelowADirectory) {
    EXPECT_EQ(Matcher().IsPathIncluded(GetParam().Path), GetParam().Included);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathRule,
    ::testing::Values(TPathCase{"C:\\Data\\notes.txt", false}, TPathCase{"c:\\data\\NOTES.TXT", false},
                      TPathCase{"C:\\Data\\notes.txt.bak", true}, TPathCase{"C:\\Data\\", true},
                      TPathCase{"C:\\Users\\\xC3\xA9mile\\NTUSER.DAT", false}, TPathCase{"C:\\Windows\\Temp", false},
                      TPathCase{"C:\\Windows\\Temp\\", false}, TPathCase{"C:\\Windows\\TEMP\\x\\y.tmp", false},
                      TPathCase{"C:\\Windows\\Temporary\\x.tmp", true}, TPathCase{"C:\\Windows\\Temp2\\", true},
                      TPathCase{"C:\\Windows\\", true}, TPathCase{"D:\\", false},
                      TPathCase{"d:\\anything\\at\\all.txt", false}, TPathCase{"DD:\\x", true},
                      TPathCase{"C:\\Logs\\a.log", false}, TPathCase{"C:\\Logs", true}, TPathCase{"", true},
                      TPathCase{"C:\\SOO", false}, TPathCase{"C:\\SOO\\", false},
                      TPathCase{"c:\\soo\\bar\\x.txt", false}, TPathCase{"C:\\\xC5\xBFOO\\bar\\", false},
                      TPathCase{"C:\\SOOT\\", true}, TPathCase{"C:\\\xC5\xBF\\", true}));

struct TKeyCase {
    const char* KeyPath;
    bool Included;
};

class KeyRule : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeyRule, HidesAListedKeyAndEveryKeyBelowItButNoSibling) {
    EXPECT_EQ(Matcher().IsKeyIncluded(GetParam().KeyPath), GetParam().Included);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyRule,
    ::testing::Values(TKeyCase{"\\Software\\Example\\", false}, TKeyCase{"\\SOFTWARE\\example\\Sub\\Deeper\\", false},
                      TKeyCase{"\\Software\\ExampleTwo\\", true}, TKeyCase{"\\Software\\", true}, TKeyCase{"\\", true},
                      TKeyCase{"\\Software\\Hand\\", false}, TKeyCase{"\\Software\\Handle\\", true},
                      TKeyCase{"\\System\\Noise\\Sub\\", false}, TKeyCase{"\\SOFTWARE\\LIST\\", false},
                      TKeyCase{"\\software\\list\\Sub\\", false}, TKeyCase{"\\\xC5\xBFoftware\\Hand\\Sub\\", false},
                      TKeyCase{"\\Software\\Lists\\", true}));

struct TValueCase {
    const char* KeyPath;
    const char* Name;
    bool Included;
};

class ValueRule : public ::testing::TestWithParam<TValueCase> {};

TEST_P(ValueRule, HidesExactlyTheListedValueAndADefaultValueByItsKey) {
    EXPECT_EQ(Matcher().IsValueIncluded(GetParam().KeyPath, GetParam().Name), GetParam().Included);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueRule,
    ::testing::Values(
        TValueCase{"\\Software\\Values\\", "Seed", false}, TValueCase{"\\software\\VALUES\\", "seed", false},
        TValueCase{"\\Software\\Values\\", "Seed2", true}, TValueCase{"\\Software\\Values\\", "", true},
        TValueCase{"\\Software\\Values\\Seed\\", "", true}, TValueCase{"\\Software\\Short\\", "Name", false},
        TValueCase{"\\\xC5\xBFoftware\\Values\\", "SEED", false}, TValueCase{"\\Software\\Defaults\\", "", false},
        TValueCase{"\\Software\\Defaults\\", "Name", true}, TValueCase{"\\Software\\", "Defaults", true},
        TValueCase{"\\Software\\Written\\", "", false}, TValueCase{"\\Software\\", "Written", true}));

// Under HKEY_USERS an entry hides its path below every user's hive as well as
// at the root; elsewhere only at the root.
TEST(IgnoreMatcher, EntriesAlsoHideBelowEachUserHiveUnderTheUsersRoot) {
    using enum TIgnoreMatcher::TKeyScope;
    struct TCase {
        const char* KeyPath;
        const char* Name; // null: the key itself
        bool InUserHives;
        bool AtRoot;
    };
    const TCase cases[] = {
        {"\\S-1-5-21-1-2-3-1001\\Software\\Example\\", nullptr, false, true},
        {"\\S-1-5-21-1-2-3-1001\\software\\EXAMPLE\\Sub\\", nullptr, false, true},
        {"\\.DEFAULT\\Software\\Example\\", nullptr, false, true},
        {"\\S-1-5-21-1-2-3-1001_Classes\\Software\\Hand\\", nullptr, false, true},
        {"\\S-1-5-21-1-2-3-1001\\Software\\ExampleTwo\\", nullptr, true, true},
        {"\\S-1-5-21-1-2-3-1001\\", nullptr, true, true},
        {"\\Software\\Example\\", nullptr, false, false},
        {"\\S-1-5-18\\X\\Software\\Example\\", nullptr, true, true},
        {"\\S-1-5-21-1-2-3-1001\\Software\\Values\\", "Seed", false, true},
        {"\\S-1-5-21-1-2-3-1001\\Software\\Values\\", "Seed2", true, true},
        {"\\S-1-5-21-1-2-3-1001\\Software\\Defaults\\", "", false, true},
        {"\\S-1-5-21-1-2-3-1001\\", "Software", true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.KeyPath) + (c.Name != nullptr ? c.Name : ""));
        if (c.Name == nullptr) {
            EXPECT_EQ(Matcher().IsKeyIncluded(c.KeyPath, EachUserHive), c.InUserHives);
            EXPECT_EQ(Matcher().IsKeyIncluded(c.KeyPath, Root), c.AtRoot);
        } else {
            EXPECT_EQ(Matcher().IsValueIncluded(c.KeyPath, c.Name, EachUserHive), c.InUserHives);
            EXPECT_EQ(Matcher().IsValueIncluded(c.KeyPath, c.Name, Root), c.AtRoot);
        }
    }
}

TEST(IgnoreMatcher, EmptyListsHideNothing) {
    const TIgnoreMatcher none;
    EXPECT_TRUE(none.IsPathIncluded("C:\\x"));
    EXPECT_TRUE(none.IsKeyIncluded("\\Software\\"));
    EXPECT_TRUE(none.IsValueIncluded("\\Software\\", "x"));
}

} // namespace
} // namespace quill
