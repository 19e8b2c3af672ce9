#include "sim/sim_clock.h"

namespace sim {

namespace {

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : days[month - 1];
}

// In 64-bit arithmetic, carrying by division: any int step, repeated, neither overflows the
// seconds nor loops once per minute.
void AddSeconds(platform::LocalTime& t, int seconds) {
    const long long total = static_cast<long long>(t.Second) + seconds;
    t.Second = static_cast<int>(total % 60);
    const long long minutes = t.Minute + total / 60;
    t.Minute = static_cast<int>(minutes % 60);
    const long long hours = t.Hour + minutes / 60;
    t.Hour = static_cast<int>(hours % 24);
    for (long long days = hours / 24; days > 0; --days) {
        if (++t.Day > DaysInMonth(t.Year, t.Month)) {
            t.Day = 1;
            if (++t.Month == 13) {
                t.Month = 1;
                ++t.Year;
            }
        }
    }
}

}  // namespace

platform::LocalTime SimClock::Now() {
    const platform::LocalTime reading = m_now;
    AddSeconds(m_now, m_step);
    return reading;
}

}  // namespace sim
