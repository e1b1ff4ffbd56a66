#pragma once

#include <string>
#include <vector>

namespace quill {

// Whether the program was started to show only its notification-area icon:
// the first argument after the program's name is "-startup" in any case;
// later arguments do not count.
bool HasStartupSwitch(const std::vector<std::string>& arguments);

} // namespace quill
