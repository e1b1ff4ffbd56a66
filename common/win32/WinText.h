#pragma once

#include <string>
#include <string_view>

namespace quill {

// Conversions at the boundary to the wide Win32 calls.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);
std::string Narrow(const wchar_t* text, std::size_t length);

// Text of a file we read: UTF-8 (with or without byte order mark), or, when
// the bytes are not valid UTF-8, text in the system's ANSI code page.
std::string DecodeFileText(std::string_view bytes);

} // namespace quill
