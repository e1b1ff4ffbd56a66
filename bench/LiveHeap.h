#pragma once

// Replaces the global allocation operators so that a benchmark can tell how
// much heap its data holds. Include it in exactly one source file of a
// program.

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// Bytes the program holds on the heap right now, and the most it held since
// the last ResetHeapPeak, as asked for (the heap's own overhead per block is
// not counted).
std::atomic<long long> gLiveBytes{0};
std::atomic<long long> gPeakBytes{0};

[[maybe_unused]] void ResetHeapPeak() {
    gPeakBytes = gLiveBytes.load();
}

std::size_t BlockSize(void* p) {
#ifdef _WIN32
    return _msize(p);
#else
    return malloc_usable_size(p);
#endif
}

} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const long long live = gLiveBytes += static_cast<long long>(BlockSize(p));
    if (live > gPeakBytes.load(std::memory_order_relaxed)) {
        gPeakBytes.store(live, std::memory_order_relaxed);
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        gLiveBytes -= static_cast<long long>(BlockSize(p));
        std::free(p);
    }
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}
