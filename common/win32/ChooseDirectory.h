#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace quill {

// Lets the user pick one existing directory, starting at the given one. The
// path comes back without a trailing backslash, except a drive root's.
using TChooseDirectory =
    std::function<std::optional<std::string>(HWND owner, const std::string& title, const std::string& start)>;

// The platform's folder browser, captioned with the title.
std::optional<std::string> BrowseForDirectory(HWND owner, const std::string& title, const std::string& start);

// Whether the path names an existing directory.
bool DirectoryExists(const std::string& path);

} // namespace quill
