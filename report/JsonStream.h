#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string_view>

namespace quill {

// Keeps the order in which fields are set, so that documents read the same
// every time.
using TJson = nlohmann::ordered_json;

// Writes the document a record at a time, so that a result of a million
// files never stands in memory as one tree: every record is one line.
class TJsonStream {
public:
    explicit TJsonStream(std::ostream& out) : FOut(out) {}

    void Field(std::string_view name, const TJson& value) {
        Name(name);
        Dump(value);
    }
    void BeginObject(std::string_view name) {
        Name(name);
        FOut << '{';
        FFirst = true;
    }
    void EndObject() {
        FOut << "\n}";
        FFirst = false;
    }
    void BeginArray(std::string_view name) {
        Name(name);
        FOut << '[';
        FFirst = true;
    }
    void Item(const TJson& value) {
        Separate();
        Dump(value);
    }
    void EndArray() {
        FOut << (FFirst ? "]" : "\n]");
        FFirst = false;
    }
    void Begin() {
        FOut << '{';
        FFirst = true;
    }
    void End() { FOut << "\n}\n"; }

private:
    void Separate() {
        FOut << (FFirst ? "\n" : ",\n");
        FFirst = false;
    }
    void Name(std::string_view name) {
        Separate();
        Dump(TJson(name));
        FOut << ": ";
    }
    // Names the platform hands over may hold unpaired surrogates, which
    // JSON text cannot carry: they become U+FFFD.
    void Dump(const TJson& value) { FOut << value.dump(-1, ' ', false, TJson::error_handler_t::replace); }

    std::ostream& FOut;
    bool FFirst = true;
};

} // namespace quill
