#include "platform/win32/win32_device_install.h"

#include <windows.h>

#include <setupapi.h>

#include <cstring>

#include "platform/win32/property_text.h"
#include "platform/win32/size_protocol.h"

namespace platform::win32 {

namespace {

HDEVINFO ToHandle(const platform::DeviceInfoList& list) {
    return reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(list.Get().Id));
}

GUID ToGuid(const win::Guid& guid) {
    GUID out;
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    std::memcpy(out.Data4, guid.data4, sizeof out.Data4);
    return out;
}

win::Guid FromGuid(const GUID& guid) {
    win::Guid out{};
    out.data1 = guid.Data1;
    out.data2 = guid.Data2;
    out.data3 = guid.Data3;
    std::memcpy(out.data4, guid.Data4, sizeof out.data4);
    return out;
}

// The SP_DEVINFO_DATA of the device at index, as SetupAPI gives it for this list.
bool DeviceData(HDEVINFO list, std::uint32_t index, SP_DEVINFO_DATA& data) {
    data = {};
    data.cbSize = sizeof(SP_DEVINFO_DATA);
    return SetupDiEnumDeviceInfo(list, index, &data) != FALSE;
}

// The device of the list that has this DevInst; its index is what the portable code keeps.
std::optional<platform::DeviceInfo> FindDevice(HDEVINFO list, DWORD devInst) {
    SP_DEVINFO_DATA data;
    for (std::uint32_t index = 0; DeviceData(list, index, data); ++index) {
        if (data.DevInst == devInst) {
            return platform::DeviceInfo{index, static_cast<std::uint32_t>(data.DevInst)};
        }
    }
    return std::nullopt;
}

SizedCallResult Outcome(BOOL ok, DWORD required) {
    SizedCallResult result;
    result.Ok = ok != FALSE;
    result.Error = result.Ok ? ERROR_SUCCESS : GetLastError();
    result.Required = required;
    return result;
}

}  // namespace

platform::DeviceInfoList Win32DeviceInstallServices::GetClassDevices(
    const win::Guid* interfaceClass, win::Dword flags) {
    GUID guid{};
    if (interfaceClass != nullptr) {
        guid = ToGuid(*interfaceClass);
    }
    HDEVINFO list =
        SetupDiGetClassDevsW(interfaceClass != nullptr ? &guid : nullptr, nullptr, nullptr, flags);
    if (list == INVALID_HANDLE_VALUE || list == nullptr) {
        return {};
    }
    return platform::DeviceInfoList({this, reinterpret_cast<std::uintptr_t>(list)});
}

platform::DeviceAtIndex Win32DeviceInstallServices::EnumDeviceInfo(
    const platform::DeviceInfoList& list, std::uint32_t index) {
    SP_DEVINFO_DATA data;
    if (!list.Valid()) {
        return {std::nullopt, ERROR_INVALID_HANDLE};
    }
    if (!DeviceData(ToHandle(list), index, data)) {
        return {std::nullopt, GetLastError()};
    }
    return {platform::DeviceInfo{index, static_cast<std::uint32_t>(data.DevInst)}, 0};
}

std::optional<platform::DeviceInterface> Win32DeviceInstallServices::EnumDeviceInterfaces(
    const platform::DeviceInfoList& list, const win::Guid& interfaceClass, std::uint32_t index) {
    if (!list.Valid()) {
        return std::nullopt;
    }
    const GUID guid = ToGuid(interfaceClass);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!SetupDiEnumDeviceInterfaces(ToHandle(list), nullptr, &guid, index, &data)) {
        return std::nullopt;
    }
    return platform::DeviceInterface{index, FromGuid(data.InterfaceClassGuid)};
}

std::optional<platform::DeviceInterfaceDetail> Win32DeviceInstallServices::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    if (!list.Valid()) {
        return std::nullopt;
    }
    HDEVINFO handle = ToHandle(list);
    const GUID guid = ToGuid(deviceInterface.InterfaceClass);
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!SetupDiEnumDeviceInterfaces(handle, nullptr, &guid, deviceInterface.Index,
                                     &interfaceData)) {
        return std::nullopt;
    }
    SP_DEVINFO_DATA owner{};
    owner.cbSize = sizeof(SP_DEVINFO_DATA);
    auto call = [&](std::uint8_t* buffer, std::uint32_t size) {
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer);
        if (detail != nullptr && size >= sizeof(detail->cbSize)) {
            // cbSize is the fixed part (8 on x64), not the whole buffer.
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        }
        DWORD required = 0;
        const BOOL ok = SetupDiGetDeviceInterfaceDetailW(handle, &interfaceData, detail, size,
                                                         &required, &owner);
        return Outcome(ok, required);
    };
    const std::optional<std::vector<std::uint8_t>> buffer = ReadSizedValue(call, 1);
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (!buffer || buffer->size() <= kPathOffset) {
        return std::nullopt;
    }
    std::optional<platform::DeviceInfo> device = FindDevice(handle, owner.DevInst);
    if (!device) {
        return std::nullopt;
    }
    platform::DeviceInterfaceDetail result;
    result.DevicePath =
        TextUpToTerminator(std::span<const std::uint8_t>(*buffer).subspan(kPathOffset));
    result.Device = *device;
    return result;
}

std::optional<platform::DeviceProperty> Win32DeviceInstallServices::GetDeviceStringProperty(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
    const win::DevPropKey& key) {
    SP_DEVINFO_DATA data;
    if (!list.Valid() || !DeviceData(ToHandle(list), device.Index, data)) {
        return std::nullopt;
    }
    DEVPROPKEY propertyKey;
    propertyKey.fmtid = ToGuid(key.fmtid);
    propertyKey.pid = key.pid;
    DEVPROPTYPE type = 0;  // as the call that filled the buffer reported it
    auto call = [&](std::uint8_t* buffer, std::uint32_t size) {
        DWORD required = 0;
        const BOOL ok = SetupDiGetDevicePropertyW(ToHandle(list), &data, &propertyKey, &type,
                                                  buffer, size, &required, 0);
        return Outcome(ok, required);
    };
    // Twice the reported size, as the tool has always asked for.
    const std::optional<std::vector<std::uint8_t>> buffer = ReadSizedValue(call, 2);
    if (!buffer) {
        return std::nullopt;
    }
    return platform::DeviceProperty{static_cast<win::Dword>(type), TextUpToTerminator(*buffer)};
}

std::optional<platform::HardwareIdList> Win32DeviceInstallServices::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    SP_DEVINFO_DATA data;
    if (!list.Valid() || !DeviceData(ToHandle(list), device.Index, data)) {
        return std::nullopt;
    }
    DWORD type = 0;  // as the call that filled the buffer reported it
    auto call = [&](std::uint8_t* buffer, std::uint32_t size) {
        DWORD required = 0;
        const BOOL ok = SetupDiGetDeviceRegistryPropertyW(ToHandle(list), &data, SPDRP_HARDWAREID,
                                                          &type, buffer, size, &required);
        return Outcome(ok, required);
    };
    const std::optional<std::vector<std::uint8_t>> buffer = ReadSizedValue(call, 2);
    if (!buffer) {
        return std::nullopt;
    }
    return platform::HardwareIdList{static_cast<win::Dword>(type), SplitMultiString(*buffer)};
}

void Win32DeviceInstallServices::DestroyDeviceInfoList(std::uint64_t id) {
    SetupDiDestroyDeviceInfoList(reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(id)));
}

}  // namespace platform::win32
