// Whole runs of the tool, discovery to report, on machines of many of the maker's drives.
#pragma once

#include <cstdint>

#include "bench/heap_counter.h"

namespace bench {

struct WholeRunResult {
    int exitCode = 0;
    bool clean = false;              // no handle or device list left open, no misuse seen
    HeapFigures heap;                // the tool's own heap, when counted
    std::size_t reportChars = 0;     // the report's one wide line
    std::uint64_t liveAtReport = 0;  // counted heap alive while it is written
};

// One run on a fresh machine of `drives` drives (half inbox, half RST). With countHeap the
// tool's heap is counted, starting as a fresh process would: without its image prepared.
WholeRunResult RunWholeTool(std::uint32_t drives, bool countHeap);

// The tool's heap over discovery, identification, selection and updates alone (the image
// prepared beforehand, outside the count). liveBytes is what the records hold at the end: every
// DiskRecord in Candidates, Identified and SelectedDisks, with their strings and the lists'
// spare room; peakBytes adds what was alive at the worst moment (a request buffer and the like).
HeapFigures UpdatesHeap(std::uint32_t drives);

}  // namespace bench
