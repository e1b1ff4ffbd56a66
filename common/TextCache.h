#pragma once

#include "common/Arena.h"
#include "common/ArenaText.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace quill {

// Keeps short texts once per arena where they repeat, as registry value
// names and much of their data do from key to key ("DisplayName",
// "Apartment"). The cache remembers the last text of each slot only: bounded,
// and never worse than keeping every text.
class TTextCache {
public:
    // Without slots, every text is kept as it comes.
    TTextCache(TArena& arena, std::size_t slots) : FArena(arena), FSlots(slots) {}

    TText Keep(std::string_view text) {
        if (FSlots.empty() || text.size() > kLongest) {
            return FArena.Keep(text);
        }
        TText& slot = FSlots[std::hash<std::string_view>()(text) % FSlots.size()];
        if (slot.View() != text) {
            slot = FArena.Keep(text);
        }
        return slot;
    }

private:
    static constexpr std::size_t kLongest = 64;
    TArena& FArena;
    std::vector<TText> FSlots;
};

} // namespace quill
