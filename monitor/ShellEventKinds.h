#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quill {

// One kind of shell change notification: its SHCNE bit, the option that
// enables it (and, prefixed with "F_", the result-filter switch that shows
// it), the main window's handler that journals it, whether it carries a
// second path, and the caption of its filter switch.
struct TShellEventKind {
    std::uint32_t Bit;
    std::string_view Name;
    std::string_view Handler;
    bool TwoPaths;
    std::string_view FilterCaption;
};

inline constexpr std::size_t kShellEventKindCount = 19;

// The nineteen kinds in the order of their bits.
std::span<const TShellEventKind, kShellEventKindCount> ShellEventKinds() noexcept;

// The kind of a delivered event code, or null for a code outside the table.
const TShellEventKind* FindShellEventKind(std::uint32_t code) noexcept;

} // namespace quill
