#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace quill {

// A text kept in an arena (TArena), or the empty text: one pointer, so that
// the hundreds of thousands of items of a snapshot stay small and one key
// path serves all the values of its key. Valid as long as its arena is held.
// Reads as a std::string_view; compares by content.
class TText {
public:
    constexpr TText() noexcept = default;

    // The text stored at stored by TArena::Keep.
    static TText AtStored(const char* stored) noexcept {
        TText text;
        text.FStored = stored;
        return text;
    }

    std::string_view View() const noexcept {
        if (FStored == nullptr) {
            return {};
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(FStored);
        if (bytes[0] < kShortLength) {
            return {FStored + 1, bytes[0]};
        }
        const std::size_t length = (std::size_t{bytes[0] & 0x7Fu} << 24) | (std::size_t{bytes[1]} << 16) |
                                   (std::size_t{bytes[2]} << 8) | bytes[3];
        return {FStored + 4, length};
    }
    operator std::string_view() const noexcept { return View(); }
    operator std::string() const { return std::string(View()); }

    std::size_t size() const noexcept { return View().size(); }
    bool empty() const noexcept { return FStored == nullptr || View().empty(); }
    const char* data() const noexcept { return View().data(); }
    bool starts_with(std::string_view prefix) const noexcept { return View().starts_with(prefix); }
    bool ends_with(std::string_view suffix) const noexcept { return View().ends_with(suffix); }
    bool ends_with(char c) const noexcept { return View().ends_with(c); }
    std::string substr(std::size_t from, std::size_t count = std::string_view::npos) const {
        return std::string(View().substr(from, count));
    }

    // True when both are the one stored text: equal without reading them.
    bool SameStorage(const TText& other) const noexcept { return FStored == other.FStored; }

    friend bool operator==(const TText& a, const TText& b) noexcept {
        return a.FStored == b.FStored || a.View() == b.View();
    }
    friend bool operator==(const TText& a, std::string_view b) noexcept { return a.View() == b; }

    friend std::string operator+(const TText& a, std::string_view b) { return std::string(a.View()).append(b); }
    friend std::string operator+(std::string_view a, const TText& b) { return std::string(a).append(b.View()); }
    friend std::string operator+(const TText& a, const TText& b) { return std::string(a.View()).append(b.View()); }

    friend std::ostream& operator<<(std::ostream& out, const TText& text);

    // Lengths below this take one byte before the text, longer ones four.
    static constexpr std::size_t kShortLength = 0x80;

private:
    // A length of up to 127 in one byte, a longer one in four bytes whose
    // first has its top bit set, then the bytes of the text.
    const char* FStored = nullptr;
};

} // namespace quill
