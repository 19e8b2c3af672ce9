#include "sim/device_tree.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace sim {

namespace {

win::Dword TypeOf(const SimDevice& device, const std::string& property, win::Dword usual) {
    const auto it = device.propertyTypes.find(property);
    return it == device.propertyTypes.end() ? usual : it->second;
}

}  // namespace

std::u16string DeviceInterfacePath(std::u16string_view instanceId, std::u16string_view classGuid) {
    std::u16string path = u"\\\\?\\";
    for (char16_t c : instanceId) {
        const char16_t lower =
            (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
        path += lower == u'\\' ? u'#' : lower;
    }
    return path + u"#" + std::u16string(classGuid);
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && platform::ToUpperAscii(a) == platform::ToUpperAscii(b);
}

std::uint32_t DeviceTree::AddDevice(SimDevice device) {
    // DevInst values are opaque handles on Windows; make them look like it.
    device.devInst = 0x1000 + static_cast<std::uint32_t>(m_devices.size()) * 0x10;
    m_devices.push_back(std::move(device));
    return m_devices.back().devInst;
}

SimDevice* DeviceTree::FindDevice(std::u16string_view instanceId) {
    for (SimDevice& device : m_devices) {
        if (SamePath(device.instanceId, instanceId)) {
            return &device;
        }
    }
    return nullptr;
}

SimDevice* DeviceTree::FindDeviceByInst(std::uint32_t devInst) {
    return const_cast<SimDevice*>(std::as_const(*this).DeviceByInst(devInst));
}

bool DeviceTree::IsInterfaceOfAbsentDevice(std::u16string_view path) const {
    return std::any_of(m_devices.begin(), m_devices.end(), [&](const SimDevice& device) {
        return !device.present &&
               std::any_of(device.interfaces.begin(), device.interfaces.end(),
                           [&](const SimInterface& i) { return SamePath(i.path, path); });
    });
}

const SimDevice* DeviceTree::DeviceOfInterface(std::u16string_view path) const {
    for (const SimDevice& device : m_devices) {
        for (const SimInterface& i : device.interfaces) {
            if (SamePath(i.path, path)) {
                return &device;
            }
        }
    }
    return nullptr;
}

const SimDevice* DeviceTree::DeviceByInst(std::uint32_t devInst) const {
    const auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const SimDevice& device) {
        return device.devInst == devInst;
    });
    return it == m_devices.end() ? nullptr : &*it;
}

const SimDevice* DeviceTree::Member(const List& list, std::uint32_t index) const {
    if (list.recorded != nullptr) {
        const auto it = list.recorded->devices.find(index);
        return it == list.recorded->devices.end() ? nullptr : &it->second;
    }
    return index < list.members.size() ? DeviceByInst(list.members[index]) : nullptr;
}

const DeviceTree::List* DeviceTree::FindList(const platform::DeviceInfoList& list) {
    const auto it = m_lists.find(list.Get().Id);
    if (!list.Valid() || it == m_lists.end()) {
        m_calls.ReportMisuse("device list used after it was destroyed, or never made");
        return nullptr;
    }
    return &it->second;
}

const SimDevice* DeviceTree::ListedDevice(const platform::DeviceInfoList& list,
                                          const platform::DeviceInfo& device) {
    const List* found = FindList(list);
    if (found == nullptr) {
        return nullptr;
    }
    const SimDevice* member = Member(*found, device.Index);
    if (member == nullptr || member->devInst != device.DevInst) {
        m_calls.ReportMisuse("SP_DEVINFO_DATA that does not belong to the list");
        return nullptr;
    }
    return member;
}

std::optional<DeviceTree::ListedInterface> DeviceTree::FindListedInterface(
    const List& list, const win::Guid& interfaceClass, std::uint32_t index) const {
    if (list.recorded != nullptr) {
        for (const RecordedList::Interface& i : list.recorded->interfaces) {
            if (i.interfaceClass != interfaceClass || i.index != index) {
                continue;
            }
            const SimDevice* device = i.device ? Member(list, *i.device) : nullptr;
            if (device == nullptr) {
                return ListedInterface{0, nullptr, std::nullopt};
            }
            return ListedInterface{*i.device, device, i.path};
        }
        return std::nullopt;
    }
    std::uint32_t seen = 0;
    for (std::uint32_t d = 0; d < list.members.size(); ++d) {
        const SimDevice* device = DeviceByInst(list.members[d]);
        for (const SimInterface& i : device->interfaces) {
            if (i.interfaceClass == interfaceClass && seen++ == index) {
                return ListedInterface{d, device, i.path};
            }
        }
    }
    return std::nullopt;
}

