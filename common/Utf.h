#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// Text inside the program is UTF-8. Names that the platform hands over as
// UTF-16 may hold unpaired surrogates (the registry and NTFS accept any code
// unit); they are kept in the three-byte form of their code unit so that the
// name converts back to exactly the same UTF-16 and can be opened again.

// Decodes one code point at text[pos] and advances pos. A byte that starts no
// well-formed sequence yields kInvalidByte + its value and advances by one.
constexpr char32_t kInvalidByte = 0x110000;
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) noexcept;

void AppendUtf8(std::string& out, char32_t c);

// What becomes of an unpaired surrogate: kept (names that must open again)
// or shown as U+FFFD (names that are only shown, such as journalled ones).
enum class TLoneSurrogates { Keep, Replace };

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text, TLoneSurrogates lone = TLoneSurrogates::Keep);

// True when the bytes are well-formed UTF-8 (unpaired surrogates in their
// three-byte form are accepted, as the program itself writes them).
bool IsValidUtf8(std::string_view text) noexcept;

// Strips a leading UTF-8 byte order mark.
std::string_view WithoutBom(std::string_view text) noexcept;

} // namespace quill
