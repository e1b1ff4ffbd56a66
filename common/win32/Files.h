#pragma once

#include <optional>
#include <string>

namespace quill {

// The running program's own file, and its folder with a trailing backslash.
std::wstring ExecutablePath();
std::wstring ExecutableDirectory();

// The bytes of a whole file; nothing when the file does not exist. Raises
// std::runtime_error when it exists but cannot be read: a file we cannot read
// is not a file that is missing.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

} // namespace quill
