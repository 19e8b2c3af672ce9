#include <gtest/gtest.h>

#include <vector>

#include "bench/bench_statistics.h"

namespace {

// The bench's summaries rest on these: the fastest repetition of a whole run, and the ratio of
// the medians of interleaved download samples. One sample far off must not move a median.
TEST(BenchStatistics, MinMedianAndRatioOfMedians) {
    struct Row {
        std::vector<double> samples;
        std::vector<double> limit;
        double min;
        double median;
        double ratio;
    };
    const Row rows[] = {
        {{}, {1.0}, 0.0, 0.0, 0.0},
        {{2.0}, {}, 2.0, 2.0, 0.0},
        {{3.0, 1.0, 2.0}, {1.0, 1.0, 1.0}, 1.0, 2.0, 2.0},
        {{4.0, 1.0, 3.0, 2.0}, {2.0, 2.0}, 1.0, 2.5, 1.25},
        {{1.2, 1.3, 900.0, 1.2, 1.3}, {1.0, 500.0, 1.0}, 1.2, 1.3, 1.3},
        {{1.0, 1.0}, {0.0, 0.0}, 1.0, 1.0, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.samples));
        EXPECT_DOUBLE_EQ(bench::MinOf(row.samples), row.min);
        EXPECT_DOUBLE_EQ(bench::MedianOf(row.samples), row.median);
        EXPECT_DOUBLE_EQ(bench::RatioOfMedians(row.samples, row.limit), row.ratio);
    }
}

}  // namespace
