// The device tree as the tool sees it through the device installation services: every present
// device with the properties the tool reads (each with the type the system gave it), and the
// disk and storage-port interfaces with the order of the two interface lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_install.h"

namespace inspect {

struct CapturedInterface {
    win::Guid interfaceClass{};
    std::u16string path;
};

struct CapturedDevice {
    std::uint32_t devInst = 0;
    // DEVPKEY_Device_InstanceId, _Parent, _DriverDesc, _LocationInfo; absent: not available.
    std::optional<platform::DeviceProperty> instanceId;
    std::optional<platform::DeviceProperty> parentId;
    std::optional<platform::DeviceProperty> driverDesc;
    std::optional<platform::DeviceProperty> location;
    std::optional<platform::HardwareIdList> hardwareIds;  // SPDRP_HARDWAREID
    std::vector<CapturedInterface> interfaces;            // disk ones, then storage-port ones

    std::u16string InstanceIdText() const { return instanceId ? instanceId->text : u""; }
    // The paths of the device's own interfaces of one class, in list order.
    std::vector<std::u16string> Paths(const win::Guid& interfaceClass) const;
};

struct CapturedTree {
    std::vector<CapturedDevice> devices;  // the DIGCF_ALLCLASSES list, in its order
    // The owners of the interfaces of each interface list, one entry per interface, in order.
    std::vector<std::uint32_t> diskInterfaceOwners;
    std::vector<std::uint32_t> storagePortInterfaceOwners;

    const CapturedDevice* ByInstanceId(std::u16string_view instanceId) const;
    const CapturedDevice* ByDevInst(std::uint32_t devInst) const;
};

// Walks the three device lists the tool walks; every list is destroyed before it returns.
CapturedTree CaptureDeviceTree(platform::DeviceInstallServices& setup);

}  // namespace inspect
