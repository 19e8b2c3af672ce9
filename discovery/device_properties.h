#pragma once

#include <string>

#include "platform/device_install.h"

namespace discovery {

// DEVPKEY_Device_Parent of the device; false (text unchanged) when it cannot be read.
bool ReadParentId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                  const platform::DeviceInfo& device, std::u16string& text);
// DEVPKEY_Device_InstanceId of the device; false (text unchanged) when it cannot be read.
bool ReadInstanceId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                    const platform::DeviceInfo& device, std::u16string& text);

}  // namespace discovery
