#pragma once

#include "discovery/device_decision.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "platform/platform.h"

namespace discovery {

// Appends a candidate (AccessPath 3) for each of the maker's NVMe disks on the inbox driver.
// Returns false when the device list cannot be made. Each device looked at gets its decision
// in `log`.
bool EnumerateInboxNvmeDisks(platform::Platform& platform, model::RunEvents& events,
                             model::DiskList& candidates, DiscoveryLog* log = nullptr);

}  // namespace discovery
