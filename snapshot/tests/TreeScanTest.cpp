#include "common/tests/FixedOffsetTime.h"
#include "snapshot/tests/MemoryFileSystem.h"
#include "snapshot/TreeScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;

std::vector<std::string> Texts(const TFileList& list) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        texts.push_back(item.Text);
    }
    return texts;
}

class TreeScan : public ::testing::Test {
protected:
    TMemoryFileSystem FS;
    TFixedOffsetTime Time{60};
    TCaptureNotes Notes;
    TFileList Files{TListOrder::Sorted, TDuplicates::Refuse};
    TTreeScanner Scanner{Files, FS, Time, Notes};

    void AddData() {
        FS.AddFile("C:\\Data\\a.txt", "alpha");
        FS.AddDirectory("C:\\Data\\Sub");
        FS.AddFile("C:\\Data\\Sub\\b.txt", "beta");
        FS.AddFile("C:\\Other.txt", "outside");
    }
};

TEST(ScanPath, NormalisesToExactlyOneTrailingBackslash) {
    const struct {
        const char* Path;
        const char* Expected;
    } cases[] = {
        {"C:\\Data", "C:\\Data\\"},
        {"C:\\Data\\", "C:\\Data\\"},
        {"C:\\Data\\\\", "C:\\Data\\"},
        {" \tC:\\Data\\ \r\n", "C:\\Data\\"},
        {"C:", "C:\\"},
        {"C:\\", "C:\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\", "\\"},
        {"", ""},
        {"   ", ""},
        {"\t\r\n\x01", ""},
        {"C:\\Dätä", "C:\\Dätä\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseScanPath(c.Path), c.Expected) << c.Path;
    }
}

TEST_F(TreeScan, PathWithOrWithoutTrailingBackslashGivesTheSameRecords) {
    AddData();
    const std::vector<std::string> expected{"C:\\Data\\a.txt", "C:\\Data\\Sub\\", "C:\\Data\\Sub\\b.txt"};
    for (const char* path : {"C:\\Data", "C:\\Data\\", "  C:\\Data\\\\\t", "c:\\data"}) {
        TFileList files(TListOrder::Sorted, TDuplicates::Refuse);
        TTreeScanner scanner(files, FS, Time, Notes);
        scanner.Scan(path, true);
        auto texts = Texts(files);
        if (std::string(path) == "c:\\data") {
            EXPECT_EQ(texts, (std::vector<std::string>{"c:\\data\\a.txt", "c:\\data\\Sub\\", "c:\\data\\Sub\\b.txt"}));
        } else {
            EXPECT_EQ(texts, expected) << path;
        }
    }
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(TreeScan, DriveRootIsScannedWithoutADoubleBackslash) {
    AddData();
    Scanner.Scan("C:\\", false);
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Data\\", "C:\\Other.txt"}));
}

TEST_F(TreeScan, BlankPathRecordsNothing) {
    AddData();
    Scanner.Scan(" \t ", true);
    EXPECT_TRUE(Files.Empty());
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(TreeScan, RecordsEveryKindOfEntryButDotEntriesAndVolumeLabels) {
    FS.AddDirectory("C:\\Data\\Empty");
    FS.AddDirectory("C:\\Data\\.");
    FS.AddDirectory("C:\\Data\\..");
    FS.AddFile("C:\\Data\\hidden.txt", "h", kAttrHidden | kAttrArchive);
    FS.AddFile("C:\\Data\\system.sys", "s", kAttrSystem | kAttrHidden);
    FS.AddFile("C:\\Data\\.profile", "p", kAttrArchive);
    FS.AddFile("C:\\Data\\LABEL", "", kAttrVolumeLabel);
    FS.AddDirectory("C:\\Data\\Secret", kAttrHidden | kAttrSystem);
    Scanner.Scan("C:\\Data", true);

    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Data\\.profile", "C:\\Data\\Empty\\", "C:\\Data\\hidden.txt",
                                                      "C:\\Data\\Secret\\", "C:\\Data\\system.sys"}));
    std::size_t index = 0;
    ASSERT_TRUE(Files.Find("C:\\Data\\system.sys", index));
    EXPECT_EQ(Files.Record(index)->Attributes, kAttrSystem | kAttrHidden);
    ASSERT_TRUE(Files.Find("C:\\Data\\Secret\\", index));
    EXPECT_EQ(Files.Record(index)->Attributes, kAttrDirectory | kAttrHidden | kAttrSystem);
    EXPECT_EQ(Files.Record(index)->Size, 0);
    EXPECT_EQ(Files.Record(index)->Hash, "");
    EXPECT_EQ(Files.Record(index)->Included, 1);
    EXPECT_EQ(Scanner.DirectoryCount(), 2);
    EXPECT_EQ(Scanner.FileCount(), 3);
}

TEST_F(TreeScan, OnDirectoryEveryTenDirectoriesAndOnFileEveryTenFiles) {
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 4; ++j) {
            FS.AddFile("C:\\T\\D" + std::to_string(i) + "\\E" + std::to_string(j) + "\\f.txt", "x");
        }
    }
    std::vector<std::int64_t> directories;
    std::vector<std::int64_t> files;
    int messages = 0;
    Scanner.OnDirectory = [&](std::int64_t count) { directories.push_back(count); };
    Scanner.OnFile = [&](std::int64_t count) { files.push_back(count); };
    Scanner.OnProcessMessages = [&] { ++messages; };
    Scanner.Scan("C:\\T", true);
    EXPECT_EQ(Scanner.DirectoryCount(), 25);
    EXPECT_EQ(directories, (std::vector<std::int64_t>{10, 20}));
    EXPECT_EQ(files, (std::vector<std::int64_t>{10, 20}));
    EXPECT_EQ(messages, 26); // the scanned directory and each of the 25 below it
}

