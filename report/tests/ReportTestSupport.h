#pragma once

#include "report/ReportOutput.h"
#include "snapshot/EnumRegistry.h"

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace quill {

// A report file held as text.
class TStringFile : public IReportFile {
public:
    std::string Text;
    void Write(std::string_view bytes) override { Text.append(bytes); }
    void Close() override {}
};

// CR LF line ends as "\n", so that expected texts read as the page does.
inline std::string Lines(std::string text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        result += text[i];
    }
    return result;
}

// What the writing does to an output, as lines.
template <class TWrite> std::string Render(TWrite write) {
    TStringFile file;
    {
        TReportOutput out(file);
        write(out);
        out.Flush();
    }
    return Lines(file.Text);
}

// Sets a record's text field, whether the field holds a string of its own or
// a view of a text that a list keeps; such texts are kept for the life of
// the test program.
template <class TField, class TKeeper = TValueList> void SetText(TField& field, std::string_view text) {
    if constexpr (std::is_assignable_v<TField&, std::string>) {
        field = std::string(text);
    } else {
        static TKeeper keeper;
        field = keeper.Keep(text);
    }
}

// The data of a string value, in the form the record holds it.
inline TValueData TextData(std::string_view text) {
    std::variant_alternative_t<1, TValueData> data;
    SetText(data, text);
    return data;
}

inline std::unique_ptr<TKeyRecord> Key(TDateTime lastWrite, bool included = true) {
    auto key = std::make_unique<TKeyRecord>();
    key->LastWrite = lastWrite;
    key->Included = included ? 1 : 0;
    return key;
}

inline std::unique_ptr<TValueRecord> Value(std::string_view name, TDataType type, std::int32_t size,
                                           bool included = true) {
    auto value = std::make_unique<TValueRecord>();
    SetText(value->Name, name);
    value->DataType = type;
    value->DataSize = size;
    value->Included = included ? 1 : 0;
    return value;
}

inline std::unique_ptr<TValueRecord> StringValue(std::string_view name, std::string_view text, bool included = true) {
    const auto size = static_cast<std::int32_t>(2 * text.size() + 2);
    auto value = Value(name, dtString, size, included);
    value->Data = TextData(text);
    return value;
}

inline std::unique_ptr<TValueRecord> IntegerValue(std::string_view name, std::int32_t number, bool included = true) {
    auto value = Value(name, dtInteger, 4, included);
    value->Data = number;
    return value;
}

} // namespace quill
