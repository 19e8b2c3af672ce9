#pragma once

namespace platform {

// Broken-down local time, as localtime() gives it (month 1-12, full year).
struct LocalTime {
    int Year = 1970;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // time() broken into local time by localtime().
    virtual LocalTime Now() = 0;
};

}  // namespace platform
