// An inspection's time, "2026-03-01T09:30:00+01:00": kept as seconds since 1970 in UTC, so that
// inspections taken in different time zones compare as instants, and its offset to write it back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fleet {

struct InspectionTime {
    std::int64_t UtcSeconds = 0;
    std::int16_t OffsetMinutes = 0;
};

// Nothing unless the text is exactly local time to the second with a "+hh:mm" or "-hh:mm" offset.
std::optional<InspectionTime> ParseInspectionTime(std::string_view text);
std::string FormatInspectionTime(InspectionTime time);

}  // namespace fleet
