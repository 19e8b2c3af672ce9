#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/device_install.h"

namespace discovery {

// DEVPKEY_Device_Parent of the device; false (text unchanged) when it cannot be read.
bool ReadParentId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                  const platform::DeviceInfo& device, std::u16string& text);
// DEVPKEY_Device_InstanceId of the device; false (text unchanged) when it cannot be read.
bool ReadInstanceId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                    const platform::DeviceInfo& device, std::u16string& text);
// A DEVPROP_TYPE_STRING property; a value of any other type is not available.
std::optional<std::u16string> ReadStringProperty(platform::DeviceInstallServices& setup,
                                                 const platform::DeviceInfoList& list,
                                                 const platform::DeviceInfo& device,
                                                 const win::DevPropKey& key);
// SPDRP_HARDWAREID as REG_MULTI_SZ (or a single REG_SZ); any other type is not available.
std::optional<std::vector<std::u16string>> ReadHardwareIds(platform::DeviceInstallServices& setup,
                                                           const platform::DeviceInfoList& list,
                                                           const platform::DeviceInfo& device);

// The interface of interfaceClass listed at the device's own index, with its detail.
std::optional<platform::DeviceInterfaceDetail> InterfaceAtDeviceIndex(
    platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
    const platform::DeviceInfo& device, const win::Guid& interfaceClass);
// Whether the interface is the device's own: the index of an interface need not be that of
// its device (a device can expose two interfaces of a class, or none).
inline bool OwnedBy(const platform::DeviceInterfaceDetail& detail,
                    const platform::DeviceInfo& device) {
    return detail.Device.DevInst == device.DevInst;
}

}  // namespace discovery
