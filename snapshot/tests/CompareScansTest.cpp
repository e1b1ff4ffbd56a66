#include "snapshot/TreeScan.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr std::uint64_t kTime = 133537680000000000;
constexpr std::uint64_t kTwoSeconds = 20000000;
constexpr TDateTime kDate = 45000.5;

struct TEntry {
    TEntry(std::string path, std::int64_t size = 10, std::uint64_t lastWrite = kTime,
           std::uint32_t attributes = kAttrArchive, std::string hash = {}, TDateTime date = kDate)
        : Path(std::move(path)), Size(size), LastWrite(lastWrite), Attributes(attributes), Hash(std::move(hash)),
          Date(date) {}
    std::string Path;
    std::int64_t Size;
    std::uint64_t LastWrite;
    std::uint32_t Attributes;
    std::string Hash;
    TDateTime Date;
};

TFileList Scan(const std::vector<TEntry>& entries) {
    TFileList list(TListOrder::Sorted, TDuplicates::Refuse);
    for (const auto& e : entries) {
        auto record = std::make_unique<TFileScan>();
        record->Size = e.Size;
        record->LastWrite = e.LastWrite;
        record->Date = e.Date;
        record->Attributes = e.Attributes;
        record->Hash = list.Keep(e.Hash);
        list.Append(e.Path, std::move(record));
    }
    list.SortAppended();
    return list;
}

// The texts of the items that still hold a record.
std::vector<std::string> Held(const TFileList& list) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        if (item.Record) {
            texts.push_back(item.Text);
        }
    }
    return texts;
}

std::vector<std::string> Texts(const TFileList& list) {
    std::vector<std::string> texts;
    for (const auto& item : list) {
        texts.push_back(item.Text);
    }
    return texts;
}

struct TResult {
    std::vector<std::string> Deleted;
    std::vector<std::string> Created;
    std::vector<std::string> ModifiedBefore;
    std::vector<std::string> ModifiedAfter;
};

TResult Compare(const std::vector<TEntry>& before, const std::vector<TEntry>& after) {
    TFileList filesBefore = Scan(before);
    TFileList filesAfter = Scan(after);
    TFileList modifiedBefore;
    TFileList modifiedAfter;
    EXPECT_TRUE(CompareScans(filesBefore, filesAfter, modifiedBefore, modifiedAfter));
    EXPECT_EQ(modifiedBefore.Count(), modifiedAfter.Count());
    for (std::size_t i = 0; i < modifiedBefore.Count(); ++i) {
        EXPECT_NE(modifiedBefore.Record(i), nullptr);
        EXPECT_NE(modifiedAfter.Record(i), nullptr);
    }
    return {Held(filesBefore), Held(filesAfter), Texts(modifiedBefore), Texts(modifiedAfter)};
}

using TTexts = std::vector<std::string>;

TEST(CompareScans, IdenticalScansLeaveNothing) {
    const std::vector<TEntry> scan{{"C:\\D\\", 0, kTime, kAttrDirectory}, {"C:\\D\\a.txt"}, {"C:\\D\\b.txt"}};
    const TResult r = Compare(scan, scan);
    EXPECT_TRUE(r.Deleted.empty());
    EXPECT_TRUE(r.Created.empty());
    EXPECT_TRUE(r.ModifiedBefore.empty());
}

TEST(CompareScans, EachOfTheFourTestsMakesAChange) {
    const struct {
        const char* Name;
        TEntry After;
        bool Changed;
    } cases[] = {
        {"same", {"C:\\f"}, false},
        {"size", {"C:\\f", 11}, true},
        {"size beyond 32 bits", {"C:\\f", 10 + (std::int64_t{1} << 32)}, true},
        {"last write", {"C:\\f", 10, kTime + kTwoSeconds}, true},
        {"local date only, as across a daylight-saving switch",
         {"C:\\f", 10, kTime, kAttrArchive, {}, kDate + 1.0 / 24},
         false},
        {"archive bit only", {"C:\\f", 10, kTime, 0}, true},
        {"read-only bit", {"C:\\f", 10, kTime, kAttrArchive | kAttrReadOnly}, true},
    };
    for (const auto& c : cases) {
        const TResult r = Compare({{"C:\\f"}}, {c.After});
        EXPECT_EQ(r.ModifiedBefore, c.Changed ? TTexts{"C:\\f"} : TTexts{}) << c.Name;
        EXPECT_TRUE(r.Deleted.empty() && r.Created.empty()) << c.Name;
    }
}

TEST(CompareScans, DigestsCountOnlyWhenBothExist) {
    const struct {
        const char* Before;
        const char* After;
        bool Changed;
    } cases[] = {
        {"", "", false},   {"AA", "", false}, // could not be read after (locked)
        {"", "AA", false}, {"AA", "AA", false}, {"AA", "BB", true}, {"AA", "aa", true}, // exact comparison
    };
    for (const auto& c : cases) {
        TEntry before{"C:\\f"};
        before.Hash = c.Before;
        TEntry after{"C:\\f"};
        after.Hash = c.After;
        const TResult r = Compare({before}, {after});
        EXPECT_EQ(r.ModifiedBefore.size(), c.Changed ? 1u : 0u) << c.Before << "/" << c.After;
    }
}

