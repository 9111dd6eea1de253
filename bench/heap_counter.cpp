#include "bench/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

// Counting costs atomic operations on every allocation, which would distort the timings: it is
// on only while a benchmark measures memory.
std::atomic<bool> g_counting{false};
std::atomic<size_t> g_current{0};
std::atomic<size_t> g_peak{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) {
        throw std::bad_alloc();
    }
    if (g_counting.load(std::memory_order_relaxed)) {
        const size_t now = g_current.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
        size_t peak = g_peak.load();
        while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
        }
    }
    return p;
}

void Release(void* p) {
    if (p && g_counting.load(std::memory_order_relaxed)) {
        g_current.fetch_sub(malloc_usable_size(p));
    }
    std::free(p);
}

} // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace vx::bench {

void StartHeapCount() {
    g_current = 0;
    g_peak = 0;
    g_counting = true;
}

size_t StopHeapCount() {
    g_counting = false;
    return g_peak.load();
}

} // namespace vx::bench
