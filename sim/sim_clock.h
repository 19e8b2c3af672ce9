#pragma once

#include "platform/clock.h"

namespace sim {

// The largest step a scenario may give: a day between two readings of one run.
inline constexpr int kMaxClockStep = 86400;

// A settable clock; each reading advances it by a fixed step, so start and end stamps differ.
// A negative step counts as 0.
class SimClock : public platform::Clock {
public:
    explicit SimClock(platform::LocalTime start = {2026, 12, 6, 19, 4, 9}, int stepSeconds = 0)
        : m_now(start), m_step(stepSeconds < 0 ? 0 : stepSeconds) {}

    platform::LocalTime Now() override;
    void Set(platform::LocalTime now) { m_now = now; }

private:
    platform::LocalTime m_now;
    int m_step;
};

}  // namespace sim
