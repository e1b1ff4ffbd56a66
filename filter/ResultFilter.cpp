#include "filter/ResultFilter.h"

#include "monitor/ShellEventKinds.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <optional>

namespace quill {
namespace {

using TKeyScope = TIgnoreMatcher::TKeyScope;

// Directory change actions as the platform numbers them.
enum TWatchAction : std::uint32_t {
    kActionAdded = 1,
    kActionRemoved = 2,
    kActionModified = 3,
    kActionRenamedOld = 4,
    kActionRenamedNew = 5
};

// Where the last group of a key's values was found in each value list. Keys
// are walked in the order the value lists are sorted in, so the next group
// lies at or after the last one: it is sought forward from there in steps
// that double, which costs far less than a search of the whole list.
struct TCursors {
    std::size_t ModifiedValues = 0;
    std::size_t DeletedValues = 0;
    std::size_t NewValues = 0;
};

// The index of the first value filed under the key path (or where it would
// stand), moving the cursor there. A key out of order starts again from the
// top.
std::size_t SeekGroup(const TValueList& values, std::string_view keyPath, std::size_t& cursor) {
    if (cursor > values.Count() || (cursor > 0 && CompareText(values.Text(cursor - 1), keyPath) >= 0)) {
        cursor = 0;
    }
    std::size_t step = 1;
    while (cursor + step <= values.Count() && CompareText(values.Text(cursor + step - 1), keyPath) < 0) {
        cursor += step;
        step *= 2;
    }
    std::size_t low = cursor;
    std::size_t high = std::min(cursor + step, values.Count());
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (CompareText(values.Text(middle), keyPath) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    cursor = low;
    return low;
}

class TResultFilter {
public:
    TResultFilter(const TFilterSwitches& switches, const TIgnoreMatcher& ignored)
        : FSwitches(switches), FIgnored(ignored) {
        MapShellKinds();
    }

    void FilterRegistryRoot(bool rootOn, TRootResults& root, TKeyScope scope) const {
        // A key present on one side only has values on that side only.
        FilterKeys(rootOn && On(fsModKey), root.ModifiedKeysAfter,
                   {root.ModifiedValuesBefore, root.ModifiedValuesAfter, root.ValuesBefore, root.ValuesAfter}, scope);
        FilterKeys(rootOn && On(fsModKey), root.ModifiedKeysBefore, {}, scope);
        FilterKeys(rootOn && On(fsDelKey), root.KeysBefore, {.Deleted = root.ValuesBefore}, scope);
        FilterKeys(rootOn && On(fsNewKey), root.KeysAfter, {.Created = root.ValuesAfter}, scope);
    }

    void FilterFileScan(TResultLists& lists) const {
        FilterScanEntries(On(fsScanDeleted), lists.FilesBefore);
        FilterScanEntries(On(fsScanCreated), lists.FilesAfter);
        if (lists.ModifiedFilesBefore == nullptr || lists.ModifiedFilesAfter == nullptr) {
            return;
        }
        TFileList& before = *lists.ModifiedFilesBefore;
        TFileList& after = *lists.ModifiedFilesAfter;
        for (std::size_t i = 0; i < before.Count() && i < after.Count(); ++i) {
            TFileScan* b = before.Record(i);
            TFileScan* a = after.Record(i);
            if (b == nullptr || a == nullptr) {
                continue;
            }
            const bool included = ShowsChange(*b, *a) && FIgnored.IsPathIncluded(before.Text(i));
            b->Included = a->Included = included ? 1 : 0;
        }
    }

    void FilterFileWatch(TFileWatchEvents* events) const {
        if (events == nullptr) {
            return;
        }
        for (std::size_t i = 0; i < events->Count(); ++i) {
            TFileWatchEvent* event = events->Record(i);
            if (event == nullptr) {
                continue;
            }
            bool included = FIgnored.IsPathIncluded(events->Text(i));
            if (included) {
                if (const std::optional<TFilterSwitch> kind = WatchSwitch(event->Action)) {
                    included = On(*kind);
                }
            }
            event->Included = included ? 1 : 0;
        }
    }

    void FilterShellEvents(TShellEvents* events) const {
        if (events == nullptr) {
            return;
        }
        for (const auto& item : *events) {
            TShellEvent* event = item.Record.get();
            if (event == nullptr) {
                continue;
            }
            if (const TShellEventKind* kind = FindShellEventKind(event->Kind)) {
                event->Included = On(FShellSwitch[static_cast<std::size_t>(kind - ShellEventKinds().data())]) ? 1 : 0;
            }
        }
    }

private:
    bool On(std::size_t index) const { return FSwitches.IsSwitchOn(index); }

    // The switch of each shell kind, found by its name in the settings
    // table rather than by a second copy of the table.
    void MapShellKinds() {
        const auto options = FilterSwitchOptions();
        for (std::size_t k = 0; k < kShellEventKindCount; ++k) {
            for (std::size_t s = fsFirstShellEvent; s < fsLocalMachine; ++s) {
                if (options[s].Name.substr(2) == ShellEventKinds()[k].Name) {
                    FShellSwitch[k] = s;
                }
            }
        }
    }

    // The value lists a kind of key has values in; none for the before-state
    // of modified keys, whose values the after-state's walk covers.
    struct TValueLists {
        TValueList* ModifiedBefore = nullptr;
        TValueList* ModifiedAfter = nullptr;
        TValueList* Deleted = nullptr;
        TValueList* Created = nullptr;
    };

    void FilterKeys(bool kindOn, TKeyList* keys, const TValueLists& values, TKeyScope scope) const {
        if (keys == nullptr) {
            return;
        }
        TCursors cursors;
        for (std::size_t i = 0; i < keys->Count(); ++i) {
            TKeyRecord* key = keys->Record(i);
            if (key == nullptr) {
                continue;
            }
            const std::string& keyPath = keys->Text(i);
            const bool included = kindOn && FIgnored.IsKeyIncluded(keyPath, scope);
            key->Included = included ? 1 : 0;
            FilterKeyValues(keyPath, included, values, cursors, scope);
        }
    }

    void FilterKeyValues(const std::string& keyPath, bool keyIncluded, const TValueLists& values, TCursors& cursors,
                         TKeyScope scope) const {
        if (values.ModifiedBefore != nullptr && values.ModifiedAfter != nullptr) {
            TValueList& before = *values.ModifiedBefore;
            TValueList& after = *values.ModifiedAfter;
            for (std::size_t i = SeekGroup(before, keyPath, cursors.ModifiedValues);
                 i < before.Count() && SameText(before.Text(i), keyPath); ++i) {
                TValueRecord* b = before.Record(i);
                TValueRecord* a = i < after.Count() ? after.Record(i) : nullptr;
                const bool included =
                    keyIncluded && On(fsModValue) && b != nullptr && FIgnored.IsValueIncluded(keyPath, b->Name, scope);
                for (TValueRecord* record : {b, a}) {
                    if (record != nullptr) {
                        record->Included = included ? 1 : 0;
                    }
                }
            }
        }
        FilterValueGroup(keyPath, keyIncluded && On(fsDelValue), values.Deleted, cursors.DeletedValues, scope);
        FilterValueGroup(keyPath, keyIncluded && On(fsNewValue), values.Created, cursors.NewValues, scope);
    }

    void FilterValueGroup(const std::string& keyPath, bool kindOn, TValueList* values, std::size_t& cursor,
                          TKeyScope scope) const {
        if (values == nullptr) {
            return;
        }
        for (std::size_t i = SeekGroup(*values, keyPath, cursor);
             i < values->Count() && SameText(values->Text(i), keyPath); ++i) {
            if (TValueRecord* value = values->Record(i)) {
                value->Included = kindOn && FIgnored.IsValueIncluded(keyPath, value->Name, scope) ? 1 : 0;
            }
        }
    }

    void FilterScanEntries(bool kindOn, TFileList* files) const {
        if (files == nullptr) {
            return;
        }
        for (std::size_t i = 0; i < files->Count(); ++i) {
            if (TFileScan* file = files->Record(i)) {
                file->Included = kindOn && FIgnored.IsPathIncluded(files->Text(i)) ? 1 : 0;
            }
        }
    }

    // A modified entry shows when one of its differences is switched on. The
    // time compared is the one the comparison looks at, so that a change of
    // daylight-saving time alone never counts; digests count only when both
    // scans took one.
    bool ShowsChange(const TFileScan& before, const TFileScan& after) const {
        return (before.Size != after.Size && On(fsSize)) ||
               (before.Hash != after.Hash && !before.Hash.empty() && !after.Hash.empty() && On(fsContents)) ||
               (before.LastWrite != after.LastWrite && On(fsDate)) ||
               (before.Attributes != after.Attributes && On(fsAttribs));
    }

    static std::optional<TFilterSwitch> WatchSwitch(std::uint32_t action) noexcept {
        switch (action) {
        case kActionAdded:
            return fsWatchCreated;
        case kActionRemoved:
            return fsWatchDeleted;
        case kActionModified:
            return fsWatchModified;
        case kActionRenamedOld:
        case kActionRenamedNew:
            return fsWatchRenamed;
        default:
            return std::nullopt;
        }
    }

    const TFilterSwitches& FSwitches;
    const TIgnoreMatcher& FIgnored;
    std::array<std::size_t, kShellEventKindCount> FShellSwitch{};
};

} // namespace

TFilterSwitch RootSwitch(TRegRoot root) noexcept {
    switch (root) {
    case TRegRoot::ClassesRoot:
        return fsClassesRoot;
    case TRegRoot::CurrentUser:
        return fsCurrentUser;
    case TRegRoot::LocalMachine:
        return fsLocalMachine;
    case TRegRoot::Users:
        return fsUsers;
    case TRegRoot::CurrentConfig:
        return fsCurrentConfig;
    }
    return fsLocalMachine;
}

void ApplyToResults(const TFilterSwitches& switches, const TIgnoreMatcher& ignored, TResultLists& lists) {
    const TResultFilter filter(switches, ignored);
    for (const TRegRoot root : kAllRoots) {
        filter.FilterRegistryRoot(switches.IsSwitchOn(RootSwitch(root)), lists.Roots[static_cast<std::size_t>(root)],
                                  root == TRegRoot::Users ? TKeyScope::EachUserHive : TKeyScope::Root);
    }
    filter.FilterFileWatch(lists.FileWatchEvents);
    filter.FilterFileScan(lists);
    filter.FilterShellEvents(lists.ShellEvents);
}

void ApplyResultFilter(const TSettings& settings, bool directoryWatching, const TIgnoreMatcher::TLists& ignore,
                       TResultLists& lists) {
    TFilterSwitches switches;
    switches.LoadSwitches(settings, directoryWatching);
    ApplyToResults(switches, TIgnoreMatcher(ignore), lists);
}

} // namespace quill
