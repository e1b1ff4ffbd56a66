#include "filter/IgnoreList.h"

#include "common/TextCompare.h"

#include <array>

namespace quill {
namespace {

bool IsBlank(char c) noexcept {
    return static_cast<unsigned char>(c) <= ' ';
}

// The bytes of the first character: a mark outside ASCII is still one mark.
std::size_t FirstCharLength(std::string_view text) noexcept {
    std::size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

struct TRootPrefix {
    std::string_view Name;
    bool Short;
};

// Long names first; a short name counts only as a whole word, so that a key
// named "HKUpdate" keeps its name.
constexpr std::array<TRootPrefix, 10> kRootPrefixes{{
    {"HKEY_CLASSES_ROOT", false},
    {"HKEY_CURRENT_USER", false},
    {"HKEY_LOCAL_MACHINE", false},
    {"HKEY_USERS", false},
    {"HKEY_CURRENT_CONFIG", false},
    {"HKCR", true},
    {"HKCU", true},
    {"HKLM", true},
    {"HKU", true},
    {"HKCC", true},
}};

// The first line of the text, trimmed, taken off the text. Any of CR LF, LF
// and a bare CR ends a line, as editors of every system save them; the empty
// line between CR and LF is passed over with the blank lines.
std::string_view NextLine(std::string_view& text) noexcept {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = TrimText(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    return line;
}

} // namespace

std::string_view TrimText(std::string_view text) noexcept {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<TIgnoreEntry> ParseIgnoreList(std::string_view text) {
    std::vector<TIgnoreEntry> entries;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        const std::size_t markLength = FirstCharLength(line);
        entries.push_back(TIgnoreEntry{std::string(TrimText(line.substr(markLength))), line.front() == '+'});
    }
    return entries;
}

bool HoldsForeignText(std::string_view text) {
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        if (!line.empty() && line != kIgnoreFileComment) {
            return true;
        }
    }
    return false;
}

std::string FormatIgnoreList(const std::vector<TIgnoreEntry>& entries) {
    std::string text;
    text.append(kIgnoreFileComment).append("\r\n");
    for (const TIgnoreEntry& entry : entries) {
        text.append(1, entry.Checked ? '+' : '-').append(entry.Text).append("\r\n");
    }
    text.append(kIgnoreFileComment).append("\r\n");
    return text;
}

std::string StripRootName(std::string_view text) {
    for (const TRootPrefix& root : kRootPrefixes) {
        if (!StartsWithText(text, root.Name)) {
            continue;
        }
        const std::string_view rest = text.substr(root.Name.size());
        if (!root.Short || rest.empty() || rest.front() == '\\') {
            return std::string(rest);
        }
    }
    return std::string(text);
}

std::optional<std::string> IgnoreEntryForm(TIgnoreKind kind, std::string_view typed) {
    std::string text(TrimText(typed));
    switch (kind) {
    case TIgnoreKind::Files:
    case TIgnoreKind::Directories:
        if (text.ends_with('\\')) {
            text.pop_back();
        }
        break;
    case TIgnoreKind::Keys:
        if (!text.ends_with('\\')) {
            text += '\\';
        }
        break;
    case TIgnoreKind::Values:
        // A key path followed by the empty name: the key's default value.
        break;
    }
    if (kind == TIgnoreKind::Keys || kind == TIgnoreKind::Values) {
        text = StripRootName(text);
        if (!text.empty() && text.front() != '\\') {
            text.insert(text.begin(), '\\');
        }
    }
    if (text.size() <= 1) {
        return std::nullopt;
    }
    return text;
}

std::string ExpandVariables(std::string_view text, const TLookupVariable& lookup) {
    std::string expanded;
    while (!text.empty()) {
        const std::size_t open = text.find('%');
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        expanded.append(text.substr(0, open));
        const std::optional<std::string> value = lookup(text.substr(open + 1, close - open - 1));
        if (value) {
            expanded.append(*value);
            text.remove_prefix(close + 1);
        } else {
            // The closing "%" may open the next name.
            expanded.append(text.substr(open, close - open));
            text.remove_prefix(close);
        }
    }
    expanded.append(text);
    return expanded;
}

} // namespace quill
