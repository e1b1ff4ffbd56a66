#include "report/JsonStream.h"

#include "common/Utf.h"

namespace quill {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendUnitEscape(std::string& out, char32_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += kHex[(unit >> shift) & 0xF];
    }
}

void AppendControl(std::string& out, unsigned char c) {
    switch (c) {
    case '\b':
        out += "\\b";
        break;
    case '\f':
        out += "\\f";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    case '\t':
        out += "\\t";
        break;
    default:
        AppendUnitEscape(out, c);
        break;
    }
}

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x80) {
            const std::size_t start = pos;
            const char32_t code = DecodeUtf8(text, pos);
            if (code >= kInvalidByte) {
                out += "\xEF\xBF\xBD";
            } else if (code >= 0xD800 && code <= 0xDFFF) {
                AppendUnitEscape(out, code);
            } else {
                out.append(text.substr(start, pos - start));
            }
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            AppendControl(out, c);
        } else {
            out += static_cast<char>(c);
        }
        ++pos;
    }
    out += '"';
}

} // namespace

void AppendJson(std::string& out, const TJson& value) {
    switch (value.type()) {
    case TJson::value_t::string:
        AppendString(out, value.get_ref<const std::string&>());
        break;
    case TJson::value_t::object: {
        out += '{';
        bool first = true;
        for (auto item = value.begin(); item != value.end(); ++item) {
            out += first ? "" : ",";
            first = false;
            AppendString(out, item.key());
            out += ':';
            AppendJson(out, item.value());
        }
        out += '}';
        break;
    }
    case TJson::value_t::array: {
        out += '[';
        bool first = true;
        for (const TJson& item : value) {
            out += first ? "" : ",";
            first = false;
            AppendJson(out, item);
        }
        out += ']';
        break;
    }
    default:
        out += value.dump();
        break;
    }
}

void TJsonStream::Dump(const TJson& value) {
    FText.clear();
    AppendJson(FText, value);
    FOut << FText;
}

} // namespace quill
