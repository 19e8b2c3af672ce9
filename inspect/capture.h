// The machine as the inspector sees it, written as a scenario that fwsim loads: the device tree
// (interface lists, parents, instance IDs, hardware IDs, driver descriptions, location texts,
// device numbers), the Identify Controller data of every drive, the firmware get-info answers
// and the CSMI RAID configurations. Read-only: it sends only IOCTL_STORAGE_GET_DEVICE_NUMBER,
// the Identify property query, the miniport firmware get-info, CSMI GET_RAID_CONFIG and the
// "IntelNvm" Identify; it writes nothing on the console.
#pragma once

#include <string>

#include "platform/platform.h"

namespace inspect {

// The scenario text (JSON) of the machine behind `platform`. Where a drive's behaviour cannot
// be seen read-only (how it takes a download), the scenario's "comment" says what fwsim assumes.
std::string CaptureScenario(platform::Platform& platform);

}  // namespace inspect
