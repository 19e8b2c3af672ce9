#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"

namespace rst {

enum class IdentifyStatus : std::int32_t {
    Identified = 0,     // the record was made
    RequestFailed = 5,  // DeviceIoControl failed
    NotOpened = 8,      // no buffer, or the controller path did not open
    Refused = 9,        // the driver answered a ReturnCode other than 0 and SRB_STATUS_SUCCESS
};

struct [[nodiscard]] IdentifyOutcome {
    IdentifyStatus Status = IdentifyStatus::NotOpened;
    model::StopPoint Stop;
    // The Identify Controller data read (4096 bytes), when the disk was identified.
    std::vector<std::uint8_t> Identify;
    // Identified: the disk's record with the identity the data gives.
    std::optional<model::DiskRecord> Record;
};

// Identify Controller through the "IntelNvm" pass-through; makes the record when the driver
// carried the command out, whatever the data area holds. For a disk known to be NVMe, a failure,
// a refusal and an answer without data (PCI vendor ID 0) are reported.
IdentifyOutcome IdentifyRstDisk(platform::Platform& platform, model::RunEvents& events,
                                model::DiskRecord disk);

// Fills the identity and UpdateGranularity of the record from 4096 bytes of Identify
// Controller data: every byte of SN, MN and FR, widened with its sign, nothing trimmed.
void ApplyIdentifyData(std::span<const std::uint8_t> identify, model::DiskRecord& disk);

}  // namespace rst
