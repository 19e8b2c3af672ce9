#include "platform/win32/win32_clock.h"

#include <ctime>

namespace platform::win32 {

platform::LocalTime Win32Clock::Now() {
    const std::time_t now = std::time(nullptr);
    platform::LocalTime result;
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return result;
    }
    result.Year = local->tm_year + 1900;
    result.Month = local->tm_mon + 1;
    result.Day = local->tm_mday;
    result.Hour = local->tm_hour;
    result.Minute = local->tm_min;
    result.Second = local->tm_sec;
    return result;
}

}  // namespace platform::win32
