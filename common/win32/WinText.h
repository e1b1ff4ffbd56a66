#pragma once

#include <string>
#include <string_view>

namespace quill {

// Conversions at the boundary to the wide Win32 calls.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);
std::string Narrow(const wchar_t* text, std::size_t length);

// Text in the system's ANSI code page as UTF-8.
std::string AnsiToUtf8(std::string_view bytes);

// Text of a file we read (see common/TextFile.h), in the system's ANSI code
// page when it is neither UTF-16 nor valid UTF-8.
std::string DecodeFileText(std::string_view bytes);

} // namespace quill
