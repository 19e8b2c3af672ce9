// What the forecast keeps of one machine's inspection: a small row, read from the inspection's
// JSON (docs/inspection.md) and nothing else.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fleet {

struct MachineRow {
    std::string Machine;
    std::string InspectedAt;
    std::string ImageRevision;  // the image the inspector carried
    int ExpectedExitCode = 0;
    std::map<std::string, std::size_t> DrivesByDecision;
    std::map<std::string, std::size_t> DrivesByRunningRevision;
    std::size_t DrivesToUpdate = 0;
    std::size_t DrivesCurrent = 0;
    std::size_t DrivesNeedingShutdown = 0;
    std::vector<std::string> NotAccountedFor;  // the reason of each device not accounted for
};

struct RowResult {
    std::optional<MachineRow> Row;
    std::string Reason;  // no row: why the file is not an inspection
};

inline constexpr std::size_t kLargestInspection = 1024 * 1024;

// Reads one file's text as an inspection of schema version 1.
RowResult ReadInspection(const std::string& text);

}  // namespace fleet
