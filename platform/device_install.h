// The device installation services (SetupAPI) as the logic uses them. The Win32
// implementation owns the buffer-size protocol: callers receive whole values or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "platform/windows_values.h"

namespace platform {

// One device of a device list (SP_DEVINFO_DATA): its index in the list and its DevInst.
struct DeviceInfo {
    std::uint32_t Index = 0;
    std::uint32_t DevInst = 0;
};

// SetupDiEnumDeviceInfo's answer at an index: the device, or why there is none. Past the end of
// the list Windows answers ERROR_NO_MORE_ITEMS; any other error means the list could not be read
// to its end, and a device behind that index may be missed.
struct DeviceAtIndex {
    std::optional<DeviceInfo> Device;
    win::Dword Error = win::kErrorNoMoreItems;

    explicit operator bool() const { return Device.has_value(); }
    const DeviceInfo& operator*() const { return *Device; }
    const DeviceInfo* operator->() const { return &*Device; }
    bool ListBroken() const { return !Device && Error != win::kErrorNoMoreItems; }
};

// One interface of a device list (SP_DEVICE_INTERFACE_DATA).
struct DeviceInterface {
    std::uint32_t Index = 0;
    win::Guid InterfaceClass{};
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_W's path and the device that owns the interface.
struct DeviceInterfaceDetail {
    std::u16string DevicePath;
    DeviceInfo Device;
};

// A device property as SetupDiGetDevicePropertyW gives it: the DEVPROPTYPE the system reports
// and the value read as UTF-16 text up to its first terminator, whatever that type.
struct DeviceProperty {
    win::Dword Type = 0;
    std::u16string Text;
};

// SPDRP_HARDWAREID as SetupDiGetDeviceRegistryPropertyW gives it: the registry type and the
// value read as a list of UTF-16 strings.
struct HardwareIdList {
    win::Dword Type = 0;
    std::vector<std::u16string> Ids;
};

class DeviceInstallServices;

// SetupDiDestroyDeviceInfoList of a device information list.
struct DeviceInfoListTraits : IssuedIdTraits<DeviceInstallServices> {
    static void Release(Value list);
};

// A device information list (HDEVINFO); move-only, destroyed by its destructor on every path.
using DeviceInfoList = ScopedHandle<DeviceInfoListTraits>;

class DeviceInstallServices {
public:
    virtual ~DeviceInstallServices() = default;

    // SetupDiGetClassDevsW(interfaceClass or null, no enumerator, no window, flags).
    virtual DeviceInfoList GetClassDevices(const win::Guid* interfaceClass, win::Dword flags) = 0;
    // SetupDiEnumDeviceInfo: the device at index, or the error that ended the list.
    virtual DeviceAtIndex EnumDeviceInfo(const DeviceInfoList& list, std::uint32_t index) = 0;
    // SetupDiEnumDeviceInterfaces with no device filter.
    virtual std::optional<DeviceInterface> EnumDeviceInterfaces(const DeviceInfoList& list,
                                                                const win::Guid& interfaceClass,
                                                                std::uint32_t index) = 0;
    // SetupDiGetDeviceInterfaceDetailW, the whole path and the owning device.
    virtual std::optional<DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const DeviceInfoList& list, const DeviceInterface& deviceInterface) = 0;
    // SetupDiGetDevicePropertyW, the whole value with its type; the caller checks the type.
    virtual std::optional<DeviceProperty> GetDeviceStringProperty(const DeviceInfoList& list,
                                                                  const DeviceInfo& device,
                                                                  const win::DevPropKey& key) = 0;
    // SetupDiGetDeviceRegistryPropertyW(SPDRP_HARDWAREID), the whole value with its type.
    virtual std::optional<HardwareIdList> GetHardwareIds(const DeviceInfoList& list,
                                                         const DeviceInfo& device) = 0;

protected:
    friend struct DeviceInfoListTraits;
    // SetupDiDestroyDeviceInfoList.
    virtual void DestroyDeviceInfoList(std::uint64_t id) = 0;
};

inline void DeviceInfoListTraits::Release(Value list) {
    list.Issuer->DestroyDeviceInfoList(list.Id);
}

}  // namespace platform
