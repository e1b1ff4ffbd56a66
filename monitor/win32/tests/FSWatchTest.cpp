#include "monitor/win32/FSWatch.h"

#include "common/win32/LongPath.h"
#include "common/win32/Win32LocalTime.h"
#include "common/win32/WinText.h"
#include "common/win32/tests/TempDirectory.h"
#include "monitor/ChangeRecords.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr std::uint32_t kAdded = 1;
constexpr std::uint32_t kRemoved = 2;
constexpr std::uint32_t kModified = 3;
constexpr std::uint32_t kRenamedOld = 4;
constexpr std::uint32_t kRenamedNew = 5;
// File names, directory names, size and last write.
constexpr std::uint32_t kFilter = 0x001 | 0x002 | 0x008 | 0x010;
constexpr auto kDeadline = std::chrono::seconds(10);

class TRecordingBoxes : public IMessageBoxes {
public:
    struct TShown {
        TMessageKind Kind;
        std::string Text;
    };
    std::vector<TShown> Shown;

    TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons) override {
        Shown.push_back({kind, text});
        return TMessageAnswer::Ok;
    }
};

using TEvent = std::pair<std::uint32_t, std::string>;

std::size_t IndexOf(const TFileWatchEvents& events, std::uint32_t action, const std::string& path) {
    for (std::size_t i = 0; i < events.Count(); ++i) {
        if (events.Record(i)->Action == action && events.Text(i) == path) {
            return i;
        }
    }
    return events.Count();
}

class FSWatchTest : public ::testing::Test {
protected:
    test::TTempDirectory Temp{"QuillborneWatchTest"};
    TWin32LocalTime Clock;
    TFileWatchJournal Journal{Clock};
    TRecordingBoxes Boxes;

    std::unique_ptr<TfrmFSWatch> Watch(const std::string& path, std::uint32_t filter = kFilter) {
        return std::make_unique<TfrmFSWatch>(nullptr, true, path, filter, Journal, Boxes);
    }

    // Waits until the journal holds the event.
    bool Journalled(std::uint32_t action, const std::string& path) {
        return Journal.WaitUntil(
            [&](const TFileWatchEvents& events) { return IndexOf(events, action, path) != events.Count(); }, kDeadline);
    }

    static bool Rename(const std::string& from, const std::string& to) {
        return ::MoveFileW(LongPathForm(from).c_str(), LongPathForm(to).c_str()) != FALSE;
    }
    static bool Delete(const std::string& path) { return ::DeleteFileW(LongPathForm(path).c_str()) != FALSE; }
};

TEST_F(FSWatchTest, JournalsCreateModifyRenameAndDeleteInOrder) {
    const std::string directory = Temp.Path().substr(0, Temp.Path().size() - 1); // no backslash
    const auto watch = Watch(directory);
    EXPECT_EQ(watch->Directory(), Temp.Path());
    EXPECT_EQ(watch->Caption(), "Watching " + Temp.Path() + "...");
    watch->StartWatch();
    ASSERT_TRUE(watch->Watching());

    const std::string a = Temp.Path() + "a.txt";
    const std::string b = Temp.Path() + "b.txt";
    ASSERT_TRUE(Temp.WriteFile("a.txt", ""));
    ASSERT_TRUE(Journalled(kAdded, a));
    ASSERT_TRUE(Temp.WriteFile("a.txt", "some content"));
    ASSERT_TRUE(Journalled(kModified, a));
    ASSERT_TRUE(Rename(a, b));
    ASSERT_TRUE(Journalled(kRenamedNew, b));
    ASSERT_TRUE(Delete(b));
    ASSERT_TRUE(Journalled(kRemoved, b));
    watch->StopWatch();

    const TFileWatchEvents& events = Journal.FileWatchEvents();
    const std::size_t added = IndexOf(events, kAdded, a);
    const std::size_t modified = IndexOf(events, kModified, a);
    const std::size_t renamedOld = IndexOf(events, kRenamedOld, a);
    const std::size_t renamedNew = IndexOf(events, kRenamedNew, b);
    const std::size_t removed = IndexOf(events, kRemoved, b);
    EXPECT_LT(added, modified);
    EXPECT_LT(modified, renamedOld);
    EXPECT_EQ(renamedNew, renamedOld + 1);
    EXPECT_LT(renamedNew, removed);
    ASSERT_LT(removed, events.Count());
    EXPECT_EQ(events.Record(removed)->Included, 1);
    EXPECT_GT(events.Record(removed)->Time, 40000.0);
    EXPECT_TRUE(Journal.Notes().Empty());
}

