// Kept out of the benchmarks' own files, so that no call of these is inlined where the
// compiler would take malloc and free for a mismatched pair.
#include "bench/counting_new.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> live{0}, peak{0};

void* Allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    const std::size_t bytes = ::malloc_usable_size(p);
    const std::size_t now = live.fetch_add(bytes) + bytes;
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return p;
}

void Free(void* p) {
    if (!p)
        return;
    live.fetch_sub(::malloc_usable_size(p));
    std::free(p);
}

}  // namespace

namespace bench {

std::size_t HeapLive() {
    return live.load();
}
std::size_t HeapPeak() {
    return peak.load();
}
void ResetHeapPeak() {
    peak = live.load();
}

}  // namespace bench

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}
