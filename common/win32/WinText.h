#pragma once

#include <string>
#include <string_view>

namespace quill {

// Conversions at the boundary to the wide Win32 calls.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);
std::string Narrow(const wchar_t* text, std::size_t length);

// The system's message for an error code, without its closing line break;
// the code in decimal where the system has none.
std::string SystemErrorText(unsigned long code);

// Text of a file we read: UTF-8 (with or without byte order mark), or, when
// the bytes are not valid UTF-8, text in the system's ANSI code page.
std::string DecodeFileText(std::string_view bytes);

} // namespace quill
