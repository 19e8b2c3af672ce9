// Device nodes as the scenario writes them: a plain device with all it showed, the fields of a
// disk node that an "inbox" or "rst" entry makes, and the properties whose type is not the one
// the simulator gives by default.
#pragma once

#include <string>
#include <vector>

#include "inspect/capture_json.h"
#include "inspect/capture_tree.h"

namespace inspect {

// What the simulator cannot show as captured, as short sentences for the scenario's comment.
using Notes = std::vector<std::string>;

// The instance ID a node is written under ("CAPTURE\UNREADABLE\n" when it could not be read).
std::u16string NodeInstanceId(const CapturedDevice& device);

// A "devices" entry: every property the device gave and all its interfaces.
json::Value PlainDeviceJson(const CapturedDevice& device);

// The node fields of an "inbox" disk, an RST volume or an RST disk (instanceId, parentId,
// hardwareIds, interfacePath, location), and notes on what such an entry fixes by itself: the
// driver description "Disk drive", one disk interface, derived hardware IDs when none were read.
void AddDiskNodeFields(json::Value& entry, const CapturedDevice& device, Notes& notes);

// "propertyTypes" entries of the node's properties whose type is not DEVPROP_TYPE_STRING (or
// REG_MULTI_SZ for the hardware IDs).
void AddPropertyTypes(const CapturedDevice& device, json::Value& entries);

// A device's name in notes: its instance ID as UTF-8.
std::string NodeName(const CapturedDevice& device);

}  // namespace inspect
