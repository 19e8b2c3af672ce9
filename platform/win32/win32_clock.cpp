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
    result.year = local->tm_year + 1900;
    result.month = local->tm_mon + 1;
    result.day = local->tm_mday;
    result.hour = local->tm_hour;
    result.minute = local->tm_min;
    result.second = local->tm_sec;
    return result;
}

}  // namespace platform::win32