TEST_F(FSWatchTest, JournalsSubdirectoryPathsAndNamesOutsideTheCodePage) {
    const auto watch = Watch(Temp.Path());
    watch->StartWatch();
    // Made while watching: Wine watches only the subdirectories it sees made.
    ASSERT_TRUE(Temp.MakeDirectory("sub"));
    const std::string names[] = {"sub\\x.txt", "\xCE\xB1\xCE\xB2\xCE\xB3.txt", "sub\\\xE4\xB8\xAD\xE6\x96\x87.txt"};
    for (const std::string& name : names) {
        ASSERT_TRUE(Temp.WriteFile(name, "x")) << name;
        EXPECT_TRUE(Journalled(kAdded, Temp.Path() + name)) << name;
    }
}

TEST_F(FSWatchTest, TwoWatchersShareTheJournal) {
    ASSERT_TRUE(Temp.MakeDirectory("one"));
    ASSERT_TRUE(Temp.MakeDirectory("two"));
    const auto one = Watch(Temp.Path() + "one");
    const auto two = Watch(Temp.Path() + "two");
    one->StartWatch();
    two->StartWatch();
    constexpr int kFiles = 20;
    for (int i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(Temp.WriteFile("one\\f" + std::to_string(i), ""));
        ASSERT_TRUE(Temp.WriteFile("two\\f" + std::to_string(i), ""));
    }
    EXPECT_TRUE(Journalled(kAdded, Temp.Path() + "one\\f" + std::to_string(kFiles - 1)));
    EXPECT_TRUE(Journalled(kAdded, Temp.Path() + "two\\f" + std::to_string(kFiles - 1)));
    one->StopWatch();
    two->StopWatch();

    for (const char* directory : {"one\\f", "two\\f"}) {
        std::size_t last = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::size_t at =
                IndexOf(Journal.FileWatchEvents(), kAdded, Temp.Path() + directory + std::to_string(i));
            ASSERT_LT(at, Journal.FileWatchEvents().Count()) << directory << i;
            EXPECT_TRUE(i == 0 || at > last) << directory << i;
            last = at;
        }
    }
}

TEST_F(FSWatchTest, LostChangesAreJournalledForTheDirectoryAndNoted) {
    // A buffer too small for the record of the name: the platform can only
    // say that it lost the change.
    TfrmFSWatch watch(nullptr, true, Temp.Path(), kFilter, Journal, Boxes, 64);
    watch.StartWatch();
    ASSERT_TRUE(Temp.WriteFile("a-name-that-takes-more-bytes-than-the-buffer-has.txt", "x"));
    ASSERT_TRUE(Journalled(0, Temp.Path()));
    watch.StopWatch();
    ASSERT_FALSE(Journal.Notes().Empty());
    EXPECT_EQ(Journal.Notes().Kinds()[0].Kind, kEventsLost);
    EXPECT_EQ(Journal.Notes().Kinds()[0].Examples[0], Temp.Path());
}

