#include "common/TextFile.h"

#include "common/Utf.h"

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

} // namespace

std::string DecodeFileText(std::string_view bytes, TAnsiToUtf8 ansiToUtf8) {
    if (bytes.starts_with("\xFF\xFE")) {
        return Utf16FileText(bytes.substr(2), TByteOrder::Little);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return Utf16FileText(bytes.substr(2), TByteOrder::Big);
    }
    const std::string_view text = WithoutBom(bytes);
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    return ansiToUtf8(text);
}

} // namespace quill
