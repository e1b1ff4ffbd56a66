#include "report/win32/Win32ReportLocale.h"

#include "common/win32/WinText.h"

#include <windows.h>

namespace quill {

namespace {

SYSTEMTIME SystemTimeOf(TDateTime value) {
    const TCalendarTime time = DecodeDateTime(value);
    SYSTEMTIME system{};
    system.wYear = static_cast<WORD>(time.Year);
    system.wMonth = static_cast<WORD>(time.Month);
    system.wDay = static_cast<WORD>(time.Day);
    system.wHour = static_cast<WORD>(time.Hour);
    system.wMinute = static_cast<WORD>(time.Minute);
    system.wSecond = static_cast<WORD>(time.Second);
    system.wMilliseconds = static_cast<WORD>(time.Millisecond);
    return system;
}

std::string LocaleText(LCTYPE item, const char* fallback) {
    wchar_t text[80];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, static_cast<int>(std::size(text)));
    return length > 1 ? Narrow(text, static_cast<std::size_t>(length - 1)) : std::string(fallback);
}

} // namespace

TWin32ReportLocale::TWin32ReportLocale()
    : FThousand(LocaleText(LOCALE_STHOUSAND, ",")), FDecimal(LocaleText(LOCALE_SDECIMAL, ".")) {}

std::string TWin32ReportLocale::DateTimeText(TDateTime value) const {
    const SYSTEMTIME system = SystemTimeOf(value);
    wchar_t date[80];
    const int length = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, date, 80, nullptr);
    if (length <= 1) {
        return TimeText(value);
    }
    return Narrow(date, static_cast<std::size_t>(length - 1)) + ' ' + TimeText(value);
}

std::string TWin32ReportLocale::TimeText(TDateTime value) const {
    const SYSTEMTIME system = SystemTimeOf(value);
    wchar_t time[80];
    const int length = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &system, nullptr, time, 80);
    return length > 1 ? Narrow(time, static_cast<std::size_t>(length - 1)) : std::string();
}

std::string TWin32ReportLocale::MonthName(int month) const {
    return LocaleText(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1), "");
}

} // namespace quill
