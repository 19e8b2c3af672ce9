#include "inspect/capture_tree.h"

#include <algorithm>

namespace inspect {

namespace {

constexpr win::Dword kInterfaceListFlags = win::kDigcfPresent | win::kDigcfDeviceInterface;
constexpr win::Dword kAllDevicesFlags = win::kDigcfPresent | win::kDigcfAllClasses;

CapturedDevice ReadDevice(platform::DeviceInstallServices& setup,
                          const platform::DeviceInfoList& list, const platform::DeviceInfo& info) {
    CapturedDevice device;
    device.devInst = info.devInst;
    device.instanceId = setup.GetDeviceStringProperty(list, info, win::kDevpkeyDeviceInstanceId);
    device.parentId = setup.GetDeviceStringProperty(list, info, win::kDevpkeyDeviceParent);
    device.driverDesc = setup.GetDeviceStringProperty(list, info, win::kDevpkeyDeviceDriverDesc);
    device.location = setup.GetDeviceStringProperty(list, info, win::kDevpkeyDeviceLocationInfo);
    device.hardwareIds = setup.GetHardwareIds(list, info);
    return device;
}

// Every interface of the class in the list's interface order, given to its owner.
void ReadInterfaces(platform::DeviceInstallServices& setup, const win::Guid& interfaceClass,
                    CapturedTree& tree, std::vector<std::uint32_t>& owners) {
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&interfaceClass, kInterfaceListFlags);
    if (!list.Valid()) {
        return;
    }
    for (std::uint32_t index = 0;; ++index) {
        const std::optional<platform::DeviceInterface> found =
            setup.EnumDeviceInterfaces(list, interfaceClass, index);
        if (!found) {
            return;
        }
        const std::optional<platform::DeviceInterfaceDetail> detail =
            setup.GetDeviceInterfaceDetail(list, *found);
        if (!detail) {
            continue;
        }
        // The owner is found by its instance ID: a DevInst need not be the same in two lists
        // (Wine gives a device a new one in every list); where none can be read, by DevInst.
        const std::optional<platform::DeviceProperty> id =
            setup.GetDeviceStringProperty(list, detail->device, win::kDevpkeyDeviceInstanceId);
        auto owner =
            std::find_if(tree.devices.begin(), tree.devices.end(), [&](const CapturedDevice& d) {
                return id ? d.instanceId && d.instanceId->text == id->text
                          : d.devInst == detail->device.devInst;
            });
        if (owner == tree.devices.end()) {
            owners.push_back(detail->device.devInst);
            continue;
        }
        owners.push_back(owner->devInst);
        owner->interfaces.push_back({interfaceClass, detail->devicePath});
    }
}

}  // namespace

std::vector<std::u16string> CapturedDevice::Paths(const win::Guid& interfaceClass) const {
    std::vector<std::u16string> paths;
    for (const CapturedInterface& i : interfaces) {
        if (i.interfaceClass == interfaceClass) {
            paths.push_back(i.path);
        }
    }
    return paths;
}

const CapturedDevice* CapturedTree::ByInstanceId(std::u16string_view instanceId) const {
    const auto it = std::find_if(devices.begin(), devices.end(), [&](const CapturedDevice& d) {
        return d.instanceId && d.instanceId->text == instanceId;
    });
    return it == devices.end() ? nullptr : &*it;
}

const CapturedDevice* CapturedTree::ByDevInst(std::uint32_t devInst) const {
    const auto it = std::find_if(devices.begin(), devices.end(),
                                 [&](const CapturedDevice& d) { return d.devInst == devInst; });
    return it == devices.end() ? nullptr : &*it;
}

CapturedTree CaptureDeviceTree(platform::DeviceInstallServices& setup) {
    CapturedTree tree;
    {
        const platform::DeviceInfoList list = setup.GetClassDevices(nullptr, kAllDevicesFlags);
        for (std::uint32_t index = 0; list.Valid(); ++index) {
            const std::optional<platform::DeviceInfo> info = setup.EnumDeviceInfo(list, index);
            if (!info) {
                break;
            }
            tree.devices.push_back(ReadDevice(setup, list, *info));
        }
    }
    ReadInterfaces(setup, win::kGuidDevinterfaceDisk, tree, tree.diskInterfaceOwners);
    ReadInterfaces(setup, win::kGuidDevinterfaceStoragePort, tree, tree.storagePortInterfaceOwners);
    return tree;
}

}  // namespace inspect
