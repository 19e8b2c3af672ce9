#include "inspect/recording.h"

#include <algorithm>

namespace inspect {

platform::DeviceInfoList RecordingSetup::GetClassDevices(const win::Guid* interfaceClass,
                                                         win::Dword flags) {
    platform::DeviceInfoList list = m_inner.GetClassDevices(interfaceClass, flags);
    const std::optional<win::Guid> key =
        interfaceClass ? std::optional(*interfaceClass) : std::nullopt;
    auto& lists = m_recording.Lists;
    auto it = std::find_if(lists.begin(), lists.end(), [&](const RecordedList& recorded) {
        return recorded.InterfaceClass == key && recorded.Flags == flags;
    });
    if (it == lists.end()) {
        lists.push_back({key, flags, !list.Valid(), {}, {}});
        it = lists.end() - 1;
    }
    if (list.Valid()) {
        m_listOf[list.Get().Id] = static_cast<std::size_t>(it - lists.begin());
    }
    return list;
}

RecordedList* RecordingSetup::ListOf(const platform::DeviceInfoList& list) {
    const auto it = m_listOf.find(list.Get().Id);
    return it == m_listOf.end() ? nullptr : &m_recording.Lists[it->second];
}

RecordedDevice* RecordingSetup::DeviceOf(const platform::DeviceInfoList& list,
                                         const platform::DeviceInfo& device) {
    RecordedList* recorded = ListOf(list);
    if (recorded == nullptr) {
        return nullptr;
    }
    return &recorded->Devices.try_emplace(device.Index, RecordedDevice{device.DevInst, {}, {}})
                .first->second;
}

platform::DeviceAtIndex RecordingSetup::EnumDeviceInfo(const platform::DeviceInfoList& list,
                                                       std::uint32_t index) {
    const platform::DeviceAtIndex device = m_inner.EnumDeviceInfo(list, index);
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
        std::none_of(recorded->Interfaces.begin(), recorded->Interfaces.end(),
                     [&](const RecordedInterface& i) {
                         return i.InterfaceClass == found->InterfaceClass &&
                                i.Index == found->Index;
                     })) {
        recorded->Interfaces.push_back({found->InterfaceClass, found->Index, std::nullopt});
    }
    return found;
}

std::optional<platform::DeviceInterfaceDetail> RecordingSetup::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    std::optional<platform::DeviceInterfaceDetail> detail =
        m_inner.GetDeviceInterfaceDetail(list, deviceInterface);
    RecordedList* recorded = ListOf(list);
    if (recorded && detail) {
        DeviceOf(list, detail->Device);
        for (RecordedInterface& i : recorded->Interfaces) {
            if (i.InterfaceClass == deviceInterface.InterfaceClass &&
                i.Index == deviceInterface.Index && !i.Detail) {
                i.Detail = detail;
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
    if (recorded && std::none_of(recorded->Properties.begin(), recorded->Properties.end(),
                                 [&](const auto& entry) { return entry.first == key; })) {
        recorded->Properties.emplace_back(key, property);
    }
    return property;
}

std::optional<platform::HardwareIdList> RecordingSetup::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    std::optional<platform::HardwareIdList> ids = m_inner.GetHardwareIds(list, device);
    RecordedDevice* recorded = DeviceOf(list, device);
    if (recorded && !recorded->HardwareIds) {
        recorded->HardwareIds = ids;
    }
    return ids;
}

platform::OpenResult RecordingIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                       win::Dword shareMode, win::Dword flagsAndAttributes) {
    platform::OpenResult opened = m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
    auto& opens = m_recording.Opens;
    if (std::none_of(opens.begin(), opens.end(),
                     [&](const auto& entry) { return entry.first == path; })) {
        opens.emplace_back(std::u16string(path), opened.Handle.Valid() ? 0 : opened.Error);
    }
    if (opened.Handle.Valid()) {
        m_pathOf[opened.Handle.Get().Id] = std::u16string(path);
    }
    return opened;
}

platform::ControlResult RecordingIo::Control(const platform::DeviceHandle& handle,
                                             win::Dword controlCode, std::span<std::uint8_t> buffer,
                                             std::uint32_t inputLength) {
    RecordedRequest request;
    request.Path = m_pathOf[handle.Get().Id];
    request.ControlCode = controlCode;
    request.InputLength = inputLength;
    const auto sent = buffer.first(std::min<std::size_t>(inputLength, buffer.size()));
    request.Input.assign(sent.begin(), sent.end());
    const platform::ControlResult result =
        m_inner.Control(handle, controlCode, buffer, inputLength);
    auto& requests = m_recording.Requests;
    if (std::none_of(requests.begin(), requests.end(), [&](const RecordedRequest& r) {
            return r.Path == request.Path && r.ControlCode == controlCode &&
                   r.InputLength == inputLength && r.Output.size() == buffer.size() &&
                   r.Input == request.Input;
        })) {
        request.Output.assign(buffer.begin(), buffer.end());
        request.Result = {result.Ok, result.BytesReturned, result.Error};
        requests.push_back(std::move(request));
    }
    return result;
}

}  // namespace inspect