TEST_F(TreeScan, CountsRunOnAcrossPaths) {
    for (int i = 0; i < 6; ++i) {
        FS.AddDirectory("C:\\A\\" + std::to_string(i));
        FS.AddDirectory("C:\\B\\" + std::to_string(i));
    }
    std::vector<std::int64_t> directories;
    Scanner.OnDirectory = [&](std::int64_t count) { directories.push_back(count); };
    Scanner.Scan("C:\\A", true);
    Scanner.Scan("C:\\B", true);
    EXPECT_EQ(directories, (std::vector<std::int64_t>{10}));
    EXPECT_EQ(Files.Count(), 12u);
}

TEST_F(TreeScan, SizesAreSixtyFourBits) {
    const std::uint64_t sizes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x100000000, 5ull << 40};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        FS.AddFile("C:\\Big\\f" + std::to_string(i), "").Size = sizes[i];
    }
    Scanner.Scan("C:\\Big", true);
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        std::size_t index = 0;
        ASSERT_TRUE(Files.Find("C:\\Big\\f" + std::to_string(i), index));
        EXPECT_EQ(Files.Record(index)->Size, static_cast<std::int64_t>(sizes[i]));
    }
}

TEST_F(TreeScan, ReparsePointsAreRecordedButNotEntered) {
    FS.AddFile("C:\\Users\\Me\\doc.txt", "d");
    auto& junction = FS.AddDirectory("C:\\Users\\Me\\Application Data", kAttrDirectory | kAttrReparsePoint);
    auto looped = std::make_unique<TMemoryFileSystem::TNode>();
    looped->Name = "loop.txt";
    junction.Children.push_back(std::move(looped));
    FS.AddDirectory("C:\\Users\\Me\\Mount\\Inner", kAttrDirectory);
    FS.Find("C:\\Users\\Me\\Mount")->Attributes |= kAttrReparsePoint;
    Scanner.Scan("C:\\Users", true);
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Users\\Me\\", "C:\\Users\\Me\\Application Data\\",
                                                      "C:\\Users\\Me\\doc.txt", "C:\\Users\\Me\\Mount\\"}));
    std::size_t index = 0;
    ASSERT_TRUE(Files.Find("C:\\Users\\Me\\Mount\\", index));
    EXPECT_EQ(Files.Record(index)->Attributes, kAttrDirectory | kAttrReparsePoint);
}

