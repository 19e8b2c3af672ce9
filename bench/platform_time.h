// A stopwatch of the time a run spends inside platform calls (the simulator's share), so that
// the tool's own time is the rest.
#pragma once

#include <chrono>

#include "bench/guarded_platform.h"

namespace bench {

class PlatformTimeGuard {
public:
    PlatformTimeGuard() : m_start(std::chrono::steady_clock::now()) {}
    ~PlatformTimeGuard() { s_total += std::chrono::steady_clock::now() - m_start; }
    PlatformTimeGuard(const PlatformTimeGuard&) = delete;
    PlatformTimeGuard& operator=(const PlatformTimeGuard&) = delete;

    static std::chrono::nanoseconds Total() { return s_total; }
    static void Reset() { s_total = {}; }

private:
    std::chrono::steady_clock::time_point m_start;
    static inline std::chrono::nanoseconds s_total{};
};

using TimedPlatform = GuardedPlatform<PlatformTimeGuard>;

}  // namespace bench
