#include "bench/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_current{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_base{0};

// Each block carries its size in front so that delete can count it back.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (!block) {
        throw std::bad_alloc();
    }
    *reinterpret_cast<size_t*>(block) = size;
    const size_t now = g_current.fetch_add(size) + size;
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}

void Release(void* p) {
    if (!p) {
        return;
    }
    char* block = static_cast<char*>(p) - kHeader;
    g_current.fetch_sub(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

} // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace vx::bench {

void ResetHeapPeak() {
    g_base = g_current.load();
    g_peak = g_base.load();
}
size_t HeapPeakBytes() { return g_peak.load() - g_base.load(); }
size_t HeapCurrentBytes() { return g_current.load(); }

} // namespace vx::bench
