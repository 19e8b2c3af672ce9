#pragma once

#include <algorithm>
#include <vector>

namespace bench {

// The fastest of the repetitions: on a shared machine other processes only ever add time.
inline double MinOf(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

}  // namespace bench
