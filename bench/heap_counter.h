// Counts the heap the tool itself holds: the bench program replaces the global operator new and
// delete, and only blocks allocated while counting is on (and freed in the same count) enter the
// figures. Calls into the simulator pause the count, so its memory stays out.
#pragma once

#include <cstdint>

namespace bench {

struct HeapFigures {
    std::uint64_t peakBytes = 0;    // the most counted bytes alive at one time
    std::uint64_t liveBytes = 0;    // counted bytes still alive when the count stopped
    std::uint64_t allocations = 0;  // counted allocations
};

// Starts a new count from zero.
void StartHeapCount();
HeapFigures StopHeapCount();
HeapFigures CurrentHeapFigures();

// Pauses the count for its lifetime (calls into the simulator).
class HeapCountPause {
public:
    HeapCountPause();
    ~HeapCountPause();
    HeapCountPause(const HeapCountPause&) = delete;
    HeapCountPause& operator=(const HeapCountPause&) = delete;

private:
    bool m_wasCounting;
};

}  // namespace bench
