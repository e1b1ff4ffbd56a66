#include "common/TextFile.h"

#include "common/Utf.h"

#include <optional>

namespace quill {
namespace {

enum class TByteOrder { Little, Big };

std::string Utf16FileText(std::string_view bytes, TByteOrder order) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    const std::size_t high = order == TByteOrder::Big ? 0 : 1;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto byte = [&](std::size_t at) { return static_cast<char16_t>(static_cast<unsigned char>(bytes[at])); };
        units += static_cast<char16_t>((byte(i + high) << 8) | byte(i + 1 - high));
    }
    if (bytes.size() % 2 != 0) {
        units += u'\uFFFD';
    }
    return Utf16ToUtf8(units);
}

// Text saved as UTF-16 without a byte order mark: the high byte of every
// ASCII character is zero, and the lists and files we read are mostly ASCII
// (marks, drive letters, backslashes, line ends). Text in an 8-bit encoding
// holds no zero bytes; a stray one is not enough to take it for UTF-16.
std::optional<TByteOrder> UnmarkedUtf16(std::string_view bytes) noexcept {
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        zeros[i % 2] += bytes[i] == '\0' ? 1 : 0;
    }
    const std::size_t enough = (bytes.size() / 2 + 3) / 4;
    if (zeros[1] > zeros[0] && zeros[1] >= enough) {
        return TByteOrder::Little;
    }
    if (zeros[0] > zeros[1] && zeros[0] >= enough) {
        return TByteOrder::Big;
    }
    return std::nullopt;
}

} // namespace

std::string DecodeFileText(std::string_view bytes, TAnsiToUtf8 ansiToUtf8) {
    if (bytes.starts_with("\xFF\xFE")) {
        return Utf16FileText(bytes.substr(2), TByteOrder::Little);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return Utf16FileText(bytes.substr(2), TByteOrder::Big);
    }
    if (const std::optional<TByteOrder> order = UnmarkedUtf16(bytes)) {
        return Utf16FileText(bytes, *order);
    }
    const std::string_view text = WithoutBom(bytes);
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    return ansiToUtf8(text);
}

} // namespace quill
