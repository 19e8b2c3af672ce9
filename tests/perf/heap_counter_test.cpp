#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bench/heap_counter.h"
#include "bench/whole_run.h"
#include "image/carried_image.h"

namespace {

TEST(HeapCounter, CountsOnlyTheBlocksOfTheCurrentCount) {
    auto before = std::make_unique<std::vector<std::uint8_t>>(5000);
    bench::StartHeapCount();
    auto counted = std::make_unique<std::vector<std::uint8_t>>(1000);
    std::unique_ptr<std::vector<std::uint8_t>> uncounted;
    {
        bench::HeapCountPause pause;
        uncounted = std::make_unique<std::vector<std::uint8_t>>(7000);
    }
    const bench::HeapFigures held = bench::CurrentHeapFigures();
    before.reset();     // made before the count: must not be taken off it
    uncounted.reset();  // made while paused: likewise
    counted.reset();
    const bench::HeapFigures after = bench::StopHeapCount();

    const std::uint64_t expected = 1000 + sizeof(std::vector<std::uint8_t>);
    EXPECT_EQ(held.liveBytes, expected);
    EXPECT_EQ(held.allocations, 2u);
    EXPECT_EQ(after.peakBytes, expected);
    EXPECT_EQ(after.liveBytes, 0u);
}

// The bench's heap figures: a run holds the image's working copy, one request buffer at a time
// and its records; the simulated machine's memory (device tree, call log, transcript) stays out.
TEST(HeapCounter, WholeRunCountsTheToolAndNotTheSimulator) {
    const bench::WholeRunResult one = bench::RunWholeTool(1, true);
    EXPECT_EQ(one.exitCode, 1602);
    EXPECT_TRUE(one.clean);
    EXPECT_GE(one.heap.peakBytes, image::kImageSize);
    EXPECT_LT(one.heap.peakBytes, image::kImageSize + 256 * 1024);

    const bench::WholeRunResult eight = bench::RunWholeTool(8, true);
    EXPECT_EQ(eight.exitCode, 1602);
    EXPECT_LT(eight.heap.peakBytes - one.heap.peakBytes, 64 * 1024u);
    // One request buffer at a time: what the updates hold beyond the records does not grow.
    const bench::HeapFigures updatesOne = bench::UpdatesHeap(1);
    const bench::HeapFigures updatesEight = bench::UpdatesHeap(8);
    EXPECT_GT(updatesEight.liveBytes, updatesOne.liveBytes);
    EXPECT_LT(updatesEight.peakBytes - updatesEight.liveBytes,
              updatesOne.peakBytes - updatesOne.liveBytes + 16 * 1024);
}

}  // namespace
