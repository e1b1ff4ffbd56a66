#include "report/IsoTime.h"

#include <cstdio>

namespace quill {

std::string IsoLocalTime(TDateTime time) {
    if (time <= kUnknownDateTime) {
        return {};
    }
    const TCalendarTime t = DecodeDateTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                  t.Second, t.Millisecond);
    return text;
}

std::string IsoUtcTime(std::uint64_t fileTime) {
    if (fileTime == 0) {
        return {};
    }
    return IsoLocalTime(FileTimeToDateTime(fileTime)) + "Z";
}

} // namespace quill
