#include "snapshot/EnumRegistry.h"
#include "snapshot/TreeScan.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "snapshot/tests/MemoryFileSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quill {
namespace {

using ::testing::ElementsAre;

constexpr TRegRoot kRoot = TRegRoot::CurrentUser;
constexpr std::uint64_t kLater = TMemoryFileSystem::kDefaultTime + 864000000000;

// What a session keeps of one recording: the results of the comparisons,
// which stay, and the snapshots, which it may let go of once compared.
struct TSession {
    struct TSnapshots {
        TKeyList KeysBefore = NewKeyList();
        TKeyList KeysAfter = NewKeyList();
        TValueList ValuesBefore = NewValueList();
        TValueList ValuesAfter = NewValueList();
        TFileList FilesBefore{TListOrder::Sorted, TDuplicates::Refuse};
        TFileList FilesAfter{TListOrder::Sorted, TDuplicates::Refuse};
    };
    std::unique_ptr<TSnapshots> Snapshots = std::make_unique<TSnapshots>();
    TKeyList ModifiedKeysBefore;
    TKeyList ModifiedKeysAfter;
    TValueList ModifiedValuesBefore;
    TValueList ModifiedValuesAfter;
    TFileList ModifiedFilesBefore;
    TFileList ModifiedFilesAfter;

    std::vector<std::weak_ptr<TArena>> Arenas() const {
        std::vector<std::weak_ptr<TArena>> arenas;
        const auto add = [&](const std::shared_ptr<TArena>& arena) { arenas.push_back(arena); };
        ModifiedKeysBefore.ForEachArena(add);
        ModifiedKeysAfter.ForEachArena(add);
        ModifiedValuesBefore.ForEachArena(add);
        ModifiedValuesAfter.ForEachArena(add);
        ModifiedFilesBefore.ForEachArena(add);
        ModifiedFilesAfter.ForEachArena(add);
        if (Snapshots) {
            Snapshots->KeysBefore.ForEachArena(add);
            Snapshots->ValuesAfter.ForEachArena(add);
            Snapshots->FilesBefore.ForEachArena(add);
            Snapshots->FilesAfter.ForEachArena(add);
        }
        return arenas;
    }
};

// Records a registry and a file system, changes a value and a file, and
// records them again.
std::unique_ptr<TSession> Record() {
    auto session = std::make_unique<TSession>();
    TSession::TSnapshots& s = *session->Snapshots;
    const TFixedOffsetTime localTime;
    TCaptureNotes notes;
    TMemoryRegistry registry;
    registry.SetString(kRoot, "Software\\Vendor\\Product", "InstallPath", "C:\\Program Files\\Product");
    registry.SetString(kRoot, "Software\\Vendor\\Product", "Version", "1.0");
    registry.SetString(kRoot, "Software\\Other", "Kept", "same");
    TMemoryFileSystem files;
    files.AddFile("C:\\Data\\app.ini", "old");
    files.AddFile("C:\\Data\\kept.txt", "kept");
    SnapshotRoot({}, registry, kRoot, localTime, s.KeysBefore, s.ValuesBefore, notes);
    TTreeScanner(s.FilesBefore, files, localTime, notes).Scan("C:\\Data", true);

    registry.SetString(kRoot, "Software\\Vendor\\Product", "Version", "2.0");
    registry.Key(kRoot, "Software\\Vendor\\Product").LastWrite += 10000000;
    files.AddFile("C:\\Data\\app.ini", "newer", kAttrArchive, kLater);
    SnapshotRoot({}, registry, kRoot, localTime, s.KeysAfter, s.ValuesAfter, notes);
    TTreeScanner(s.FilesAfter, files, localTime, notes).Scan("C:\\Data", true);
    return session;
}

void Compare(TSession& session) {
    TSession::TSnapshots& s = *session.Snapshots;
    CompareRoot({}, {}, s.KeysBefore, s.KeysAfter, s.ValuesBefore, s.ValuesAfter, session.ModifiedKeysBefore,
                session.ModifiedKeysAfter, session.ModifiedValuesBefore, session.ModifiedValuesAfter);
    CompareScans(s.FilesBefore, s.FilesAfter, session.ModifiedFilesBefore, session.ModifiedFilesAfter);
}

std::unique_ptr<TSession> NewSession() {
    std::unique_ptr<TSession> session = Record();
    Compare(*session);
    return session;
}

std::vector<std::string> ValueChanges(const TValueList& values) {
    std::vector<std::string> changes;
    for (const auto& item : values) {
        changes.push_back(item.Text + item.Record->Name + "=" + std::string(std::get<TText>(item.Record->Data)));
    }
    return changes;
}

TEST(SnapshotArenas, ResultsOutliveTheSnapshotListsTheyCameFrom) {
    std::unique_ptr<TSession> session = NewSession();
    session->Snapshots.reset();

    EXPECT_THAT(ValueChanges(session->ModifiedValuesBefore), ElementsAre("\\Software\\Vendor\\Product\\Version=1.0"));
    EXPECT_THAT(ValueChanges(session->ModifiedValuesAfter), ElementsAre("\\Software\\Vendor\\Product\\Version=2.0"));
    ASSERT_EQ(session->ModifiedKeysAfter.Count(), 1u);
    EXPECT_EQ(session->ModifiedKeysAfter.Text(0), "\\Software\\Vendor\\Product\\");
    EXPECT_LT(session->ModifiedKeysBefore.Record(0)->LastWrite, session->ModifiedKeysAfter.Record(0)->LastWrite);
    ASSERT_EQ(session->ModifiedFilesAfter.Count(), 1u);
    EXPECT_EQ(session->ModifiedFilesAfter.Text(0), "C:\\Data\\app.ini");
    EXPECT_EQ(session->ModifiedFilesBefore.Record(0)->Size, 3);
    EXPECT_EQ(session->ModifiedFilesAfter.Record(0)->Size, 5);
}

// The unchanged records, nearly all of both snapshots, go with the
// comparison, while the session still holds the lists.
TEST(SnapshotArenas, TheComparisonsLetGoOfTheSnapshotsBlocks) {
    std::unique_ptr<TSession> session = Record();
    const std::vector<std::weak_ptr<TArena>> snapshots = session->Arenas();
    ASSERT_FALSE(snapshots.empty());

    Compare(*session);

    for (const auto& arena : snapshots) {
        EXPECT_TRUE(arena.expired());
    }
    EXPECT_THAT(ValueChanges(session->ModifiedValuesAfter), ElementsAre("\\Software\\Vendor\\Product\\Version=2.0"));
    EXPECT_EQ(session->ModifiedFilesAfter.Record(0)->Size, 5);
}

TEST(SnapshotArenas, ASecondSessionFreesEveryBlockOfTheFirst) {
    std::unique_ptr<TSession> session = NewSession();
    const std::vector<std::weak_ptr<TArena>> first = session->Arenas();
    ASSERT_FALSE(first.empty());
    session->Snapshots.reset();
    for (const auto& arena : first) {
        EXPECT_FALSE(arena.expired()) << "the results still hold records of every snapshot";
    }

    session = NewSession();

    for (const auto& arena : first) {
        EXPECT_TRUE(arena.expired());
    }
}

} // namespace
} // namespace quill
