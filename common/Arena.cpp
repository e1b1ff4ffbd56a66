#include "common/Arena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace quill {
namespace {

// Blocks grow from small, for the many small lists, to this size, for the
// few that hold a whole root.
constexpr std::size_t kLargestBlock = std::size_t{1} << 20;
constexpr std::size_t kLongestText = 0x7FFFFFFF;

} // namespace

std::ostream& operator<<(std::ostream& out, const TText& text) {
    return out << text.View();
}

TText TArena::Keep(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > kLongestText) {
        throw std::length_error("text too long for an arena");
    }
    const std::size_t header = text.size() < TText::kShortLength ? 1 : 4;
    auto* stored = reinterpret_cast<unsigned char*>(Take(FTexts, header + text.size(), 1));
    if (header == 1) {
        stored[0] = static_cast<unsigned char>(text.size());
    } else {
        stored[0] = static_cast<unsigned char>(0x80 | (text.size() >> 24));
        stored[1] = static_cast<unsigned char>(text.size() >> 16);
        stored[2] = static_cast<unsigned char>(text.size() >> 8);
        stored[3] = static_cast<unsigned char>(text.size());
    }
    std::memcpy(stored + header, text.data(), text.size());
    return TText::AtStored(reinterpret_cast<const char*>(stored));
}

const std::uint8_t* TArena::KeepBytes(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    std::byte* copy = Take(FTexts, size, 1);
    std::memcpy(copy, bytes, size);
    return reinterpret_cast<const std::uint8_t*>(copy);
}

void* TArena::Allocate(std::size_t size, std::size_t alignment) {
    return Take(FRecords, size, alignment);
}

std::byte* TArena::Take(TLane& lane, std::size_t size, std::size_t alignment) {
    auto at = reinterpret_cast<std::uintptr_t>(lane.Next);
    at = (at + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    if (lane.Next == nullptr || at + size > reinterpret_cast<std::uintptr_t>(lane.End)) {
        // What is too large for a block of the current size gets a block of
        // its own, and the lane goes on in its old block.
        const std::size_t needed = size + alignment - 1;
        if (needed > FNextBlockSize / 2 && lane.Next != nullptr) {
            std::byte* block = NewBlock(needed);
            at = (reinterpret_cast<std::uintptr_t>(block) + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
            return reinterpret_cast<std::byte*>(at);
        }
        const std::size_t blockSize = std::max(FNextBlockSize, needed);
        lane.Next = NewBlock(blockSize);
        lane.End = lane.Next + blockSize;
        FNextBlockSize = std::min(FNextBlockSize * 2, kLargestBlock);
        at = (reinterpret_cast<std::uintptr_t>(lane.Next) + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    }
    lane.Next = reinterpret_cast<std::byte*>(at + size);
    return reinterpret_cast<std::byte*>(at);
}

std::byte* TArena::NewBlock(std::size_t size) {
    // Allocated as bytes, not as objects: nothing is constructed here.
    FBlocks.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
    FBlockBytes += size;
    return FBlocks.back().get();
}

} // namespace quill
