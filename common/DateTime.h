#pragma once

#include <cstdint>

namespace quill {

// A local date and time as a count of days since 30 December 1899, the
// fraction being the time of day (the OLE automation date).
using TDateTime = double;

// The value recorded when a time stamp cannot be converted.
constexpr TDateTime kUnknownDateTime = 1.0;

// Days between 1 January 1601 (the FILETIME epoch) and 30 December 1899.
constexpr std::int64_t kFileTimeEpochDays = 109205;
constexpr std::int64_t kFileTimeTicksPerDay = 864000000000;

struct TCalendarTime {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// A FILETIME count (100 ns ticks since 1601) taken as the same wall-clock
// time; time-zone conversion happens before, where the platform knows the zone.
TDateTime FileTimeToDateTime(std::uint64_t fileTime) noexcept;

// Fails (returns false) for dates before 1 January 1 or after 31 December 9999
// and for fields out of range.
bool EncodeDateTime(const TCalendarTime& time, TDateTime& result) noexcept;
TCalendarTime DecodeDateTime(TDateTime value) noexcept;

} // namespace quill
