// What the forecast keeps of one machine's inspection: a small row, read from the inspection's
// JSON (docs/inspection.md) and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "fleet/inspection_time.h"

namespace fleet {

// The texts that few machines vary (a decision, a revision, a reason), each kept once. A row
// names them by index, so that it stays small in a fleet of many thousand machines.
class TextPool {
public:
    std::uint32_t IndexOf(const std::string& text);
    const std::string& operator[](std::uint32_t index) const { return m_texts[index]; }

private:
    std::vector<std::string> m_texts;
    std::unordered_map<std::string, std::uint32_t> m_indices;
};

struct TextCount {
    std::uint32_t Text = 0;  // index in the pool
    std::uint32_t Count = 0;
};

struct MachineRow {
    InspectionTime InspectedAt;
    std::uint32_t ImageRevision = 0;  // the image the inspector carried
    std::int32_t ExpectedExitCode = 0;
    std::uint32_t DrivesToUpdate = 0;
    std::uint32_t DrivesCurrent = 0;
    std::uint32_t DrivesNeedingShutdown = 0;
    std::vector<TextCount> DrivesByDecision;
    std::vector<TextCount> DrivesByRunningRevision;
    std::vector<std::uint32_t> NotAccountedFor;  // the reason of each device not accounted for
};

struct RowResult {
    std::string Machine;
    std::optional<MachineRow> Row;
    std::string Reason;  // no row: why the file is not an inspection
};

inline constexpr std::size_t kLargestInspection = 1024 * 1024;

// Reads one file's text as an inspection of schema version 1; its texts go into the pool.
RowResult ReadInspection(const std::string& text, TextPool& texts);

}  // namespace fleet
