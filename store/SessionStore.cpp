#include "store/SessionStore.h"

namespace quill {
namespace {

void AppendPrefixed(std::vector<std::string>& lines, std::string_view prefix, const TCaptureNotes& notes) {
    for (std::string& line : notes.Lines()) {
        lines.push_back(std::string(prefix) + line);
    }
}

} // namespace

void TSessionStore::Clear() noexcept {
    for (TRootLists& lists : FRoots) {
        lists = TRootLists();
    }
    FilesBefore = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    FilesAfter = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    ModifiedFilesBefore.Clear();
    ModifiedFilesAfter.Clear();
    FilesRecorded = false;
    FilesCompared = false;
    ShellEvents.Clear();
    ProcessesBefore = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
    ProcessesAfter = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
    DiskFreeBefore.fill(0);
    DiskFreeAfter.fill(0);
    BeforeNotes.Clear();
    AfterNotes.Clear();
}

void TSessionStore::NewSession() {
    FreeSession();
    FFileWatch = std::make_unique<TFileWatchJournal>(FClock);
}

void TSessionStore::FreeSession() noexcept {
    Clear();
    FFileWatch.reset();
}

std::vector<std::string> TSessionStore::NoteLines() const {
    std::vector<std::string> lines;
    AppendPrefixed(lines, "Before: ", BeforeNotes);
    AppendPrefixed(lines, "After: ", AfterNotes);
    if (FFileWatch != nullptr) {
        AppendPrefixed(lines, "After: ", FFileWatch->Notes());
    }
    return lines;
}

std::size_t TSessionStore::NoteTotal() const noexcept {
    return BeforeNotes.Total() + AfterNotes.Total() + (FFileWatch != nullptr ? FFileWatch->Notes().Total() : 0);
}

} // namespace quill
