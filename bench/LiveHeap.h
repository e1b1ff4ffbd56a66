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

// Bytes the program holds on the heap right now, as asked for (the heap's
// own overhead per block is not counted).
std::atomic<long long> gLiveBytes{0};

} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    gLiveBytes += static_cast<long long>(_msize(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        gLiveBytes -= static_cast<long long>(_msize(p));
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
