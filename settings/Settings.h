#pragma once

#include "common/CaptureNotes.h"
#include "common/Registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The caption of the main window and the tray icon, and the stored Version.
inline constexpr std::string_view kApplicationTitle = "Quillborne v2.0";

// The key under the current user's hive that holds every option.
inline constexpr std::string_view kSettingsKeyPath = "\\Software\\Tarnvale\\Quillborne";

// The options of the program, each a string value under one registry key.
// Nothing is cached: every read goes to the registry. Registry failures are
// never reported: a read that fails yields the caller's default, a write that
// fails is dropped.
class TSettings {
public:
    explicit TSettings(IRegistry& registry, std::string keyPath = std::string(kSettingsKeyPath));

    const std::string& KeyPath() const noexcept { return FKeyPath; }

    // A string or expandable-string value; an empty, missing or unreadable
    // value gives the default.
    std::string ReadString(std::string_view name, std::string_view defaultValue = {}) const;
    // Decimal text; text that does not parse gives the default.
    int ReadInteger(std::string_view name, int defaultValue) const;
    // Exactly "Y" or "N"; anything else gives the default.
    bool ReadBool(std::string_view name, bool defaultValue = false) const;
    // Delimited list text, or the strings of a multi-string value (as a
    // policy or a hand edit may store a list); an empty value reads as the
    // default text. A value of a type that holds no list reads as the default
    // too, and goes to the notes when given: a capture must not take a list
    // it cannot read for an empty one.
    std::vector<std::string> ReadList(std::string_view name, std::string_view defaultText = {},
                                      TCaptureNotes* notes = nullptr) const;

    void WriteString(std::string_view name, std::string_view text);
    void WriteInteger(std::string_view name, int value);
    void WriteBool(std::string_view name, bool value);
    void WriteList(std::string_view name, const std::vector<std::string>& items);

    // Whether the value existed and was removed.
    bool DeleteValue(std::string_view name);

private:
    // False when the key or the value cannot be read.
    bool Query(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) const;

    IRegistry& FRegistry;
    std::string FKeyPath;
};

// Parses optionally signed decimal text that fits an int, blanks around it
// allowed; false for anything else.
bool ParseInteger(std::string_view text, int& value) noexcept;

} // namespace quill
