#include "common/win32/WinText.h"

#include "common/TextFile.h"
#include "common/Utf.h"

#include <windows.h>

namespace quill {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string Narrow(std::wstring_view text) {
    return Narrow(text.data(), text.size());
}

std::string AnsiToUtf8(std::string_view text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return Narrow(wide);
}

std::string DecodeFileText(std::string_view bytes) {
    return DecodeFileText(bytes, AnsiToUtf8);
}

} // namespace quill
