#pragma once

#include "common/Arena.h"
#include "common/ArenaText.h"
#include "common/CaptureNotes.h"
#include "common/DateTime.h"
#include "common/LocalTime.h"
#include "common/Progress.h"
#include "common/RecordList.h"
#include "common/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quill {

// How a value's data is held: text for the string types, a number for
// REG_DWORD, raw bytes in Buffer for everything else. A string whose bytes
// are more than its text and one terminating zero has them in Buffer too.
enum TDataType : std::uint8_t { dtUnknown = 0, dtString = 1, dtExpandString = 2, dtInteger = 3, dtBinary = 4 };

struct TKeyRecord {
    TDateTime LastWrite = kUnknownDateTime;
    std::uint8_t Included = 1;
};

// Empty, the text of a string value, or the number of a REG_DWORD value.
using TValueData = std::variant<std::monostate, TText, std::int32_t>;

// One value, filed under the key path of its key. Kept small: a snapshot of a
// whole root holds hundreds of thousands of them, twice. Its texts and bytes
// live in the snapshot's arena, with the record. The small fields follow Data
// so that they can fill the room its variant leaves unused.
struct TValueRecord {
    TText Name; // "" for the key's default value
    const std::uint8_t* Buffer =
        nullptr; // DataSize bytes for dtUnknown, dtBinary and irregular strings; none when empty
    [[no_unique_address]] TValueData Data;
    TDataType DataType = dtUnknown;
    std::uint8_t Included = 1;
    std::int32_t DataSize = 0;        // as the registry reports it, terminating zero included
    std::uint32_t RegType = kRegNone; // the registry's own type, exactly as stored
};

using TKeyList = TRecordList<TKeyRecord>;
using TValueList = TRecordList<TValueRecord>;

// The configurations of the snapshot lists: keys are unique, the values of one
// key share its key path.
TKeyList NewKeyList();
TValueList NewValueList();

// Records every key of one root that can be read, from "\" down, into the two
// (sorted) lists; values of one key stand in the reverse of the registry's
// order. Records and texts go to the key list's arena, which the value list
// shares: the values of a key share its key path. onProgress, when set, hears the number of keys at every thousandth.
// Keys and values that could not be read completely (access denied, changed
// while being read) are left out and counted in notes, never silently. An
// error that ends the walk reaches the caller after what was read has been
// put in the lists.
void SnapshotRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root, const ILocalTime& localTime,
                  TKeyList& keys, TValueList& values, TCaptureNotes& notes);

// The value's record as the snapshot stores it, its texts and bytes kept in
// arena: the registry's type mapped to a TDataType, text up to its first zero
// (and the raw bytes of a string with more after it, or without one), a
// REG_DWORD of any size other than four bytes kept as raw bytes.
TValueRecord MakeValueRecord(const TRegValue& value, TArena& arena);

// Matches the before and after snapshots of one root. Matched records leave the
// snapshot lists: unchanged ones are released, modified ones move to the
// Modified lists at equal indexes (which then share the snapshots' arenas). What still holds a record in a snapshot
// list afterwards was deleted (before) or created (after). Always true.
bool CompareRoot(const TProgressStart& progressStart, const TProgressStep& progressStep, TKeyList& keysBefore,
                 TKeyList& keysAfter, TValueList& valuesBefore, TValueList& valuesAfter, TKeyList& modifiedKeysBefore,
                 TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore, TValueList& modifiedValuesAfter);

// Snapshots the root again as the after side of the before lists and
// matches each key as soon as it has been read, so that only one snapshot and
// the changes are ever held. The eight lists and the notes end exactly as
// SnapshotRoot of the after side followed by CompareRoot leaves them. An
// error that ends the walk reaches the caller after what was read has been
// matched.
void SnapshotAndCompareRoot(const TShowCount& onProgress, IRegistry& registry, TRegRoot root,
                            const ILocalTime& localTime, TKeyList& keysBefore, TKeyList& keysAfter,
                            TValueList& valuesBefore, TValueList& valuesAfter, TKeyList& modifiedKeysBefore,
                            TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore,
                            TValueList& modifiedValuesAfter, TCaptureNotes& notes);

// Moves what the lists of a matched root still hold, the changes, into an
// arena of their own, and lets every snapshot block go: the changes are a
// small part of two whole snapshots.
void KeepOnlyChanges(TKeyList& keysBefore, TKeyList& keysAfter, TValueList& valuesBefore, TValueList& valuesAfter,
                     TKeyList& modifiedKeysBefore, TKeyList& modifiedKeysAfter, TValueList& modifiedValuesBefore,
                     TValueList& modifiedValuesAfter);

// Releases every record the value list holds under the key path.
void DropKeyValues(std::string_view keyPath, TValueList& values);

// True when the two records of one value differ in registry type, size or
// data.
bool ValueChanged(const TValueRecord& before, const TValueRecord& after);

} // namespace quill
