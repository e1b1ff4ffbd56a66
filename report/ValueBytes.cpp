#include "report/ValueBytes.h"

#include "common/Utf.h"

#include <type_traits>
#include <variant>

namespace quill {

std::string_view ValueText(const TValueRecord& value) {
    return std::visit(
        [](const auto& data) -> std::string_view {
            if constexpr (std::is_convertible_v<decltype(data), std::string_view>) {
                return data;
            } else {
                return {};
            }
        },
        value.Data);
}

std::vector<std::uint8_t> StoredBytes(const TValueRecord& value) {
    const auto size = static_cast<std::size_t>(value.DataSize > 0 ? value.DataSize : 0);
    if (value.Buffer != nullptr) {
        return {value.Buffer, value.Buffer + size};
    }
    switch (value.DataType) {
    case dtString:
    case dtExpandString: {
        std::vector<std::uint8_t> bytes = EncodeRegString(ValueText(value));
        // Stored without its terminator (or cut short): the record's size
        // says how much of the text the registry held.
        if (bytes.size() > size) {
            bytes.resize(size);
        }
        return bytes;
    }
    case dtInteger:
        if (const auto* number = std::get_if<std::int32_t>(&value.Data)) {
            const auto bits = static_cast<std::uint32_t>(*number);
            return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                    static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        }
        return {};
    default:
        return {};
    }
}

bool IsPlainString(const TValueRecord& value) {
    if (value.DataType != dtString && value.DataType != dtExpandString) {
        return false;
    }
    return value.Buffer == nullptr &&
           EncodeRegString(ValueText(value)).size() == static_cast<std::size_t>(value.DataSize);
}

std::string_view RegTypeName(std::uint32_t type) noexcept {
    switch (type) {
    case kRegNone:
        return "REG_NONE";
    case kRegSz:
        return "REG_SZ";
    case kRegExpandSz:
        return "REG_EXPAND_SZ";
    case kRegBinary:
        return "REG_BINARY";
    case kRegDword:
        return "REG_DWORD";
    case kRegDwordBigEndian:
        return "REG_DWORD_BIG_ENDIAN";
    case kRegLink:
        return "REG_LINK";
    case kRegMultiSz:
        return "REG_MULTI_SZ";
    case kRegResourceList:
        return "REG_RESOURCE_LIST";
    case 9:
        return "REG_FULL_RESOURCE_DESCRIPTOR";
    case 10:
        return "REG_RESOURCE_REQUIREMENTS_LIST";
    case kRegQword:
        return "REG_QWORD";
    default:
        return "";
    }
}

bool DecodeMultiString(const std::vector<std::uint8_t>& bytes, std::vector<std::string>& strings) {
    strings.clear();
    if (bytes.size() % 2 != 0 || (!bytes.empty() && (bytes[bytes.size() - 2] | bytes.back()) != 0)) {
        return false;
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == u'\0') {
            strings.push_back(Utf16ToUtf8(std::u16string_view(units).substr(start, i - start)));
            start = i + 1;
        }
    }
    while (!strings.empty() && strings.back().empty()) {
        strings.pop_back();
    }
    return true;
}

std::vector<std::uint8_t> EncodeMultiString(const std::vector<std::string>& strings) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& text : strings) {
        const std::vector<std::uint8_t> one = EncodeRegString(text);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool DecodeNumber(std::uint32_t type, const std::vector<std::uint8_t>& bytes, std::uint64_t& number) {
    const bool dword = (type == kRegDword || type == kRegDwordBigEndian) && bytes.size() == 4;
    if (!dword && !(type == kRegQword && bytes.size() == 8)) {
        return false;
    }
    number = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = type == kRegDwordBigEndian ? i : bytes.size() - 1 - i;
        number = (number << 8) | bytes[at];
    }
    return true;
}

} // namespace quill
