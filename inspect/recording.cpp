#include "inspect/recording.h"

#include <algorithm>

namespace inspect {

platform::DeviceInfoList RecordingSetup::GetClassDevices(const win::Guid* interfaceClass,
                                                         win::Dword flags) {
    platform::DeviceInfoList list = m_inner.GetClassDevices(interfaceClass, flags);
    const std::optional<win::Guid> key =
        interfaceClass ? std::optional(*interfaceClass) : std::nullopt;
    auto& lists = m_recording.lists;
    auto it = std::find_if(lists.begin(), lists.end(), [&](const RecordedList& recorded) {
        return recorded.interfaceClass == key && recorded.flags == flags;
    });
    if (it == lists.end()) {
        lists.push_back({key, flags, !list.Valid(), {}, {}});
        it = lists.end() - 1;
    }
    if (list.Valid()) {
        m_listOf[list.Id()] = static_cast<std::size_t>(it - lists.begin());
    }
    return list;
}

RecordedList* RecordingSetup::ListOf(const platform::DeviceInfoList& list) {
    const auto it = m_listOf.find(list.Id());
    return it == m_listOf.end() ? nullptr : &m_recording.lists[it->second];
}

RecordedDevice* RecordingSetup::DeviceOf(const platform::DeviceInfoList& list,
                                         const platform::DeviceInfo& device) {
    RecordedList* recorded = ListOf(list);
    if (recorded == nullptr) {
        return nullptr;
    }
    return &recorded->devices.try_emplace(device.index, RecordedDevice{device.devInst, {}, {}})
                .first->second;
}

std::optional<platform::DeviceInfo> RecordingSetup::EnumDeviceInfo(
    const platform::DeviceInfoList& list, std::uint32_t index) {
    const std::optional<platform::DeviceInfo> device = m_inner.EnumDeviceInfo(list, index);
    if (device) {
        DeviceOf(list, *device);
    }
    return device;
}

std::optional<platform::DeviceInterface> RecordingSetup::EnumDeviceInterfaces(
    const platform::DeviceInfoList& list, const win::Guid& interfaceClass, std::uint32_t index) {
    const std::optional<platform::DeviceInterface> found =
        m_inner.EnumDeviceInterfaces(list, interfaceClass, index);
    RecordedList* recorded = ListOf(list);
    if (recorded && found &&
        std::none_of(recorded->interfaces.begin(), recorded->interfaces.end(),
                     [&](const RecordedInterface& i) {
                         return i.interfaceClass == found->interfaceClass &&
                                i.index == found->index;
                     })) {
        recorded->interfaces.push_back({found->interfaceClass, found->index, std::nullopt});
    }
    return found;
}

std::optional<platform::DeviceInterfaceDetail> RecordingSetup::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    std::optional<platform::DeviceInterfaceDetail> detail =
        m_inner.GetDeviceInterfaceDetail(list, deviceInterface);
    RecordedList* recorded = ListOf(list);
    if (recorded && detail) {
        DeviceOf(list, detail->device);
        for (RecordedInterface& i : recorded->interfaces) {
            if (i.interfaceClass == deviceInterface.interfaceClass &&
                i.index == deviceInterface.index && !i.detail) {
                i.detail = detail;
            }
        }
    }
    return detail;
}

std::optional<platform::DeviceProperty> RecordingSetup::GetDeviceStringProperty(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
    const win::DevPropKey& key) {
    std::optional<platform::DeviceProperty> property =
        m_inner.GetDeviceStringProperty(list, device, key);
    RecordedDevice* recorded = DeviceOf(list, device);
    if (recorded && std::none_of(recorded->properties.begin(), recorded->properties.end(),
                                 [&](const auto& entry) { return entry.first == key; })) {
        recorded->properties.emplace_back(key, property);
    }
    return property;
}

std::optional<platform::HardwareIdList> RecordingSetup::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    std::optional<platform::HardwareIdList> ids = m_inner.GetHardwareIds(list, device);
    RecordedDevice* recorded = DeviceOf(list, device);
    if (recorded && !recorded->hardwareIds) {
        recorded->hardwareIds = ids;
    }
    return ids;
}

platform::OpenResult RecordingIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                       win::Dword shareMode, win::Dword flagsAndAttributes) {
    platform::OpenResult opened = m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
    auto& opens = m_recording.opens;
    if (std::none_of(opens.begin(), opens.end(),
                     [&](const auto& entry) { return entry.first == path; })) {
        opens.emplace_back(std::u16string(path), opened.handle.Valid() ? 0 : opened.error);
    }
    if (opened.handle.Valid()) {
        m_pathOf[opened.handle.Id()] = std::u16string(path);
    }
    return opened;
}

platform::ControlResult RecordingIo::Control(const platform::DeviceHandle& handle,
                                             win::Dword controlCode, std::span<std::uint8_t> buffer,
                                             std::uint32_t inputLength) {
    RecordedRequest request;
    request.path = m_pathOf[handle.Id()];
    request.controlCode = controlCode;
    request.inputLength = inputLength;
    const auto sent = buffer.first(std::min<std::size_t>(inputLength, buffer.size()));
    request.input.assign(sent.begin(), sent.end());
    const platform::ControlResult result =
        m_inner.Control(handle, controlCode, buffer, inputLength);
    auto& requests = m_recording.requests;
    if (std::none_of(requests.begin(), requests.end(), [&](const RecordedRequest& r) {
            return r.path == request.path && r.controlCode == controlCode &&
                   r.inputLength == inputLength && r.output.size() == buffer.size() &&
                   r.input == request.input;
        })) {
        request.output.assign(buffer.begin(), buffer.end());
        request.result = {result.ok, result.bytesReturned, result.error};
        requests.push_back(std::move(request));
    }
    return result;
}

}  // namespace inspect
