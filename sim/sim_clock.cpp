#include "sim/sim_clock.h"

namespace sim {

namespace {

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : days[month - 1];
}

void AddSeconds(platform::LocalTime& t, int seconds) {
    t.second += seconds;
    while (t.second >= 60) {
        t.second -= 60;
        if (++t.minute == 60) {
            t.minute = 0;
            if (++t.hour == 24) {
                t.hour = 0;
                if (++t.day > DaysInMonth(t.year, t.month)) {
                    t.day = 1;
                    if (++t.month == 13) {
                        t.month = 1;
                        ++t.year;
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
