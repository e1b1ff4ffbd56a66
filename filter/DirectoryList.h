#pragma once

#include "common/MessageBoxes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Whether the entry covers the directory: the directory lies in the entry's
// subtree or is the entry itself. A sibling whose name merely begins with
// the entry's name is not covered.
bool Covers(std::string_view entry, std::string_view directory);

// The directories to scan and watch as the directory list dialog edits them:
// sorted without regard to case, each covering its whole subtree, kept free
// of overlaps whenever a directory is added.
class TDirectoryList {
public:
    // The stored list text, shown as it is but for repeated directories.
    explicit TDirectoryList(std::string_view paths);

    const std::vector<std::string>& Entries() const noexcept { return FEntries; }

    // Where the chooser opens: the last entry, or the fallback while the list
    // is empty.
    std::string StartDirectory(std::string_view fallback) const;

    // The add step for a chosen directory: nothing when listed already, a
    // refusal when an entry covers it, and the entries inside it replaced
    // once the user agrees. Whether the directory was added.
    bool Add(std::string_view directory, IMessageBoxes& messages);

    // Removes the entries at the indexes, in any order.
    void Delete(std::vector<std::size_t> selected);

    // The list text handed back on OK: the entries, trimmed of blanks.
    std::string Paths() const;

private:
    std::vector<std::string> FEntries;
};

} // namespace quill
