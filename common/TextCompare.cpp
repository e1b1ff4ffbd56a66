#include "common/TextCompare.h"

#include "common/Utf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace quill {
namespace {

struct TUpcaseRun {
    std::uint16_t First;
    std::uint16_t Last;
    std::uint16_t Stride;
    std::int32_t Delta;
};

constexpr TUpcaseRun kUpcaseRuns[] = {
#include "common/UpcaseTable.inc"
};

using TUpcaseTable = std::array<std::uint16_t, 0x10000>;

std::unique_ptr<TUpcaseTable> BuildUpcaseTable() {
    auto table = std::make_unique<TUpcaseTable>();
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        (*table)[c] = static_cast<std::uint16_t>(c);
    }
    for (const TUpcaseRun& run : kUpcaseRuns) {
        for (std::uint32_t c = run.First; c <= run.Last; c += run.Stride) {
            (*table)[c] = static_cast<std::uint16_t>(static_cast<std::int32_t>(c) + run.Delta);
        }
    }
    return table;
}

const TUpcaseTable& UpcaseTable() {
    static const std::unique_ptr<TUpcaseTable> table = BuildUpcaseTable();
    return *table;
}

// Orders characters as their UTF-16 code units order: the first code unit
// (upper-cased) decides, then the second of a surrogate pair, so supplementary
// characters sort between U+D7FF and U+E000. Bytes that are not UTF-8 sort
// after everything.
std::uint64_t SortKey(char32_t c) noexcept {
    if (c >= kInvalidByte) {
        return (std::uint64_t{0x10000} + (c - kInvalidByte)) << 16;
    }
    if (c >= 0x10000) {
        const char32_t v = c - 0x10000;
        return (std::uint64_t{0xD800 + (v >> 10)} << 16) | (0xDC00 + (v & 0x3FF));
    }
    return std::uint64_t{UpcaseChar(c)} << 16;
}

inline unsigned char AsciiUpper(unsigned char c) noexcept {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

inline bool IsContinuation(std::string_view text, std::size_t at) noexcept {
    return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

// The length of the byte-identical beginning of both texts, cut back to the
// start of a character. Sorted lists compare neighbours that mostly share
// long beginnings (key paths, file paths): those bytes are equal whatever
// their case rule, so they are passed over eight at a time.
std::size_t CommonPrefix(std::string_view a, std::string_view b) noexcept {
    const std::size_t length = std::min(a.size(), b.size());
    std::size_t p = 0;
    while (p + 8 <= length) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a.data() + p, 8);
        std::memcpy(&y, b.data() + p, 8);
        if (x != y) {
            break;
        }
        p += 8;
    }
    while (p < length && a[p] == b[p]) {
        ++p;
    }
    // A byte that continues a character belongs to the comparison of the
    // character it continues.
    while (p > 0 && (IsContinuation(a, p) || IsContinuation(b, p))) {
        --p;
    }
    return p;
}

// Where two texts part: the order of the first characters that differ, or 0
// when one of them ran out first; with the byte positions reached in each.
struct TTextWalk {
    std::size_t A;
    std::size_t B;
    int Order;
};

TTextWalk WalkTexts(std::string_view a, std::string_view b) noexcept {
    std::size_t i = CommonPrefix(a, b);
    std::size_t j = i;
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            const unsigned char ua = AsciiUpper(ca);
            const unsigned char ub = AsciiUpper(cb);
            if (ua != ub) {
                return {i, j, ua < ub ? -1 : 1};
            }
            ++i;
            ++j;
            continue;
        }
        const std::uint64_t ka = SortKey(DecodeUtf8(a, i));
        const std::uint64_t kb = SortKey(DecodeUtf8(b, j));
        if (ka != kb) {
            return {i, j, ka < kb ? -1 : 1};
        }
    }
    return {i, j, 0};
}

} // namespace

char32_t UpcaseChar(char32_t c) noexcept {
    return c < 0x10000 ? UpcaseTable()[c] : c;
}

int CompareText(std::string_view a, std::string_view b) noexcept {
    const TTextWalk walk = WalkTexts(a, b);
    if (walk.Order != 0) {
        return walk.Order;
    }
    if (walk.A < a.size()) {
        return 1;
    }
    if (walk.B < b.size()) {
        return -1;
    }
    return 0;
}

std::size_t MatchTextPrefix(std::string_view text, std::string_view prefix) noexcept {
    const TTextWalk walk = WalkTexts(text, prefix);
    return walk.Order == 0 && walk.B == prefix.size() ? walk.A : std::string_view::npos;
}

std::uint64_t TextHash(std::string_view text) noexcept {
    TTextHasher hasher;
    hasher.Append(text);
    return hasher.Hash();
}

void TTextHasher::Append(std::string_view text) noexcept {
    // FNV-1a over the characters' sort keys, the ones CompareText compares.
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint64_t key = 0;
        if (c < 0x80) {
            key = std::uint64_t{AsciiUpper(c)} << 16;
            ++i;
        } else {
            key = SortKey(DecodeUtf8(text, i));
        }
        FHash = (FHash ^ key) * 1099511628211ull;
        ++FCharacters;
    }
}

} // namespace quill
