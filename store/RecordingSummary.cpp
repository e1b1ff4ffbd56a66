#include "store/RecordingSummary.h"

namespace quill {
namespace {

// Items that still hold their record after a comparison are unmatched: the
// created ones in an after list, the deleted ones in a before list.
template <class TRecord> std::size_t Unmatched(const TRecordList<TRecord>& list) {
    std::size_t count = 0;
    for (const auto& item : list) {
        count += item.Record != nullptr && item.Record->Included != 0;
    }
    return count;
}

template <class TRecord>
TChangeCounts Count(const TRecordList<TRecord>& before, const TRecordList<TRecord>& after,
                    const TRecordList<TRecord>& modifiedAfter) {
    return {Unmatched(after), Unmatched(before), Unmatched(modifiedAfter)};
}

void Add(TChangeCounts& total, const TChangeCounts& more) {
    total.Created += more.Created;
    total.Deleted += more.Deleted;
    total.Modified += more.Modified;
}

std::string CountsLine(const std::string& what, const TChangeCounts& counts) {
    return what + ": " + std::to_string(counts.Created) + " created, " + std::to_string(counts.Deleted) + " deleted, " +
           std::to_string(counts.Modified) + " modified";
}

} // namespace

TRecordingSummary SummarizeRecording(const TSessionStore& store) {
    TRecordingSummary summary;
    for (const TRegRoot root : kAllRoots) {
        const TRootLists& lists = store.Root(root);
        if (lists.Compared) {
            Add(summary.Keys, Count(lists.KeysBefore, lists.KeysAfter, lists.ModifiedKeysAfter));
            Add(summary.Values, Count(lists.ValuesBefore, lists.ValuesAfter, lists.ModifiedValuesAfter));
        }
    }
    if (store.FilesCompared) {
        summary.Files = Count(store.FilesBefore, store.FilesAfter, store.ModifiedFilesAfter);
    }
    if (const TFileWatchJournal* journal = store.FileWatch()) {
        summary.Events += Unmatched(journal->FileWatchEvents());
    }
    summary.Events += Unmatched(store.ShellEvents);
    summary.Notes = store.NoteTotal();
    return summary;
}

std::vector<std::string> SummaryLines(const TRecordingSummary& summary) {
    return {CountsLine("Registry keys", summary.Keys), CountsLine("Registry values", summary.Values),
            CountsLine("Files", summary.Files), "Events: " + std::to_string(summary.Events),
            "Capture notes: " + std::to_string(summary.Notes)};
}

} // namespace quill
