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

} // namespace quill
