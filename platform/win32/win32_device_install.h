// SetupAPI behind platform::DeviceInstallServices. The buffer-size protocol lives here:
// callers get a whole value or nothing.
#pragma once

#include "platform/device_install.h"

namespace platform::win32 {

class Win32DeviceInstallServices : public platform::DeviceInstallServices {
public:
    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override;
    platform::DeviceAtIndex EnumDeviceInfo(const platform::DeviceInfoList& list,
                                           std::uint32_t index) override;
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) override;
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list,
        const platform::DeviceInterface& deviceInterface) override;
    std::optional<platform::DeviceProperty> GetDeviceStringProperty(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
        const win::DevPropKey& key) override;
    std::optional<platform::HardwareIdList> GetHardwareIds(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device) override;

protected:
    void DestroyDeviceInfoList(std::uint64_t id) override;
};

}  // namespace platform::win32