TEST(CompareScans, NewFileMovesItsDirectorysDate) {
    const TResult r =
        Compare({{"C:\\D\\", 0, kTime, kAttrDirectory}, {"C:\\D\\old.txt"}},
                {{"C:\\D\\", 0, kTime + 30 * kTwoSeconds, kAttrDirectory}, {"C:\\D\\old.txt"}, {"C:\\D\\new.txt"}});
    EXPECT_EQ(r.ModifiedBefore, TTexts{"C:\\D\\"});
    EXPECT_EQ(r.ModifiedAfter, TTexts{"C:\\D\\"});
    EXPECT_EQ(r.Created, TTexts{"C:\\D\\new.txt"});
    EXPECT_TRUE(r.Deleted.empty());
}

TEST(CompareScans, DeletedAndRecreatedIdenticalFileIsNotReported) {
    TEntry file{"C:\\D\\same.txt", 42, kTime, kAttrArchive, "0123"};
    const TResult r = Compare({file}, {file});
    EXPECT_TRUE(r.Deleted.empty() && r.Created.empty() && r.ModifiedBefore.empty());
}

TEST(CompareScans, CaseOnlyRenameIsOneEntry) {
    TResult r = Compare({{"C:\\Readme.txt"}}, {{"C:\\README.TXT"}});
    EXPECT_TRUE(r.Deleted.empty() && r.Created.empty() && r.ModifiedBefore.empty());
    // Changed as well: each side keeps its own spelling.
    r = Compare({{"C:\\Readme.txt"}}, {{"C:\\README.TXT", 99}});
    EXPECT_EQ(r.ModifiedBefore, TTexts{"C:\\Readme.txt"});
    EXPECT_EQ(r.ModifiedAfter, TTexts{"C:\\README.TXT"});
}

TEST(CompareScans, DeletedCreatedAndModifiedInterleaved) {
    const TResult r = Compare({{"C:\\a"}, {"C:\\b"}, {"C:\\c"}, {"C:\\e", 1}, {"C:\\g"}, {"C:\\z1"}, {"C:\\z2", 5}},
                              {{"C:\\0"}, {"C:\\b"}, {"C:\\d"}, {"C:\\e", 2}, {"C:\\f"}, {"C:\\z2", 6}, {"C:\\z3"}});
    EXPECT_EQ(r.Deleted, (TTexts{"C:\\a", "C:\\c", "C:\\g", "C:\\z1"}));
    EXPECT_EQ(r.Created, (TTexts{"C:\\0", "C:\\d", "C:\\f", "C:\\z3"}));
    EXPECT_EQ(r.ModifiedBefore, (TTexts{"C:\\e", "C:\\z2"}));
    EXPECT_EQ(r.ModifiedAfter, (TTexts{"C:\\e", "C:\\z2"}));
}

TEST(CompareScans, EmptySides) {
    TResult r = Compare({}, {{"C:\\new"}});
    EXPECT_EQ(r.Created, TTexts{"C:\\new"});
    r = Compare({{"C:\\gone"}}, {});
    EXPECT_EQ(r.Deleted, TTexts{"C:\\gone"});
}

TEST(CompareScans, ModifiedPairsKeepTheirRecordsAndTheRestLeavesTheLists) {
    TFileList before = Scan({{"C:\\f", 1}, {"C:\\same", 5}});
    TFileList after = Scan({{"C:\\f", 2}, {"C:\\same", 5}});
    TFileList modifiedBefore;
    TFileList modifiedAfter;
    CompareScans(before, after, modifiedBefore, modifiedAfter);
    ASSERT_EQ(modifiedBefore.Count(), 1u);
    ASSERT_EQ(modifiedAfter.Count(), 1u);
    EXPECT_EQ(modifiedBefore.Text(0), "C:\\f");
    EXPECT_EQ(modifiedBefore.Record(0)->Size, 1);
    EXPECT_EQ(modifiedAfter.Record(0)->Size, 2);
    EXPECT_EQ(before.Count(), 0u);
    EXPECT_EQ(after.Count(), 0u);
}

// Matches the result of a lookup per before-entry on random scans with
// case differences, shared prefixes and non-ASCII names.
TEST(CompareScans, AgreesWithALookupPerEntry) {
    std::mt19937 random(7);
    const std::vector<std::string> names{"a", "A", "ab", "Ab\\", "b", "ä", "Ä\\", "\xF0\x9F\x98\x80", "z", "a\\b"};
    for (int round = 0; round < 50; ++round) {
        std::vector<TEntry> before;
        std::vector<TEntry> after;
        std::vector<std::string> used;
        for (int i = 0; i < 40; ++i) {
            std::string path =
                "C:\\" + names[random() % names.size()] + names[random() % names.size()] + std::to_string(random() % 4);
            bool seen = false;
            for (const auto& u : used) {
                seen = seen || SameText(u, path);
            }
            if (seen) {
                continue;
            }
            used.push_back(path);
            const unsigned where = random() % 4;
            if (where != 1) {
                before.push_back({path, 1});
            }
            if (where != 0) {
                std::string spelled = path;
                if (random() % 2 != 0) {
                    for (char& c : spelled) {
                        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    }
                }
                after.push_back({spelled, where == 3 ? 2 : 1});
            }
        }
        TFileList b = Scan(before);
        TFileList a = Scan(after);
        std::vector<std::string> expectedModified;
        std::vector<std::string> expectedDeleted;
        for (const auto& item : b) {
            std::size_t index = 0;
            if (!a.Find(item.Text, index)) {
                expectedDeleted.push_back(item.Text);
            } else if (a.Record(index)->Size != item.Record->Size) {
                expectedModified.push_back(item.Text);
            }
        }
        TFileList mb;
        TFileList ma;
        CompareScans(b, a, mb, ma);
        EXPECT_EQ(Held(b), expectedDeleted) << round;
        EXPECT_EQ(Texts(mb), expectedModified) << round;
    }
}

} // namespace
} // namespace quill
