#pragma once

#include <cstdint>
#include <string_view>

namespace quill {

// The one text comparison of the program: ordinal and case-insensitive, as
// NTFS and the registry compare names. Each UTF-16 code unit of the Basic
// Multilingual Plane is upper-cased by its simple mapping, then the texts are
// compared in UTF-16 code-unit order. Bytes that are not valid UTF-8 compare
// by their byte value, after every valid character.
int CompareText(std::string_view a, std::string_view b) noexcept;

inline bool SameText(std::string_view a, std::string_view b) noexcept {
    return CompareText(a, b) == 0;
}

// Whether text begins with prefix, compared as SameText compares.
inline bool StartsWithText(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// A hash on which texts that CompareText finds equal always agree: a cheap
// first test for equal names among many.
std::uint64_t TextHash(std::string_view text) noexcept;

// TextHash taken in steps, for the hashes of every prefix of a path in one
// pass: TextHash(a + b) == TextHashAppend(TextHashAppend(kTextHashSeed, a), b)
// wherever a ends on a whole character.
inline constexpr std::uint64_t kTextHashSeed = 14695981039346656037ull;
std::uint64_t TextHashAppend(std::uint64_t hash, std::string_view text) noexcept;

// Upper-cases one code point of the Basic Multilingual Plane; others stay.
char32_t UpcaseChar(char32_t c) noexcept;

struct TTextLess {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return CompareText(a, b) < 0; }
};

} // namespace quill
