#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The running program's own file, and its folder with a trailing backslash.
std::wstring ExecutablePath();
std::wstring ExecutableDirectory();

// The bytes of a whole file; nothing when the file does not exist. Raises
// std::runtime_error when it exists but cannot be read: a file we cannot read
// is not a file that is missing.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// Writes the bytes beside the file and moves them over it, so that a
// half-written file never takes its place. Raises std::runtime_error with the
// system's reason.
void WriteWholeFile(const std::wstring& path, std::string_view bytes);

} // namespace quill
