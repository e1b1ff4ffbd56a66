#pragma once

#include "filter/ResultFilter.h"
#include "store/SessionStore.h"

namespace quill {

// The lists of the store whose records a report may show: the roots and the
// file scan only where both captures were compared (before that, snapshot
// lists hold every key and file, not changes), the journals always.
TResultLists ResultListsOf(TSessionStore& store);

// The result filter over everything the store holds.
void ApplyResultFilter(const TSettings& settings, bool directoryWatching, const TIgnoreMatcher::TLists& ignore,
                       TSessionStore& store);

} // namespace quill
