#include "common/ListText.h"

namespace quill {
namespace {

constexpr char kDelimiter = '*';
constexpr char kQuote = '"';

bool IsBlank(char c) noexcept {
    return c != '\0' && static_cast<unsigned char>(c) <= 32;
}

bool NeedsQuotes(std::string_view item) noexcept {
    for (const char c : item) {
        if (static_cast<unsigned char>(c) <= 32 || c == kQuote || c == kDelimiter) {
            return true;
        }
    }
    return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
    out += kQuote;
    for (const char c : item) {
        out += c;
        if (c == kQuote) {
            out += kQuote;
        }
    }
    out += kQuote;
}

} // namespace

std::string FormatDelimitedList(const std::vector<std::string>& items) {
    if (items.size() == 1 && items.front().empty()) {
        return std::string(2, kQuote);
    }
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += kDelimiter;
        }
        if (NeedsQuotes(items[i])) {
            AppendQuoted(out, items[i]);
        } else {
            out += items[i];
        }
    }
    return out;
}

std::vector<std::string> ParseDelimitedList(std::string_view text) {
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    std::vector<std::string> items;
    std::size_t p = 0;
    const auto skipBlanks = [&] {
        while (p < text.size() && IsBlank(text[p])) {
            ++p;
        }
    };
    skipBlanks();
    while (p < text.size()) {
        std::string item;
        if (text[p] == kQuote) {
            ++p;
            while (p < text.size()) {
                if (text[p] == kQuote) {
                    if (p + 1 < text.size() && text[p + 1] == kQuote) {
                        item += kQuote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > 32 && text[p] != kDelimiter) {
                ++p;
            }
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < text.size() && text[p] == kDelimiter) {
            if (p + 1 == text.size()) {
                items.emplace_back();
            }
            ++p;
            skipBlanks();
        }
    }
    return items;
}

} // namespace quill
