#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The arguments after the program's own name, split as the shell's
// CommandLineToArgvW splits them, so that the window program and the console
// program read the same command line alike.
std::vector<std::string> ProgramArguments();

// Only the first argument counts, in any case.
bool FirstArgumentIs(const std::vector<std::string>& arguments, std::string_view name);

} // namespace quill
