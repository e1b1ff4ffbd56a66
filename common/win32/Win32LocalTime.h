#pragma once

#include "common/LocalTime.h"

namespace quill {

// Local time by the platform's current time-zone rules.
class TWin32LocalTime : public ILocalTime {
public:
    bool FileTimeToLocal(std::uint64_t utcFileTime, TDateTime& local) const override;
    TDateTime Now() const override;
};

} // namespace quill
