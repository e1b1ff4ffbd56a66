#pragma once

#include "common/DateTime.h"

#include <cstdint>
#include <string>

namespace quill {

// "2003-11-01T12:32:50.000": a local date-time as ISO 8601 without a zone
// offset, since the program keeps local times without their offset; "" for
// a time that was never taken or could not be converted.
std::string IsoLocalTime(TDateTime time);

// "2003-11-01T12:32:50.000Z"; "" for 0.
std::string IsoUtcTime(std::uint64_t fileTime);

} // namespace quill