TEST_F(FSWatchTest, StopReturnsOnceTheWorkerHasEnded) {
    const auto watch = Watch(Temp.Path());
    watch->StopWatch(); // never started: nothing to do
    EXPECT_FALSE(watch->Watching());
    for (int round = 0; round < 3; ++round) {
        watch->StartWatch();
        ASSERT_TRUE(watch->Watching());
        const TUniqueHandleObject worker(::OpenThread(SYNCHRONIZE, FALSE, watch->WorkerThreadId()));
        ASSERT_TRUE(worker);
        ASSERT_TRUE(Temp.WriteFile("r" + std::to_string(round), "x"));
        watch->StopWatch();
        EXPECT_EQ(::WaitForSingleObject(worker.Get(), 0), WAIT_OBJECT_0) << round;
        EXPECT_FALSE(watch->Watching());
        EXPECT_EQ(watch->WorkerThreadId(), 0u);
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FSWatchTest, ChangesAfterStopAreNotJournalled) {
    const auto watch = Watch(Temp.Path());
    watch->StartWatch();
    ASSERT_TRUE(Temp.WriteFile("before.txt", ""));
    ASSERT_TRUE(Journalled(kAdded, Temp.Path() + "before.txt"));
    watch->StopWatch();
    const std::size_t count = Journal.FileWatchEvents().Count();
    ASSERT_TRUE(Temp.WriteFile("after.txt", ""));
    // A second watch proves the change was reported, and the first one kept
    // silent about it.
    const auto witness = Watch(Temp.Path());
    witness->StartWatch();
    ASSERT_TRUE(Temp.WriteFile("witness.txt", ""));
    ASSERT_TRUE(Journalled(kAdded, Temp.Path() + "witness.txt"));
    witness->StopWatch();
    EXPECT_EQ(IndexOf(Journal.FileWatchEvents(), kAdded, Temp.Path() + "after.txt"), Journal.FileWatchEvents().Count());
    EXPECT_GT(Journal.FileWatchEvents().Count(), count);
}

TEST_F(FSWatchTest, WatchesDirectoriesBeyondTheOldPathLimit) {
    const std::string relative = std::string(150, 'd') + "\\" + std::string(150, 'e');
    ASSERT_TRUE(Temp.MakeDirectory(relative));
    const auto watch = Watch(Temp.Path() + relative);
    watch->StartWatch();
    ASSERT_TRUE(watch->Watching());
    ASSERT_TRUE(Temp.WriteFile(relative + "\\x.txt", "x"));
    EXPECT_TRUE(Journalled(kAdded, Temp.Path() + relative + "\\x.txt"));
}

TEST_F(FSWatchTest, ShowingTheWindowStartsTheWatchAndClosingItStops) {
    const auto watch = Watch(Temp.Path());
    watch->Show();
    EXPECT_TRUE(watch->Watching());
    ::SendMessageW(watch->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(watch->Watching());
    EXPECT_FALSE(::IsWindowVisible(watch->Handle()));
}

// What runs where no display is (a service, Wine without X) can make no
// window: a watch that is never shown makes none.
TEST_F(FSWatchTest, AWatchThatIsNeverShownHasNoWindow) {
    const auto watch = Watch(Temp.Path());
    watch->StartWatch();
    ASSERT_TRUE(Temp.WriteFile("a.txt", ""));
    EXPECT_TRUE(Journalled(kAdded, Temp.Path() + "a.txt"));
    EXPECT_EQ(watch->Handle(), nullptr);
    EXPECT_EQ(watch->Caption(), "Watching " + Temp.Path() + "...");
}

// Buffers too large for any memory: the start fails after the directory is
// open and the completion port exists.
TEST_F(FSWatchTest, AStartThatFailsHalfWayLeavesNothingOpenAndStops) {
    ASSERT_TRUE(Temp.MakeDirectory("w"));
    const std::string directory = Temp.Path() + "w";
    TfrmFSWatch watch(nullptr, true, directory, kFilter, Journal, Boxes, std::size_t(1) << 60);
    EXPECT_ANY_THROW(watch.StartWatch());
    EXPECT_FALSE(watch.Watching());
    watch.StopWatch();
    // No handle keeps the directory from going away for good.
    ASSERT_TRUE(::RemoveDirectoryW(LongPathForm(directory).c_str()));
    EXPECT_TRUE(::CreateDirectoryW(LongPathForm(directory).c_str(), nullptr)) << ::GetLastError();
}

// Wine keeps a removed directory pending while the watch holds it open and
// tells the watch nothing, so only Windows can show this.
TEST_F(FSWatchTest, AWatchedDirectoryThatIsRemovedIsJournalledNotedAndLetGo) {
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine does not complete the read of a removed directory";
    }
    ASSERT_TRUE(Temp.MakeDirectory("w"));
    const std::string directory = Temp.Path() + "w\\";
    const auto watch = Watch(directory);
    watch->StartWatch();
    ASSERT_TRUE(::RemoveDirectoryW(LongPathForm(directory).c_str()));
    ASSERT_TRUE(Journalled(kRemoved, directory));
    EXPECT_TRUE(::CreateDirectoryW(LongPathForm(directory).c_str(), nullptr)) << ::GetLastError();
    watch->StopWatch();
    EXPECT_EQ(Journal.Notes().Lines(), std::vector<std::string>{"Stopped watching: " + directory + " (removed)"});
}

TEST_F(FSWatchTest, AMissingDirectoryShowsTheErrorBox) {
    const std::string missing = Temp.Path() + "missing\\";
    const auto watch = Watch(missing);
    watch->StartWatch();
    EXPECT_FALSE(watch->Watching());
    EXPECT_EQ(watch->Caption(), "Error watching " + missing + "...");
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Kind, TMessageKind::Error);
    const std::string start = "Unable to track file-system changes on " + missing + "\n\r\n\r";
    EXPECT_EQ(Boxes.Shown[0].Text.substr(0, start.size()), start);
    EXPECT_GT(Boxes.Shown[0].Text.size(), start.size()); // the system's reason
}

TEST_F(FSWatchTest, AFilterOfNothingStartsNothing) {
    const auto watch = Watch(Temp.Path(), 0);
    watch->StartWatch();
    EXPECT_FALSE(watch->Watching());
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(watch->Caption(), "Watching " + Temp.Path() + "...");
}

TEST_F(FSWatchTest, StartingAStartedWatchSaysSo) {
    const auto watch = Watch(Temp.Path());
    watch->StartWatch();
    const DWORD worker = watch->WorkerThreadId();
    watch->StartWatch();
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, Temp.Path() + " is already being monitored.");
    EXPECT_EQ(watch->WorkerThreadId(), worker);
    EXPECT_TRUE(watch->Watching());
}

} // namespace
} // namespace quill
