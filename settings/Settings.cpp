#include "settings/Settings.h"

#include "common/ListText.h"

#include <charconv>

namespace quill {

TSettings::TSettings(IRegistry& registry, std::string keyPath) : FRegistry(registry), FKeyPath(std::move(keyPath)) {}

std::string TSettings::ReadString(std::string_view name, std::string_view defaultValue) const {
    std::unique_ptr<IRegKey> key;
    if (FRegistry.OpenKey(TRegRoot::CurrentUser, FKeyPath, TRegAccess::Read, key) != TRegStatus::Ok) {
        return std::string(defaultValue);
    }
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    if (key->QueryValue(name, type, data) != TRegStatus::Ok || (type != kRegSz && type != kRegExpandSz)) {
        return std::string(defaultValue);
    }
    std::string text = DecodeRegString(data);
    return text.empty() ? std::string(defaultValue) : text;
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

std::vector<std::string> TSettings::ReadList(std::string_view name, std::string_view defaultText) const {
    return ParseDelimitedList(ReadString(name, defaultText));
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
