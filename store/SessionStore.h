#pragma once

#include "common/CaptureNotes.h"
#include "common/DiskUsage.h"
#include "common/LocalTime.h"
#include "common/ProcessList.h"
#include "common/RecordList.h"
#include "common/Registry.h"
#include "monitor/Journal.h"
#include "snapshot/EnumRegistry.h"
#include "snapshot/TreeScan.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace quill {

// A sorted list as the store keeps them: the program's case-insensitive
// order, duplicates accepted or refused as asked.
template <class TRecord> TRecordList<TRecord> PrepareSortedList(TDuplicates duplicates) {
    return TRecordList<TRecord>(TListOrder::Sorted, duplicates);
}

using TProcessList = TRecordList<TProcessRecord>;

// The eight lists of one registry root: the two snapshots and, after the
// comparison, the modified pairs at equal indexes.
struct TRootLists {
    TKeyList KeysBefore = NewKeyList();
    TKeyList KeysAfter = NewKeyList();
    TValueList ValuesBefore = NewValueList();
    TValueList ValuesAfter = NewValueList();
    TKeyList ModifiedKeysBefore;
    TKeyList ModifiedKeysAfter;
    TValueList ModifiedValuesBefore;
    TValueList ModifiedValuesAfter;
    // The before-capture snapshotted the root; only then does the
    // after-capture compare it.
    bool Recorded = false;
    // Both snapshots were taken and matched: only then do the lists tell
    // created, deleted and modified apart.
    bool Compared = false;
};

// Everything one recording captured, from one NewSession to the next (or to
// FreeSession). Readers (the filter, the report) reach it through its owner
// and must accept an empty store: before the first NewSession every list is
// empty and the watch journal does not exist.
class TSessionStore {
public:
    explicit TSessionStore(const ILocalTime& clock) : FClock(clock) {}
    TSessionStore(const TSessionStore&) = delete;
    TSessionStore& operator=(const TSessionStore&) = delete;

    // Empties every list and both disk tables, and opens a new watch journal.
    // Any directory watcher writing to the old journal must have stopped.
    void NewSession();
    // Releases every list and record, and the watch journal; safe any number
    // of times, also before the first NewSession.
    void FreeSession() noexcept;
    bool Exists() const noexcept { return FFileWatch != nullptr; }

    TRootLists& Root(TRegRoot root) noexcept { return FRoots[static_cast<std::size_t>(root)]; }
    const TRootLists& Root(TRegRoot root) const noexcept { return FRoots[static_cast<std::size_t>(root)]; }

    TFileList FilesBefore = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    TFileList FilesAfter = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    TFileList ModifiedFilesBefore;
    TFileList ModifiedFilesAfter;
    bool FilesRecorded = false;
    bool FilesCompared = false;

    // Kept as one object for the session: the shell's handlers append to it
    // whenever the component delivers.
    TShellEvents ShellEvents;
    // The directory watchers' journal with its lock; null without a session.
    TFileWatchJournal* FileWatch() noexcept { return FFileWatch.get(); }
    const TFileWatchJournal* FileWatch() const noexcept { return FFileWatch.get(); }

    TProcessList ProcessesBefore = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
    TProcessList ProcessesAfter = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);

    TDiskFreeTable DiskFreeBefore{};
    TDiskFreeTable DiskFreeAfter{};

    // What each capture could not record; the monitors' own notes (events a
    // watcher lost, events a handler could not take) count with the after-
    // capture, which ends them.
    TCaptureNotes BeforeNotes;
    TCaptureNotes AfterNotes;

    // Every note of the session, each line prefixed "Before: " or "After: ".
    std::vector<std::string> NoteLines() const;
    // The occurrences of every note NoteLines shows, the watchers' included.
    std::size_t NoteTotal() const noexcept;

private:
    void Clear() noexcept;

    const ILocalTime& FClock;
    std::array<TRootLists, std::size(kAllRoots)> FRoots;
    std::unique_ptr<TFileWatchJournal> FFileWatch;
};

} // namespace quill
