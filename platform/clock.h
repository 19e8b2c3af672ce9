#pragma once

namespace platform {

// Broken-down local time, as localtime() gives it (month 1-12, full year).
struct LocalTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // time() broken into local time by localtime().
    virtual LocalTime Now() = 0;
};

}  // namespace platform
