#pragma once

#include "common/ArenaText.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace quill {

// Memory for the records and texts of one snapshot, handed out from large
// blocks and given back all at once when the arena goes: hundreds of
// thousands of records cost a few dozen allocations to make and to free.
// What lives here is never destroyed one by one, so it holds no heap memory
// of its own.
class TArena {
public:
    TArena() = default;
    TArena(const TArena&) = delete;
    TArena& operator=(const TArena&) = delete;

    template <class T, class... TArgs> T* New(TArgs&&... args) {
        static_assert(std::is_trivially_destructible_v<T>, "arena records are never destroyed");
        return ::new (Allocate(sizeof(T), alignof(T))) T(std::forward<TArgs>(args)...);
    }

    // A copy of the text; the empty text takes no room.
    TText Keep(std::string_view text);
    // A copy of the bytes; none when there are none.
    const std::uint8_t* KeepBytes(const std::uint8_t* bytes, std::size_t size);

    std::size_t BlockCount() const noexcept { return FBlocks.size(); }
    std::size_t BlockBytes() const noexcept { return FBlockBytes; }

private:
    // Records and texts fill blocks of their own: texts need no alignment,
    // and padding every text up to a record's alignment would waste bytes.
    struct TLane {
        std::byte* Next = nullptr;
        std::byte* End = nullptr;
    };

    void* Allocate(std::size_t size, std::size_t alignment);
    std::byte* Take(TLane& lane, std::size_t size, std::size_t alignment);
    std::byte* NewBlock(std::size_t size);

    std::vector<std::unique_ptr<std::byte[]>> FBlocks;
    std::size_t FBlockBytes = 0;
    std::size_t FNextBlockSize = 1024;
    TLane FRecords;
    TLane FTexts;
};

} // namespace quill
