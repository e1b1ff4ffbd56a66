#pragma once

#include <string>
#include <string_view>

namespace quill {

// A full path in the form that reaches past 260 characters and names that end
// in a dot or a blank: "\\?\C:\..." or "\\?\UNC\server\share\...". Relative
// paths and paths with "." or ".." steps stay as they are, since that form
// takes every character literally.
std::wstring LongPathForm(std::string_view path);
// The same for a path already in UTF-16.
std::wstring WideLongPathForm(std::wstring wide);

// The ordinary form of a path that WideLongPathForm prefixed.
std::wstring WithoutLongPathPrefix(std::wstring_view path);

} // namespace quill
