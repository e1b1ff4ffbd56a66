#pragma once

#include "common/LocalTime.h"

#include <cstdint>

namespace quill {

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
