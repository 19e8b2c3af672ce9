#include "fleet/inspection_time.h"

#include <chrono>
#include <cstdio>

namespace fleet {

namespace {

using namespace std::chrono;

// The number of digits at text[at, at + count), or nothing.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<InspectionTime> ParseInspectionTime(std::string_view text) {
    // 2026-03-01T09:30:00+01:00
    if (text.size() != 25 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || (text[19] != '+' && text[19] != '-') ||
        text[22] != ':') {
        return std::nullopt;
    }
    const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    const auto offsetHours = Digits(text, 20, 2), offsetMinutes = Digits(text, 23, 2);
    if (!year || !month || !day || !hour || !minute || !second || !offsetHours || !offsetMinutes ||
        *hour > 23 || *minute > 59 || *second > 59 || *offsetHours > 14 || *offsetMinutes > 59) {
        return std::nullopt;
    }
    const year_month_day date{std::chrono::year{*year}, std::chrono::month(*month),
                              std::chrono::day(*day)};
    if (!date.ok()) {
        return std::nullopt;
    }
    const int offset = (text[19] == '-' ? -1 : 1) * (*offsetHours * 60 + *offsetMinutes);
    const std::int64_t local = duration_cast<seconds>(sys_days{date}.time_since_epoch()).count() +
                               *hour * 3600 + *minute * 60 + *second;
    return InspectionTime{local - offset * 60, static_cast<std::int16_t>(offset)};
}

std::string FormatInspectionTime(InspectionTime time) {
    const std::int64_t local = time.UtcSeconds + time.OffsetMinutes * 60;
    const sys_days days = floor<std::chrono::days>(sys_seconds{seconds{local}});
    const year_month_day date{days};
    const std::int64_t inDay = local - duration_cast<seconds>(days.time_since_epoch()).count();
    const int offset = time.OffsetMinutes < 0 ? -time.OffsetMinutes : time.OffsetMinutes;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02d:%02d",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60),
                  time.OffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

}  // namespace fleet