TEST_F(TreeScan, NonRecursiveScanRecordsOnlyTheFirstLevel) {
    AddData();
    Scanner.Scan("C:\\Data", false);
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Data\\a.txt", "C:\\Data\\Sub\\"}));
}

TEST_F(TreeScan, DateIsLocalTimeCutToTwoSeconds) {
    const std::uint64_t base = TMemoryFileSystem::kDefaultTime;
    FS.AddFile("C:\\D\\even", "x", kAttrArchive, base + 2 * kTicksPerSecond);
    FS.AddFile("C:\\D\\odd", "x", kAttrArchive, base + 3 * kTicksPerSecond + 9999999);
    FS.AddFile("C:\\D\\fraction", "x", kAttrArchive, base + 1);
    FS.AddFile("C:\\D\\old", "x", kAttrArchive, 116444736000000000); // 1970, outside packed dates
    Scanner.Scan("C:\\D", true);
    const std::uint64_t hour = 3600 * kTicksPerSecond;
    const auto date = [&](const char* path) {
        std::size_t index = 0;
        EXPECT_TRUE(Files.Find(path, index)) << path;
        return Files.Record(index)->Date;
    };
    EXPECT_EQ(date("C:\\D\\even"), FileTimeToDateTime(base + 2 * kTicksPerSecond + hour));
    EXPECT_EQ(date("C:\\D\\odd"), FileTimeToDateTime(base + 2 * kTicksPerSecond + hour));
    EXPECT_EQ(date("C:\\D\\fraction"), FileTimeToDateTime(base + hour));
    EXPECT_EQ(date("C:\\D\\old"), 25569.0 + 1.0 / 24);
    std::size_t odd = 0;
    ASSERT_TRUE(Files.Find("C:\\D\\odd", odd));
    EXPECT_EQ(Files.Record(odd)->LastWrite, base + 2 * kTicksPerSecond); // UTC, cut like the date
    // The directory's date is converted like a file's.
    EXPECT_EQ(ScanDate(base, Time), FileTimeToDateTime(base + hour));
}

TEST(ScanDateConversion, UnconvertibleTimeGivesTheUnknownDate) {
    TFixedOffsetTime west(-120);
    EXPECT_EQ(ScanDate(0, west), kUnknownDateTime);
}

TEST_F(TreeScan, ListIsSortedWhateverTheListingOrder) {
    for (const char* name : {"zeta", "Alpha", "beta", "ALPHA2", "Ärger", "_under", "0num"}) {
        FS.AddFile(std::string("C:\\S\\") + name, "x");
    }
    Scanner.Scan("C:\\S", true);
    const auto texts = Texts(Files);
    for (std::size_t i = 1; i < texts.size(); ++i) {
        EXPECT_LT(CompareText(texts[i - 1], texts[i]), 0) << texts[i - 1] << " " << texts[i];
    }
    std::size_t index = 0;
    EXPECT_TRUE(Files.Find("c:\\s\\BETA", index));
}

TEST_F(TreeScan, UnreadableDirectoryContributesNothingAndIsNoted) {
    FS.AddFile("C:\\R\\Locked\\inside.txt", "x");
    FS.AddFile("C:\\R\\Open\\inside.txt", "x");
    FS.Find("C:\\R\\Locked")->Denied = true;
    Scanner.Scan("C:\\R", true);
    Scanner.Scan("C:\\Missing", true);
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\R\\Locked\\", "C:\\R\\Open\\", "C:\\R\\Open\\inside.txt"}));
    EXPECT_EQ(Notes.Lines(), (std::vector<std::string>{"Could not list: C:\\R\\Locked\\ (access denied)",
                                                       "Could not list: C:\\Missing\\ (not found)"}));
}

