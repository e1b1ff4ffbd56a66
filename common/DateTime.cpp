#include "common/DateTime.h"

#include <cmath>

namespace quill {
namespace {

// Days from 1 March of year 0 of the proleptic Gregorian calendar, shifted so
// that 30 December 1899 is day 0.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 693899;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) noexcept {
    z += 693899;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeapYear(int year) noexcept {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) noexcept {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

constexpr double kMillisecondsPerDay = 86400000.0;

} // namespace

TDateTime FileTimeToDateTime(std::uint64_t fileTime) noexcept {
    const auto days = static_cast<std::int64_t>(fileTime / kFileTimeTicksPerDay);
    const auto ticks = static_cast<std::int64_t>(fileTime % kFileTimeTicksPerDay);
    // Millisecond precision, like every other time stamp of the program.
    const double fraction = std::floor(static_cast<double>(ticks) / 10000.0) / kMillisecondsPerDay;
    return static_cast<double>(days - kFileTimeEpochDays) + fraction;
}

bool EncodeDateTime(const TCalendarTime& t, TDateTime& result) noexcept {
    if (t.Year < 1 || t.Year > 9999 || t.Month < 1 || t.Month > 12 || t.Day < 1 ||
        t.Day > DaysInMonth(t.Year, t.Month) || t.Hour < 0 || t.Hour > 23 || t.Minute < 0 || t.Minute > 59 ||
        t.Second < 0 || t.Second > 59 || t.Millisecond < 0 || t.Millisecond > 999) {
        return false;
    }
    const std::int64_t days = DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day));
    const double fraction =
        (((t.Hour * 60.0 + t.Minute) * 60.0 + t.Second) * 1000.0 + t.Millisecond) / kMillisecondsPerDay;
    // Before 1899 the integer part counts back while the fraction still
    // counts forward: -1.25 is 29 December 1899, 06:00.
    result = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return true;
}

TCalendarTime DecodeDateTime(TDateTime value) noexcept {
    const double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    auto days = static_cast<std::int64_t>(whole);
    auto ms = static_cast<std::int64_t>(std::llround(fraction * kMillisecondsPerDay));
    if (ms >= static_cast<std::int64_t>(kMillisecondsPerDay)) {
        ms -= static_cast<std::int64_t>(kMillisecondsPerDay);
        days += value >= 0 ? 1 : -1;
    }
    TCalendarTime t;
    CivilFromDays(days, t.Year, t.Month, t.Day);
    t.Millisecond = static_cast<int>(ms % 1000);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Hour = static_cast<int>(ms / 3600000);
    return t;
}

} // namespace quill
