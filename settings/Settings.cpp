#include "settings/Settings.h"

#include "common/ListText.h"
#include "common/Utf.h"

#include <charconv>

namespace quill {

namespace {

bool IsText(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz;
}

// The strings of a multi-string value up to the empty one that ends it; a
// last string without its terminator counts.
std::vector<std::string> DecodeMultiString(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> items;
    std::u16string item;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c != 0) {
            item += c;
        } else if (item.empty()) {
            return items;
        } else {
            items.push_back(Utf16ToUtf8(item));
            item.clear();
        }
    }
    if (!item.empty()) {
        items.push_back(Utf16ToUtf8(item));
    }
    return items;
}

std::string TextOr(const std::vector<std::uint8_t>& data, std::string_view defaultValue) {
    std::string text = DecodeRegString(data);
    return text.empty() ? std::string(defaultValue) : text;
}

} // namespace

TSettings::TSettings(IRegistry& registry, std::string keyPath) : FRegistry(registry), FKeyPath(std::move(keyPath)) {}

bool TSettings::Query(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) const {
    std::unique_ptr<IRegKey> key;
    return FRegistry.OpenKey(TRegRoot::CurrentUser, FKeyPath, TRegAccess::Read, key) == TRegStatus::Ok &&
           key->QueryValue(name, type, data) == TRegStatus::Ok;
}

std::string TSettings::ReadString(std::string_view name, std::string_view defaultValue) const {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    if (!Query(name, type, data) || !IsText(type)) {
        return std::string(defaultValue);
    }
    return TextOr(data, defaultValue);
}

int TSettings::ReadInteger(std::string_view name, int defaultValue) const {
    int value = 0;
    return ParseInteger(ReadString(name, std::to_string(defaultValue)), value) ? value : defaultValue;
}

bool TSettings::ReadBool(std::string_view name, bool defaultValue) const {
    const std::string text = ReadString(name, "X");
    if (text == "Y") {
        return true;
    }
    if (text == "N") {
        return false;
    }
    return defaultValue;
}

std::vector<std::string> TSettings::ReadList(std::string_view name, std::string_view defaultText,
                                             TCaptureNotes* notes) const {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    if (!Query(name, type, data)) {
        return ParseDelimitedList(defaultText);
    }
    if (IsText(type)) {
        return ParseDelimitedList(TextOr(data, defaultText));
    }
    if (type == kRegMultiSz) {
        std::vector<std::string> items = DecodeMultiString(data);
        return items.empty() ? ParseDelimitedList(defaultText) : items;
    }
    if (notes != nullptr) {
        notes->Add("Could not read", "the setting " + std::string(name) + " (stored as registry type " +
                                         std::to_string(type) + ", not as text or a multi-string)");
    }
    return ParseDelimitedList(defaultText);
}

void TSettings::WriteString(std::string_view name, std::string_view text) {
    std::unique_ptr<IRegKey> key;
    if (FRegistry.CreateKey(TRegRoot::CurrentUser, FKeyPath, key) == TRegStatus::Ok) {
        key->SetValue(name, kRegSz, EncodeRegString(text));
    }
}

void TSettings::WriteInteger(std::string_view name, int value) {
    WriteString(name, std::to_string(value));
}

void TSettings::WriteBool(std::string_view name, bool value) {
    WriteString(name, value ? "Y" : "N");
}

void TSettings::WriteList(std::string_view name, const std::vector<std::string>& items) {
    WriteString(name, FormatDelimitedList(items));
}

bool TSettings::DeleteValue(std::string_view name) {
    std::unique_ptr<IRegKey> key;
    if (FRegistry.OpenKey(TRegRoot::CurrentUser, FKeyPath, TRegAccess::Write, key) != TRegStatus::Ok) {
        return false;
    }
    return key->DeleteValue(name) == TRegStatus::Ok;
}

bool ParseInteger(std::string_view text, int& value) noexcept {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace quill