TEST_F(TreeScan, PathInsideAnEarlierPathIsSkippedWithANote) {
    AddData();
    Scanner.Scan("C:\\Data", true);
    const auto first = Texts(Files);
    EXPECT_NO_THROW(Scanner.Scan("C:\\DATA\\sub\\", true));
    EXPECT_NO_THROW(Scanner.Scan("C:\\Data\\", true));
    EXPECT_EQ(Texts(Files), first);
    EXPECT_EQ(Notes.Lines(), (std::vector<std::string>{"Skipped, already scanned: C:\\DATA\\sub\\ (with C:\\Data\\)",
                                                       "Skipped, already scanned: C:\\Data\\ (with C:\\Data\\)"}));
}

TEST_F(TreeScan, PathAroundAnEarlierPathDoesNotRecordItsContentsTwice) {
    AddData();
    Scanner.Scan("C:\\Data\\Sub", true);
    EXPECT_NO_THROW(Scanner.Scan("C:\\Data", true));
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Data\\a.txt", "C:\\Data\\Sub\\", "C:\\Data\\Sub\\b.txt"}));
    EXPECT_TRUE(Notes.Empty());
}

TEST_F(TreeScan, NamesEqualButForCaseKeepTheOrdinallyFirstWhateverTheListingOrder) {
    // A case-sensitive directory holding twins of both kinds; the twin
    // directories hold a file of the same name and one of their own.
    const std::vector<std::pair<std::string, std::string>> files{
        {"Dir\\x.txt", "upper"}, {"Dir\\upper-only.txt", "u"},
        {"dir\\x.txt", "lower"}, {"dir\\lower-only.txt", "l"},
        {"readme", "one"},       {"README", "two"},
        {"Readme", "three"},     {"other.txt", "o"},
    };
    const std::vector<std::string> expected{"C:\\L\\Dir\\", "C:\\L\\Dir\\upper-only.txt", "C:\\L\\Dir\\x.txt",
                                            "C:\\L\\other.txt", "C:\\L\\README"};
    const std::vector<std::string> expectedNotes{
        "Skipped, name differs only in case: C:\\L\\dir\\ (beside C:\\L\\Dir\\)",
        "Skipped, name differs only in case: C:\\L\\Readme (beside C:\\L\\README)",
        "Skipped, name differs only in case: C:\\L\\readme (beside C:\\L\\README)"};
    for (const bool reversed : {false, true}) {
        TMemoryFileSystem fs;
        fs.AddDirectory("C:\\L").CaseSensitive = true;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const auto& file = files[reversed ? files.size() - 1 - i : i];
            fs.AddFile("C:\\L\\" + file.first, file.second);
        }
        TFileList list(TListOrder::Sorted, TDuplicates::Refuse);
        TCaptureNotes notes;
        TTreeScanner scanner(list, fs, Time, notes);
        EXPECT_NO_THROW(scanner.Scan("C:\\L", true));
        EXPECT_EQ(Texts(list), expected) << "reversed " << reversed;
        EXPECT_EQ(notes.Lines(), expectedNotes) << "reversed " << reversed;
        EXPECT_EQ(scanner.DirectoryCount(), 1) << "reversed " << reversed;
        EXPECT_EQ(scanner.FileCount(), 4) << "reversed " << reversed;
    }
}

TEST_F(TreeScan, EverySpellingOfAScannedDirectoryIsTheSameDirectory) {
    AddData();
    FS.Find("C:\\Data")->ShortName = "DATA~1";
    FS.AddDirectory("C:\\x");
    const std::vector<std::string> records{"C:\\Data\\a.txt", "C:\\Data\\Sub\\", "C:\\Data\\Sub\\b.txt"};
    for (const char* spelling : {"C:/Data", "C:/Data/", "C:\\Data\\.", "C:\\Data\\.\\", "C:\\x\\..\\Data",
                                 "C:\\Data\\Sub\\..", "C:\\DATA~1", "C:\\Data.", "C:\\Data. . ", "C:\\Data..\\"}) {
        TFileList alone(TListOrder::Sorted, TDuplicates::Refuse);
        TCaptureNotes aloneNotes;
        TTreeScanner(alone, FS, Time, aloneNotes).Scan(spelling, true);
        EXPECT_EQ(Texts(alone), records) << spelling;
        EXPECT_TRUE(aloneNotes.Empty()) << spelling;

        TFileList both(TListOrder::Sorted, TDuplicates::Refuse);
        TCaptureNotes bothNotes;
        TTreeScanner scanner(both, FS, Time, bothNotes);
        scanner.Scan("C:\\Data", true);
        EXPECT_NO_THROW(scanner.Scan(spelling, true)) << spelling;
        EXPECT_EQ(Texts(both), records) << spelling;
        EXPECT_EQ(bothNotes.Lines(), std::vector<std::string>{"Skipped, already scanned: C:\\Data\\ (with C:\\Data\\)"})
            << spelling;
    }
}

