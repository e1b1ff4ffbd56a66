#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>

namespace quill {

// Keeps the order in which fields are set, so that documents read the same
// every time.
using TJson = nlohmann::ordered_json;

// The value as compact JSON text. A string's unpaired UTF-16 code unit (kept
// in its three-byte form, as names from the platform may hold them) becomes
// the escape \udXXX that JSON carries, so that the name reads back exactly;
// a byte that is no UTF-8 at all becomes U+FFFD.
void AppendJson(std::string& out, const TJson& value);

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
    void Dump(const TJson& value);

    std::ostream& FOut;
    std::string FText;
    bool FFirst = true;
};

} // namespace quill
