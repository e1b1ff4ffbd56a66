#pragma once

#include "store/SessionStore.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quill {

// Created, deleted and modified entries of one kind.
struct TChangeCounts {
    std::size_t Created = 0;
    std::size_t Deleted = 0;
    std::size_t Modified = 0;

    std::size_t Total() const noexcept { return Created + Deleted + Modified; }
};

// What a recording found, as the report shows it: only the records the
// result filter included.
struct TRecordingSummary {
    TChangeCounts Keys;
    TChangeCounts Values;
    TChangeCounts Files;
    std::size_t Events = 0; // live file-system events and shell events
    std::size_t Notes = 0;  // occurrences of every capture note

    bool HasChanges() const noexcept { return Keys.Total() + Values.Total() + Files.Total() + Events != 0; }
};

// Counts after the result filter has set every record's Included flag.
TRecordingSummary SummarizeRecording(const TSessionStore& store);

// "Registry keys: 1 created, 0 deleted, 2 modified" and so on, one line each.
std::vector<std::string> SummaryLines(const TRecordingSummary& summary);

} // namespace quill