platform::DeviceInfoList DeviceTree::GetClassDevices(const win::Guid* interfaceClass,
                                                     win::Dword flags) {
    if (m_calls.BeginCall(Call(CallKind::GetClassDevices))) {
        return {};
    }
    const bool allClasses = (flags & win::kDigcfAllClasses) != 0;
    const bool byInterface = (flags & win::kDigcfDeviceInterface) != 0;
    if (!allClasses && interfaceClass == nullptr) {
        m_calls.ReportMisuse("SetupDiGetClassDevsW without a class and without DIGCF_ALLCLASSES");
        return {};
    }
    List made;
    const std::optional<win::Guid> asked =
        interfaceClass ? std::optional(*interfaceClass) : std::nullopt;
    const auto recorded =
        std::find_if(m_recorded.begin(), m_recorded.end(), [&](const RecordedList& list) {
            return list.interfaceClass == asked && list.flags == flags;
        });
    if (recorded != m_recorded.end()) {
        if (recorded->failed) {
            return {};
        }
        made.recorded = &*recorded;
    } else {
        for (const SimDevice& device : m_devices) {
            if ((flags & win::kDigcfPresent) && !device.present) {
                continue;
            }
            bool listed = allClasses;
            if (!allClasses && byInterface) {
                listed = std::any_of(
                    device.interfaces.begin(), device.interfaces.end(),
                    [&](const SimInterface& i) { return i.interfaceClass == *interfaceClass; });
            }
            if (listed) {
                made.members.push_back(device.devInst);
            }
        }
    }
    const std::uint64_t id = m_calls.NewObjectId();
    m_lists.emplace(id, std::move(made));
    return platform::DeviceInfoList({this, id});
}

platform::DeviceAtIndex DeviceTree::EnumDeviceInfo(const platform::DeviceInfoList& list,
                                                   std::uint32_t index) {
    const List* found = FindList(list);
    const SimDevice* device = found != nullptr ? Member(*found, index) : nullptr;
    if (const auto action =
            m_calls.BeginCall(Call(CallKind::EnumDeviceInfo, device ? device->instanceId : u""))) {
        return {std::nullopt, action->error};
    }
    if (found == nullptr) {
        return {std::nullopt, win::kErrorInvalidHandle};
    }
    if (device == nullptr) {
        return {std::nullopt, win::kErrorNoMoreItems};
    }
    return {platform::DeviceInfo{index, device->devInst}, 0};
}

std::optional<platform::DeviceInterface> DeviceTree::EnumDeviceInterfaces(
    const platform::DeviceInfoList& list, const win::Guid& interfaceClass, std::uint32_t index) {
    const List* members = FindList(list);
    std::optional<ListedInterface> found;
    CallInfo call = Call(CallKind::EnumDeviceInterfaces);
    if (members != nullptr) {
        found = FindListedInterface(*members, interfaceClass, index);
        if (found && found->device) {
            call.target = found->device->instanceId;
        }
    }
    if (m_calls.BeginCall(call) || !found) {
        return std::nullopt;
    }
    return platform::DeviceInterface{index, interfaceClass};
}

std::optional<platform::DeviceInterfaceDetail> DeviceTree::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    const List* members = FindList(list);
    std::optional<ListedInterface> found;
    CallInfo call = Call(CallKind::GetDeviceInterfaceDetail);
    if (members != nullptr) {
        found =
            FindListedInterface(*members, deviceInterface.InterfaceClass, deviceInterface.Index);
        if (found && found->device) {
            call.target = found->device->instanceId;
        }
    }
    if (m_calls.BeginCall(call) || !found || !found->device || !found->path) {
        return std::nullopt;
    }
    return platform::DeviceInterfaceDetail{
        *found->path, platform::DeviceInfo{found->deviceIndex, found->device->devInst}};
}

std::optional<platform::DeviceProperty> DeviceTree::GetDeviceStringProperty(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
    const win::DevPropKey& key) {
    const SimDevice* node = ListedDevice(list, device);
    if (m_calls.BeginCall(Call(CallKind::GetDeviceStringProperty, node ? node->instanceId : u"")) ||
        !node) {
        return std::nullopt;
    }
    const std::pair<const char*, const std::optional<std::u16string>> properties[] = {
        {"instanceId", key == win::kDevpkeyDeviceInstanceId && node->instanceIdReadable
                           ? std::optional(node->instanceId)
                           : std::nullopt},
        {"parentId", key == win::kDevpkeyDeviceParent ? node->parentId : std::nullopt},
        {"driverDesc", key == win::kDevpkeyDeviceDriverDesc ? node->driverDesc : std::nullopt},
        {"location", key == win::kDevpkeyDeviceLocationInfo ? node->locationInfo : std::nullopt},
    };
    for (const auto& [name, value] : properties) {
        if (value) {
            return platform::DeviceProperty{TypeOf(*node, name, win::kDevpropTypeString), *value};
        }
    }
    return std::nullopt;
}

std::optional<platform::HardwareIdList> DeviceTree::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    const SimDevice* node = ListedDevice(list, device);
    if (m_calls.BeginCall(Call(CallKind::GetHardwareIds, node ? node->instanceId : u"")) || !node ||
        !node->hardwareIds) {
        return std::nullopt;
    }
    return platform::HardwareIdList{TypeOf(*node, "hardwareIds", win::kRegMultiSz),
                                    *node->hardwareIds};
}

void DeviceTree::DestroyDeviceInfoList(std::uint64_t id) {
    if (m_lists.erase(id) == 0) {
        m_calls.ReportMisuse("SetupDiDestroyDeviceInfoList of an unknown list");
    }
}

}  // namespace sim