TEST_F(TreeScan, SpellingsInsideAScannedDirectoryAreSkipped) {
    AddData();
    Scanner.Scan("C:/Data", true);
    Scanner.Scan("C:\\Data\\x\\..\\Sub\\.", true);
    EXPECT_EQ(Texts(Files), (std::vector<std::string>{"C:\\Data\\a.txt", "C:\\Data\\Sub\\", "C:\\Data\\Sub\\b.txt"}));
    EXPECT_EQ(Notes.Lines(), std::vector<std::string>{"Skipped, already scanned: C:\\Data\\Sub\\ (with C:\\Data\\)"});
}

TEST_F(TreeScan, DaylightSavingSwitchBetweenScansChangesNothing) {
    AddData();
    FS.AddFile("C:\\Data\\touched.txt", "t");
    TFileList before(TListOrder::Sorted, TDuplicates::Refuse);
    TTreeScanner(before, FS, TFixedOffsetTime(60), Notes).Scan("C:\\Data", true);
    FS.Find("C:\\Data\\touched.txt")->LastWrite += 2 * kTicksPerSecond;
    TFileList after(TListOrder::Sorted, TDuplicates::Refuse);
    TTreeScanner(after, FS, TFixedOffsetTime(120), Notes).Scan("C:\\Data", true);

    std::size_t beforeIndex = 0;
    std::size_t afterIndex = 0;
    ASSERT_TRUE(before.Find("C:\\Data\\a.txt", beforeIndex));
    ASSERT_TRUE(after.Find("C:\\Data\\a.txt", afterIndex));
    // The report shows local time.
    EXPECT_DOUBLE_EQ(after.Record(afterIndex)->Date, before.Record(beforeIndex)->Date + 1.0 / 24);
    TFileList modifiedBefore;
    TFileList modifiedAfter;
    CompareScans(before, after, modifiedBefore, modifiedAfter);
    EXPECT_EQ(Texts(modifiedAfter), std::vector<std::string>{"C:\\Data\\touched.txt"});
}

TEST_F(TreeScan, ListStaysSortedWhenACallbackFails) {
    for (int i = 20; i > 0; --i) {
        FS.AddDirectory("C:\\F\\" + std::to_string(i));
    }
    Scanner.OnDirectory = [](std::int64_t) { throw std::runtime_error("stop"); };
    EXPECT_THROW(Scanner.Scan("C:\\F", true), std::runtime_error);
    const auto texts = Texts(Files);
    ASSERT_EQ(texts.size(), 10u);
    for (std::size_t i = 1; i < texts.size(); ++i) {
        EXPECT_LT(CompareText(texts[i - 1], texts[i]), 0);
    }
}

TEST_F(TreeScan, DeepTreesAreWalkedWithoutRecursion) {
    std::string path = "C:\\Deep";
    for (int i = 0; i < 1000; ++i) {
        path += "\\d";
    }
    FS.AddFile(path + "\\leaf.txt", "x");
    Scanner.Scan("C:\\Deep", true);
    EXPECT_EQ(Scanner.DirectoryCount(), 1000);
    std::size_t index = 0;
    EXPECT_TRUE(Files.Find(path + "\\leaf.txt", index));
}

} // namespace
} // namespace quill
