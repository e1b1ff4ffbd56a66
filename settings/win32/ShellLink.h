#pragma once

#include <string>

namespace quill {

// Writes a shell link file that starts Target with Arguments, overwriting an
// existing one. Raises std::runtime_error when the shell-link object cannot
// be created or the file cannot be written.
void CreateShortcut(const std::wstring& target, const std::wstring& linkFile, const std::wstring& description,
                    const std::wstring& arguments);

} // namespace quill
