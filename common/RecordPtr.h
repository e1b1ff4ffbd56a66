#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace quill {

// The record of a list item: either owned on the heap, as records made one
// at a time are, or living in an arena that the list holds, as a snapshot's
// records are. One pointer wide. Moving it moves the ownership of a heap
// record; an arena record stays valid as long as its arena is held, whoever
// points at it.
template <class TRecord> class TRecordPtr {
public:
    TRecordPtr() noexcept = default;
    TRecordPtr(std::nullptr_t) noexcept {}
    TRecordPtr(std::unique_ptr<TRecord> owned) noexcept
        : FBits(owned ? reinterpret_cast<std::uintptr_t>(owned.release()) | kOwned : 0) {}

    static TRecordPtr InArena(TRecord* record) noexcept {
        static_assert(alignof(TRecord) > 1, "an arena record's lowest address bit must be free");
        TRecordPtr pointer;
        pointer.FBits = reinterpret_cast<std::uintptr_t>(record);
        return pointer;
    }

    TRecordPtr(TRecordPtr&& other) noexcept : FBits(std::exchange(other.FBits, 0)) {}
    TRecordPtr& operator=(TRecordPtr&& other) noexcept {
        if (this != &other) {
            reset();
            FBits = std::exchange(other.FBits, 0);
        }
        return *this;
    }
    TRecordPtr(const TRecordPtr&) = delete;
    TRecordPtr& operator=(const TRecordPtr&) = delete;
    ~TRecordPtr() { reset(); }

    TRecord* get() const noexcept { return reinterpret_cast<TRecord*>(FBits & ~kOwned); }
    TRecord* operator->() const noexcept { return get(); }
    TRecord& operator*() const noexcept { return *get(); }
    explicit operator bool() const noexcept { return FBits != 0; }
    bool InArena() const noexcept { return FBits != 0 && (FBits & kOwned) == 0; }

    void reset() noexcept {
        if ((FBits & kOwned) != 0) {
            delete get();
        }
        FBits = 0;
    }

    friend bool operator==(const TRecordPtr& pointer, std::nullptr_t) noexcept { return pointer.FBits == 0; }

private:
    // Records are aligned to more than one byte, which leaves the lowest bit
    // of their address free to tell heap records apart.
    static constexpr std::uintptr_t kOwned = 1;
    std::uintptr_t FBits = 0;
};

} // namespace quill
