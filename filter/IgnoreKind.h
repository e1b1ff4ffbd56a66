#pragma once

#include <cstdint>
#include <string_view>

namespace quill {

// The four lists of things a report never shows, each kept in its own file
// beside the program.
enum class TIgnoreKind : std::uint8_t { Files, Directories, Keys, Values };

// What the editor of a list shows, and the name of the list's file. A value
// outside the four gets a generic caption and a file no list uses.
struct TIgnoreKindInfo {
    std::string_view Caption;
    std::string_view Label;
    std::string_view FileName;
};

TIgnoreKindInfo IgnoreKindInfo(TIgnoreKind kind) noexcept;

} // namespace quill
