#include "monitor/Journal.h"

#include "common/tests/FixedOffsetTime.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quill {
namespace {

TEST(ShellEventJournal, KeepsArrivalOrderWithTheFirstPathAsText) {
    TShellEvents events;
    AddShellEvent(events, 45000.25, 0x1, 0x1, "C:\\old.txt", "C:\\new.txt");
    AddShellEvent(events, 45000.5, 0x2, 0x2, "", "");
    AddShellEvent(events, 45000.75, 0x2, 0x2, "A:\\first.txt", "");
    ASSERT_EQ(events.Count(), 3u);
    EXPECT_EQ(events.Text(0), "C:\\old.txt");
    EXPECT_EQ(events.Text(1), "");
    EXPECT_EQ(events.Text(2), "A:\\first.txt");
    const TShellEvent& rename = *events.Record(0);
    EXPECT_EQ(rename.Time, 45000.25);
    EXPECT_EQ(rename.Kind, 0x1u);
    EXPECT_EQ(rename.Code, 0x1u);
    EXPECT_EQ(rename.Path1, "C:\\old.txt");
    EXPECT_EQ(rename.Path2, "C:\\new.txt");
    EXPECT_EQ(rename.Included, 1);
}

TEST(FileWatchJournal, KeepsEachWatchersOrderWhileTwoThreadsAppend) {
    TFixedOffsetTime clock;
    TFileWatchJournal journal(clock);
    constexpr int kEach = 5000;
    const auto watcher = [&](const std::string& directory) {
        for (int i = 0; i < kEach; ++i) {
            journal.AddFileWatchEvent(1 + i % 5, directory + std::to_string(i));
        }
    };
    std::thread first(watcher, std::string("C:\\a\\"));
    std::thread second(watcher, std::string("C:\\b\\"));
    first.join();
    second.join();

    ASSERT_EQ(journal.Count(), 2u * kEach);
    int nextA = 0;
    int nextB = 0;
    for (const auto& item : journal.FileWatchEvents()) {
        int& next = item.Text.starts_with("C:\\a\\") ? nextA : nextB;
        EXPECT_EQ(item.Text.substr(5), std::to_string(next));
        EXPECT_EQ(item.Record->Action, static_cast<std::uint32_t>(1 + next % 5));
        EXPECT_EQ(item.Record->Included, 1);
        ++next;
    }
    EXPECT_EQ(nextA, kEach);
    EXPECT_EQ(nextB, kEach);
}

// Watches of C:\w\ (outer) and C:\w\sub\ (inner), both with their
// subtrees; what each reports, in the order the reports arrive.
struct TOverlapCase {
    const char* Name;
    std::vector<std::pair<int, std::string>> Reports; // 0 outer, 1 inner, 2 inner ended
    std::vector<std::string> Journalled;
};

TEST(FileWatchJournal, AChangeThatOverlappingWatchesBothReportIsJournalledOnce) {
    const TOverlapCase cases[] = {
        {"outer first", {{0, "C:\\w\\sub\\a"}, {1, "C:\\w\\sub\\a"}}, {"C:\\w\\sub\\a"}},
        {"inner first", {{1, "C:\\w\\sub\\a"}, {0, "C:\\w\\sub\\a"}}, {"C:\\w\\sub\\a"}},
        {"one change twice",
         {{0, "C:\\w\\sub\\a"}, {0, "C:\\w\\sub\\a"}, {1, "C:\\w\\sub\\a"}, {1, "C:\\w\\sub\\a"}},
         {"C:\\w\\sub\\a", "C:\\w\\sub\\a"}},
        {"spelt in another case", {{1, "C:\\w\\sub\\a"}, {0, "C:\\W\\SUB\\A"}}, {"C:\\w\\sub\\a"}},
        {"outside the inner watch", {{0, "C:\\w\\b"}, {1, "C:\\w\\sub\\b"}}, {"C:\\w\\b", "C:\\w\\sub\\b"}},
        {"after the inner watch ended",
         {{1, "C:\\w\\sub\\a"}, {2, ""}, {0, "C:\\w\\sub\\a"}, {0, "C:\\w\\sub\\a"}},
         {"C:\\w\\sub\\a", "C:\\w\\sub\\a"}},
    };
    for (const TOverlapCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFixedOffsetTime clock;
        TFileWatchJournal journal(clock);
        const std::size_t watches[] = {journal.BeginWatch("C:\\w\\", true), journal.BeginWatch("C:\\w\\sub\\", true)};
        for (const auto& [watch, path] : c.Reports) {
            if (watch == 2) {
                journal.EndWatch(watches[1]);
            } else {
                journal.AddFileWatchEvent(1, path, watches[watch]);
            }
        }
        std::vector<std::string> journalled;
        for (const auto& item : journal.FileWatchEvents()) {
            journalled.push_back(item.Text);
        }
        EXPECT_EQ(journalled, c.Journalled);
    }
}

TEST(FileWatchJournal, WaitsForACountOrGivesUp) {
    TFixedOffsetTime clock;
    TFileWatchJournal journal(clock);
    std::thread writer([&] {
        for (int i = 0; i < 3; ++i) {
            journal.AddFileWatchEvent(1, "C:\\x" + std::to_string(i));
        }
    });
    EXPECT_TRUE(journal.WaitForCount(3, std::chrono::seconds(10)));
    writer.join();
    EXPECT_FALSE(journal.WaitForCount(4, std::chrono::milliseconds(1)));
}

TEST(FileWatchJournal, KeepsNotesFromAnyThread) {
    TFixedOffsetTime clock;
    TFileWatchJournal journal(clock);
    std::thread writer([&] { journal.AddNote("Events were lost while watching", "C:\\x\\"); });
    writer.join();
    EXPECT_EQ(journal.Notes().Lines(), std::vector<std::string>{"Events were lost while watching: C:\\x\\"});
}

} // namespace
} // namespace quill
