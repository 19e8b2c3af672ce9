#pragma once

#include <algorithm>
#include <vector>

namespace bench {

// The fastest of the repetitions: on a shared machine other processes only ever add time.
inline double MinOf(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// The middle of the samples (the mean of the two middle ones for an even count): a sample that
// another process interrupted moves it no more than any other slow sample does.
inline double MedianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 != 0) {
        return *middle;
    }
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

// The ratio of the medians of two series of samples, 0 when either is empty.
inline double RatioOfMedians(const std::vector<double>& measured,
                             const std::vector<double>& limit) {
    const double limitMedian = MedianOf(limit);
    return measured.empty() || limitMedian <= 0 ? 0.0 : MedianOf(measured) / limitMedian;
}

}  // namespace bench
