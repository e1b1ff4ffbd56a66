#include "common/Registry.h"

#include "common/Utf.h"

namespace quill {

std::string_view RootName(TRegRoot root) noexcept {
    switch (root) {
    case TRegRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case TRegRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    case TRegRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case TRegRoot::Users:
        return "HKEY_USERS";
    case TRegRoot::CurrentConfig:
        return "HKEY_CURRENT_CONFIG";
    }
    return {};
}

std::vector<std::uint8_t> EncodeRegString(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    std::vector<std::uint8_t> data;
    data.reserve((wide.size() + 1) * 2);
    for (const char16_t c : wide) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::string DecodeRegString(const std::vector<std::uint8_t>& data) {
    std::u16string wide;
    wide.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            break;
        }
        wide += c;
    }
    return Utf16ToUtf8(wide);
}

TUserHivePath SplitUserHive(std::string_view keyPath) {
    const std::size_t end = keyPath.find('\\', 1);
    if (keyPath.empty() || end == std::string_view::npos) {
        return {keyPath.empty() ? keyPath : keyPath.substr(1), {}};
    }
    return {keyPath.substr(1, end - 1), keyPath.substr(end)};
}

} // namespace quill
