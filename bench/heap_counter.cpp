#include "bench/heap_counter.h"

#include <cstdlib>
#include <new>

namespace bench {

namespace {

// Every block carries its size and the count it was made in, in front of the caller's bytes;
// 16 bytes keep the caller's pointer aligned for any fundamental type.
struct BlockHeader {
    std::uint64_t size;
    std::uint64_t count;  // 0: made while not counting
};
static_assert(sizeof(BlockHeader) == 16);

// The bench drives the tool on one thread; the counters need no synchronisation.
bool g_counting = false;
std::uint64_t g_count = 0;
HeapFigures g_figures;

void* Allocate(std::size_t size) {
    void* raw = std::malloc(sizeof(BlockHeader) + (size == 0 ? 1 : size));
    if (raw == nullptr) {
        throw std::bad_alloc();
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = size;
    header->count = g_counting ? g_count : 0;
    if (g_counting) {
        g_figures.liveBytes += size;
        ++g_figures.allocations;
        if (g_figures.liveBytes > g_figures.peakBytes) {
            g_figures.peakBytes = g_figures.liveBytes;
        }
    }
    return header + 1;
}

void Release(void* block) {
    if (block == nullptr) {
        return;
    }
    auto* header = static_cast<BlockHeader*>(block) - 1;
    if (header->count != 0 && header->count == g_count) {
        g_figures.liveBytes -= header->size;
    }
    std::free(header);
}

}  // namespace

void StartHeapCount() {
    ++g_count;
    g_figures = {};
    g_counting = true;
}

HeapFigures StopHeapCount() {
    g_counting = false;
    return g_figures;
}

HeapFigures CurrentHeapFigures() {
    return g_figures;
}

HeapCountPause::HeapCountPause() : m_wasCounting(g_counting) {
    g_counting = false;
}

HeapCountPause::~HeapCountPause() {
    g_counting = m_wasCounting;
}

}  // namespace bench

// The replaceable allocation functions; the array, nothrow and sized forms reach these.
void* operator new(std::size_t size) {
    return bench::Allocate(size);
}
void* operator new[](std::size_t size) {
    return bench::Allocate(size);
}
void operator delete(void* block) noexcept {
    bench::Release(block);
}
void operator delete[](void* block) noexcept {
    bench::Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    bench::Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    bench::Release(block);
}
