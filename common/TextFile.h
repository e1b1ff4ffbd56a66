#pragma once

#include <string>
#include <string_view>

namespace quill {

// Converts text in the system's ANSI code page to UTF-8. The platform layer
// supplies the real one; the code page is the platform's to know.
using TAnsiToUtf8 = std::string (*)(std::string_view bytes);

// The text of a file we read (warnings file, ignore lists), as UTF-8. A byte
// order mark decides first: UTF-8, or UTF-16 little- or big-endian (what
// Notepad saves as "Unicode" and "Unicode big endian"). Without one, bytes
// with zeros mostly at odd positions are UTF-16 little-endian (mostly at even
// ones, big-endian), as some tools save it; else the bytes are UTF-8 when they
// are valid UTF-8, else text in the ANSI code page, as older editors save it.
// A UTF-16 file cut off in the middle of a code unit ends in U+FFFD rather
// than losing the byte unseen.
std::string DecodeFileText(std::string_view bytes, TAnsiToUtf8 ansiToUtf8);

} // namespace quill
