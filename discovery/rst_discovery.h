#pragma once

#include <cstdint>
#include <string>

#include "discovery/device_decision.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "platform/platform.h"

namespace discovery {

// The one Intel RST controller that discovery chose.
struct RaidController {
    bool Found = false;
    std::u16string DevicePath;  // storage-port interface path, as the system returns it
    std::u16string InstanceId;
};

// The two tests a storage-port device passes to be the RST controller: an interface path of an
// Intel device, and the driver's description of an Intel RST or RAID controller.
bool IsIntelStoragePort(std::u16string_view interfacePath);
bool IsRstDriverDescription(std::u16string_view text);
// Whether an RST controller's driver description names Intel Volume Management Device.
bool IsVmdDriverDescription(std::u16string_view text);

// Each device looked at gets its decision in `log`.
bool FindRstController(platform::Platform& platform, model::RunEvents& events,
                       RaidController& controller, DiscoveryLog* log = nullptr);
// Appends AccessPath 1 (RAID volume) and 2 (plain disk) candidates behind the controller.
bool EnumerateRstDisks(platform::Platform& platform, model::RunEvents& events,
                       const RaidController& controller, model::DiskList& candidates,
                       DiscoveryLog* log = nullptr);
// The bus number in the location text of the device with this DevInst, or -1.
std::int64_t ReadRstBusNumber(platform::Platform& platform, std::uint32_t devInst);

}  // namespace discovery
