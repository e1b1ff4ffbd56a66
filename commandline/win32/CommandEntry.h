#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quill {

// Records from the command line without showing a window: the arguments are
// those after "-record". Returns the exit code.
int RunRecordCommand(HINSTANCE instance, const std::vector<std::string>& arguments);

} // namespace quill
