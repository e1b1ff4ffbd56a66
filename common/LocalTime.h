#pragma once

#include "common/DateTime.h"

#include <cstdint>

namespace quill {

// Conversions that need the platform's time-zone rules.
class ILocalTime {
public:
    virtual ~ILocalTime() = default;
    // A UTC FILETIME count as local date-time; false when the platform cannot
    // convert it.
    virtual bool FileTimeToLocal(std::uint64_t utcFileTime, TDateTime& local) const = 0;
    virtual TDateTime Now() const = 0;
};

// For tests: local time is UTC shifted by a fixed number of minutes.
class TFixedOffsetTime : public ILocalTime {
public:
    explicit TFixedOffsetTime(int offsetMinutes = 0, TDateTime now = 45000.0) : FOffset(offsetMinutes), FNow(now) {}
    bool FileTimeToLocal(std::uint64_t utcFileTime, TDateTime& local) const override {
        const std::int64_t shifted = static_cast<std::int64_t>(utcFileTime) + std::int64_t{FOffset} * 600000000;
        if (shifted < 0) {
            return false;
        }
        local = FileTimeToDateTime(static_cast<std::uint64_t>(shifted));
        return true;
    }
    TDateTime Now() const override { return FNow; }

private:
    int FOffset;
    TDateTime FNow;
};

} // namespace quill
