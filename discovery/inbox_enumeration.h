#pragma once

#include "discovery/disk_record.h"
#include "platform/platform.h"

namespace discovery {

// Appends a candidate (AccessPath 3) for each of the maker's NVMe disks on the inbox driver.
// Returns false when the device list cannot be made or a matching disk cannot be opened.
bool EnumerateInboxNvmeDisks(platform::Platform& platform, DiskList& candidates);

}  // namespace discovery
