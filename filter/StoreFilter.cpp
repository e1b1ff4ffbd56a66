#include "filter/StoreFilter.h"

namespace quill {

TResultLists ResultListsOf(TSessionStore& store) {
    TResultLists lists;
    for (const TRegRoot root : kAllRoots) {
        TRootLists& from = store.Root(root);
        if (from.Compared) {
            lists.Roots[static_cast<std::size_t>(root)] = {
                &from.KeysBefore,   &from.KeysAfter,   &from.ModifiedKeysBefore,   &from.ModifiedKeysAfter,
                &from.ValuesBefore, &from.ValuesAfter, &from.ModifiedValuesBefore, &from.ModifiedValuesAfter};
        }
    }
    if (store.FilesCompared) {
        lists.FilesBefore = &store.FilesBefore;
        lists.FilesAfter = &store.FilesAfter;
        lists.ModifiedFilesBefore = &store.ModifiedFilesBefore;
        lists.ModifiedFilesAfter = &store.ModifiedFilesAfter;
    }
    if (TFileWatchJournal* journal = store.FileWatch()) {
        lists.FileWatchEvents = &journal->FileWatchEvents();
    }
    lists.ShellEvents = &store.ShellEvents;
    return lists;
}

void ApplyResultFilter(const TSettings& settings, bool directoryWatching, const TIgnoreMatcher::TLists& ignore,
                       TSessionStore& store) {
    TResultLists lists = ResultListsOf(store);
    ApplyResultFilter(settings, directoryWatching, ignore, lists);
}

} // namespace quill
