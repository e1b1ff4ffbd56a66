#include "report/ReportLocale.h"

#include <cmath>
#include <cstdio>

namespace quill {

namespace {

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

} // namespace

std::string FormatNumber(const IReportLocale& locale, long double value, int decimals, std::size_t width) {
    long double scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const bool negative = value < 0;
    // Integral units of the last decimal place; exact for any byte count
    // a disk can hold.
    const long double units = std::floor(std::fabs(value) * scale + 0.5L);
    const long double whole = std::floor(units / scale);
    const auto fraction = static_cast<unsigned long long>(units - whole * scale);

    char digits[64];
    std::snprintf(digits, sizeof digits, "%.0Lf", whole);
    const std::string integral = digits;
    const std::string separator = locale.ThousandSeparator();

    std::string number;
    if (negative && units != 0) {
        number += '-';
    }
    for (std::size_t i = 0; i < integral.size(); ++i) {
        if (i != 0 && (integral.size() - i) % 3 == 0) {
            number += separator;
        }
        number += integral[i];
    }
    if (decimals > 0) {
        number += locale.DecimalSeparator();
        std::snprintf(digits, sizeof digits, "%0*llu", decimals, fraction);
        number += digits;
    }
    if (number.size() < width) {
        number.insert(0, width - number.size(), ' ');
    }
    return number;
}

std::string LongDateTimeText(const IReportLocale& locale, TDateTime value) {
    const TCalendarTime time = DecodeDateTime(value);
    std::string text = std::to_string(time.Day);
    text += ' ';
    text += locale.MonthName(time.Month);
    text += ' ';
    text += std::to_string(time.Year);
    text += ' ';
    AppendTwoDigits(text, time.Hour);
    text += ':';
    AppendTwoDigits(text, time.Minute);
    text += ':';
    AppendTwoDigits(text, time.Second);
    return text;
}

} // namespace quill
