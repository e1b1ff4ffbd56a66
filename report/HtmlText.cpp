#include "report/HtmlText.h"

#include "common/Utf.h"

namespace quill {

namespace {

bool IsControl(unsigned char c) noexcept {
    return c < 0x20 || c == 0x7F;
}

// U+2400 + c for C0 controls, U+2421 for DEL: three bytes of UTF-8 each.
void AppendControlPicture(std::string& out, unsigned char c) {
    const unsigned code = c == 0x7F ? 0x2421 : 0x2400 + c;
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
}

bool NeedsPercent(unsigned char c) noexcept {
    switch (c) {
    case ' ':
    case '"':
    case '\'':
    case '#':
    case '%':
    case '?':
    case '<':
    case '>':
    case '`':
        return true;
    default:
        return IsControl(c) || c >= 0x80;
    }
}

} // namespace

void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // An unpaired surrogate, kept in its three-byte form, and a byte
            // that is no UTF-8 would make the page invalid UTF-8.
            std::size_t next = i;
            const char32_t code = DecodeUtf8(text, next);
            if (code < kInvalidByte && (code < 0xD800 || code > 0xDFFF)) {
                i = next - 1;
                continue;
            }
            out.append(text.substr(plain, i - plain));
            out += "\xEF\xBF\xBD";
            plain = next;
            i = next - 1;
            continue;
        }
        const char* entity = nullptr;
        switch (c) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        case '\'':
            entity = "&#39;";
            break;
        default:
            if (!IsControl(c)) {
                continue;
            }
        }
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        if (entity != nullptr) {
            out += entity;
        } else {
            AppendControlPicture(out, c);
        }
    }
    out.append(text.substr(plain));
}

void AppendFileLink(std::string& out, std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "file:///";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += '/';
        } else if (c == '&') {
            out += "&amp;";
        } else if (NeedsPercent(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
}

} // namespace quill
