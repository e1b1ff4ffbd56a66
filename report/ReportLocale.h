#pragma once

#include "common/DateTime.h"

#include <cstdint>
#include <string>

namespace quill {

// The user's date, time and number formats, as the report shows its times
// and figures. Texts are UTF-8.
class IReportLocale {
public:
    virtual ~IReportLocale() = default;
    // The short date and the long time, separated by a blank.
    virtual std::string DateTimeText(TDateTime value) const = 0;
    // The time of day in the long time format.
    virtual std::string TimeText(TDateTime value) const = 0;
    // Full name of the month, 1 to 12.
    virtual std::string MonthName(int month) const = 0;
    virtual std::string ThousandSeparator() const = 0;
    virtual std::string DecimalSeparator() const = 0;
};

// The number with the locale's thousands separator and the given number of
// decimals (rounded half away from zero), right-aligned with blanks in a
// field of width characters.
std::string FormatNumber(const IReportLocale& locale, long double value, int decimals, std::size_t width);

// "d mmmm yyyy hh:nn:ss": the day without a leading zero, the month's full
// name, the 24-hour time.
std::string LongDateTimeText(const IReportLocale& locale, TDateTime value);

} // namespace quill
