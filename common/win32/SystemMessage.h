#pragma once

#include <string>

namespace quill {

// The system's own text for an error code, in the user's language, without
// the line break the system ends it with; "error N" when it has none.
std::string SystemMessage(unsigned long error);

} // namespace quill
