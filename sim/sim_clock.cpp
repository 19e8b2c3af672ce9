#include "sim/sim_clock.h"

namespace sim {

namespace {

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : days[month - 1];
}

void AddSeconds(platform::LocalTime& t, int seconds) {
    t.Second += seconds;
    while (t.Second >= 60) {
        t.Second -= 60;
        if (++t.Minute == 60) {
            t.Minute = 0;
            if (++t.Hour == 24) {
                t.Hour = 0;
                if (++t.Day > DaysInMonth(t.Year, t.Month)) {
                    t.Day = 1;
                    if (++t.Month == 13) {
                        t.Month = 1;
                        ++t.Year;
                    }
                }
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
