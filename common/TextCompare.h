#pragma once

#include <cstddef>
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

// The bytes of text that match prefix, compared as SameText compares, or npos
// when text does not begin with prefix. Folding case may change a
// character's length in UTF-8 (U+017F is two bytes and equals "S"), so the
// match need not be as long as prefix.
std::size_t MatchTextPrefix(std::string_view text, std::string_view prefix) noexcept;

inline bool StartsWithText(std::string_view text, std::string_view prefix) noexcept {
    return MatchTextPrefix(text, prefix) != std::string_view::npos;
}

// A hash on which texts that CompareText finds equal always agree: a cheap
// first test for equal names among many.
std::uint64_t TextHash(std::string_view text) noexcept;

// TextHash taken in steps, for the hashes of every prefix of a path in one
// pass: appending a and then b gives TextHash(a + b) wherever a ends on a
// whole character. It counts the characters too: texts that CompareText
// finds equal have as many characters, though not always as many bytes.
class TTextHasher {
public:
    void Append(std::string_view text) noexcept;
    std::uint64_t Hash() const noexcept { return FHash; }
    std::size_t Characters() const noexcept { return FCharacters; }

private:
    std::uint64_t FHash = 14695981039346656037ull;
    std::size_t FCharacters = 0;
};

// Upper-cases one code point of the Basic Multilingual Plane; others stay.
char32_t UpcaseChar(char32_t c) noexcept;

struct TTextLess {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return CompareText(a, b) < 0; }
};

} // namespace quill
