#pragma once

#include "monitor/Journal.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace quill {

// Directory change records as the platform writes them: a chain of records,
// each with the offset of the next (0 in the last), the action, the name's
// length in bytes and the name in UTF-16, relative to the watched directory.

enum class TRecordsEnd {
    Complete, // the chain ended with its last record
    Overflow, // no records: the platform lost the changes it could not hold
    Corrupt   // a record ran past the bytes returned; the rest was dropped
};

struct TDecodedRecords {
    std::size_t Count = 0;
    TRecordsEnd End = TRecordsEnd::Complete;
    std::size_t CorruptAt = 0; // byte offset of the record that ran past the end
};

// Decodes the records in exactly the bytes the platform returned, handing
// each one's action and UTF-8 name to the callback. An unpaired surrogate in a
// name shows as U+FFFD; an odd byte of a name is not part of any character.
TDecodedRecords DecodeChangeRecords(std::span<const std::byte> bytes,
                                    const std::function<void(std::uint32_t action, std::string name)>& onRecord);

// Journals one filled buffer of a watch (as the journal knows it) on the
// directory (which ends with a backslash). Lost changes journal one event
// with action 0 for the directory itself; lost and undecodable records are
// noted too.
void JournalChangeRecords(TFileWatchJournal& journal, std::string_view directory, std::span<const std::byte> bytes,
                          std::size_t watch = TFileWatchJournal::kNoWatch);

inline constexpr std::string_view kStoppedWatching = "Stopped watching";
inline constexpr std::uint32_t kActionRemoved = 2;
inline constexpr std::string_view kEventsLost = "Events were lost while watching";
inline constexpr std::string_view kRecordsCut = "Change records could not be read";

} // namespace quill
