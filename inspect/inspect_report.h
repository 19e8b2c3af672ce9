// The inspection as a person reads it, and as a fleet collects it (one JSON object).
#pragma once

#include <string>

#include "inspect/machine_inspection.h"
#include "platform/clock.h"

namespace inspect {

std::string InspectionText(const Inspection& inspection);
// The schema of InspectionJson; a reader refuses any other (docs/inspection.md).
inline constexpr int kInspectionSchemaVersion = 1;

// Which machine an inspection is of, and when it was taken (local time and its offset from UTC).
struct Stamp {
    std::u16string Machine;
    platform::LocalTime InspectedAt;
    int UtcOffsetMinutes = 0;
};

std::string InspectionText(const Inspection& inspection);
std::string InspectionJson(const Inspection& inspection, const Stamp& stamp);
// ISO 8601 local time with its offset: 2026-03-01T09:30:00+01:00.
std::string IsoTime(const platform::LocalTime& time, int utcOffsetMinutes);

}  // namespace inspect
