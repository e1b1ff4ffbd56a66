#pragma once

#include "common/Registry.h"
#include "filter/FilterSwitches.h"
#include "filter/IgnoreMatcher.h"
#include "monitor/Journal.h"
#include "snapshot/EnumRegistry.h"
#include "snapshot/TreeScan.h"

#include <array>

namespace quill {

// The comparison results of one root. A root that was not captured has no
// lists (all null).
struct TRootResults {
    TKeyList* KeysBefore = nullptr;
    TKeyList* KeysAfter = nullptr;
    TKeyList* ModifiedKeysBefore = nullptr;
    TKeyList* ModifiedKeysAfter = nullptr;
    TValueList* ValuesBefore = nullptr;
    TValueList* ValuesAfter = nullptr;
    TValueList* ModifiedValuesBefore = nullptr;
    TValueList* ModifiedValuesAfter = nullptr;
};

// Every list of a session whose records the report may show; a list that was
// not made is null.
struct TResultLists {
    std::array<TRootResults, std::size(kAllRoots)> Roots; // indexed by TRegRoot
    TFileList* FilesBefore = nullptr;
    TFileList* FilesAfter = nullptr;
    TFileList* ModifiedFilesBefore = nullptr;
    TFileList* ModifiedFilesAfter = nullptr;
    TFileWatchEvents* FileWatchEvents = nullptr;
    TShellEvents* ShellEvents = nullptr;
};

// The filter switch that governs the root.
TFilterSwitch RootSwitch(TRegRoot root) noexcept;

// Sets the Included flag of every result record from the switches and the
// ignore lists. Records are never removed; records of unchanged entries (none
// left in a list item) are skipped. A value change is shown only when its
// key's change is.
void ApplyToResults(const TFilterSwitches& switches, const TIgnoreMatcher& ignored, TResultLists& lists);

// What a report runs first: the stored switches and the given ignore lists
// applied to every list of the session.
void ApplyResultFilter(const TSettings& settings, bool directoryWatching, const TIgnoreMatcher::TLists& ignore,
                       TResultLists& lists);

} // namespace quill
