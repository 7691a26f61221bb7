// Replaces the program's operator new and delete by malloc and free that count the usable size of each
// block (malloc_usable_size: what the block really takes, not what was asked).
#include "heap_use.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> heldBytes{0};
std::atomic<size_t> peakBytes{0};

void* counted(size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const size_t now = heldBytes += malloc_usable_size(block);
    size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return block;
}

void released(void* block) {
    if (block != nullptr) {
        heldBytes -= malloc_usable_size(block);
        std::free(block);
    }
}

} // namespace

size_t heapBytesNow() {
    return heldBytes.load();
}

void resetHeapPeak() {
    peakBytes = heldBytes.load();
}

size_t heapPeakBytes() {
    return peakBytes.load();
}

void* operator new(size_t size) {
    return counted(size);
}
void* operator new[](size_t size) {
    return counted(size);
}
void operator delete(void* block) noexcept {
    released(block);
}
void operator delete[](void* block) noexcept {
    released(block);
}
void operator delete(void* block, size_t) noexcept {
    released(block);
}
void operator delete[](void* block, size_t) noexcept {
    released(block);
}
