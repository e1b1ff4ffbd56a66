#include "filter/StoreFilter.h"

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

template <class TRecord> TRecord* Put(TRecordList<TRecord>& list, std::string text, TRecord record = {}) {
    auto owned = std::make_unique<TRecord>(std::move(record));
    TRecord* raw = owned.get();
    list.Add(std::move(text), std::move(owned));
    return raw;
}

class StoreFilter : public ::testing::Test {
protected:
    TFixedOffsetTime FClock;
    TSessionStore FStore{FClock};
    TMemoryRegistry FRegistry;
    TSettings FSettings{FRegistry};
    TIgnoreMatcher::TLists FIgnore;

    void SetUp() override { FStore.NewSession(); }
    void Apply() { ApplyResultFilter(FSettings, true, FIgnore, FStore); }
};

TEST_F(StoreFilter, SetsTheFlagOfEveryRecordOfTheComparedLists) {
    FSettings.WriteBool("F_HKEY_CURRENT_USER", false);
    FSettings.WriteBool("F_SHCNE_MKDIR", false);
    FIgnore.Directories = {"C:\\Temp"};
    TRootLists& machine = FStore.Root(TRegRoot::LocalMachine);
    TRootLists& user = FStore.Root(TRegRoot::CurrentUser);
    machine.Recorded = machine.Compared = true;
    user.Recorded = user.Compared = true;
    FStore.FilesRecorded = FStore.FilesCompared = true;

    TKeyRecord* machineKey = Put(machine.KeysAfter, "\\Software\\New\\");
    TValueRecord* machineValue = Put(machine.ValuesAfter, "\\Software\\New\\");
    TKeyRecord* userKey = Put(user.ModifiedKeysAfter, "\\Software\\Changed\\");
    TFileScan* tempFile = Put(FStore.FilesAfter, "C:\\Temp\\x.tmp");
    TFileScan* dataFile = Put(FStore.FilesBefore, "C:\\Data\\old.txt");
    FStore.FileWatch()->AddFileWatchEvent(1, "C:\\Temp\\x.tmp");
    FStore.FileWatch()->AddFileWatchEvent(1, "C:\\Data\\new.txt");
    AddShellEvent(FStore.ShellEvents, 0, 0x00000008, 0x00000008, "C:\\Temp\\dir", "");
    AddShellEvent(FStore.ShellEvents, 0, 0x00000002, 0x00000002, "C:\\Temp\\x.tmp", "");

    Apply();

    EXPECT_EQ(machineKey->Included, 1);
    EXPECT_EQ(machineValue->Included, 1);
    EXPECT_EQ(userKey->Included, 0);
    EXPECT_EQ(tempFile->Included, 0);
    EXPECT_EQ(dataFile->Included, 1);
    const TFileWatchEvents& events = FStore.FileWatch()->FileWatchEvents();
    EXPECT_EQ(events.Record(0)->Included, 0);
    EXPECT_EQ(events.Record(1)->Included, 1);
    EXPECT_EQ(FStore.ShellEvents.Record(0)->Included, 0);
    EXPECT_EQ(FStore.ShellEvents.Record(1)->Included, 1);
}

TEST_F(StoreFilter, LeavesListsThatWereNeverComparedAsTheyAre) {
    FSettings.WriteBool("F_NewKey", false);
    FSettings.WriteBool("F_FSScanCreated", false);
    TRootLists& machine = FStore.Root(TRegRoot::LocalMachine);
    machine.Recorded = true;
    TKeyRecord* snapshotKey = Put(machine.KeysAfter, "\\Software\\Any\\");
    FStore.FilesRecorded = true;
    TFileScan* snapshotFile = Put(FStore.FilesAfter, "C:\\any.txt");

    Apply();
    EXPECT_EQ(snapshotKey->Included, 1);
    EXPECT_EQ(snapshotFile->Included, 1);
    EXPECT_EQ(ResultListsOf(FStore).Roots[static_cast<std::size_t>(TRegRoot::LocalMachine)].KeysAfter, nullptr);
}

TEST_F(StoreFilter, AStoreWithoutASessionHasNothingToFilter) {
    FStore.FreeSession();
    Apply();
    EXPECT_EQ(ResultListsOf(FStore).FileWatchEvents, nullptr);
}

} // namespace
} // namespace quill
