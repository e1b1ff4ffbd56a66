#include "common/Arena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

TEST(Arena, KeepsTextsOfEveryLengthAsTheyWere) {
    // Around the one-byte length, and beyond the largest block.
    const std::size_t lengths[] = {0, 1, 127, 128, 255, 70000, 3 << 20};
    TArena arena;
    std::vector<std::string> originals;
    std::vector<TText> kept;
    for (const std::size_t length : lengths) {
        std::string text(length, 'x');
        for (std::size_t i = 0; i < length; ++i) {
            text[i] = static_cast<char>('a' + (i * 7 + length) % 26);
        }
        kept.push_back(arena.Keep(text));
        originals.push_back(std::move(text));
    }
    for (std::size_t i = 0; i < originals.size(); ++i) {
        EXPECT_EQ(kept[i].View(), originals[i]) << lengths[i];
        EXPECT_EQ(kept[i].size(), lengths[i]);
    }
}

TEST(Arena, RecordsStayWhereTheyWereMadeWhileMoreFollow) {
    struct TPair {
        double First;
        std::uint8_t Second;
    };
    TArena arena;
    std::vector<TPair*> made;
    for (int i = 0; i < 100000; ++i) {
        made.push_back(arena.New<TPair>(TPair{i * 0.5, static_cast<std::uint8_t>(i)}));
        arena.Keep("text between the records " + std::to_string(i));
    }
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(made[i]->First, i * 0.5);
        ASSERT_EQ(made[i]->Second, static_cast<std::uint8_t>(i));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(made[i]) % alignof(TPair), 0u);
    }
}

} // namespace
} // namespace quill
