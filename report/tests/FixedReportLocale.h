#pragma once

#include "report/ReportLocale.h"

#include <cstdio>

namespace quill {

// For tests: dates as dd/mm/yyyy, times as hh:nn:ss, English month names,
// "," between thousands and "." before decimals.
class TFixedReportLocale : public IReportLocale {
public:
    std::string DateTimeText(TDateTime value) const override {
        const TCalendarTime t = DecodeDateTime(value);
        char text[32];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d ", t.Day, t.Month, t.Year);
        return text + TimeText(value);
    }
    std::string TimeText(TDateTime value) const override {
        const TCalendarTime t = DecodeDateTime(value);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
        return text;
    }
    std::string MonthName(int month) const override {
        static const char* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};
        return kNames[month - 1];
    }
    std::string ThousandSeparator() const override { return ","; }
    std::string DecimalSeparator() const override { return "."; }
};

} // namespace quill
