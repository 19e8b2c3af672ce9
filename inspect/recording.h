// A recording of every answer the machine gave a read-only run, taken by two wrappers that pass
// each call on unchanged: the device lists with the devices and interfaces enumerated in them,
// each device's properties and hardware IDs, which paths opened, and each device control request
// with the buffer as the driver left it. A question asked twice keeps its first answer.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_install.h"
#include "platform/device_io.h"

namespace inspect {

struct RecordedInterface {
    win::Guid InterfaceClass{};
    std::uint32_t Index = 0;
    // SetupDiGetDeviceInterfaceDetailW's answer; nothing when it failed or was not asked.
    std::optional<platform::DeviceInterfaceDetail> Detail;
};

struct RecordedDevice {
    std::uint32_t DevInst = 0;
    // By DEVPROPKEY, in the order asked; nothing: the property was not available.
    std::vector<std::pair<win::DevPropKey, std::optional<platform::DeviceProperty>>> Properties;
    std::optional<std::optional<platform::HardwareIdList>> HardwareIds;  // outer: asked
};

// A device list and what was asked of the devices in it. A device is recorded in each list it
// was asked about: a DevInst names a device only within one list (Wine's SetupAPI hands out a
// new one in every list).
struct RecordedList {
    std::optional<win::Guid> InterfaceClass;  // nothing: DIGCF_ALLCLASSES without a class
    win::Dword Flags = 0;
    bool Failed = false;                              // SetupDiGetClassDevsW gave no list
    std::map<std::uint32_t, RecordedDevice> Devices;  // by index
    std::vector<RecordedInterface> Interfaces;
};

struct RecordedRequest {
    std::u16string Path;
    win::Dword ControlCode = 0;
    std::uint32_t InputLength = 0;
    std::vector<std::uint8_t> Input;   // the first inputLength bytes as sent
    std::vector<std::uint8_t> Output;  // the whole buffer after the call
    platform::ControlResult Result;
};

struct Recording {
    std::vector<RecordedList> Lists;
    std::vector<std::pair<std::u16string, win::Dword>> Opens;  // path, error (0: opened)
    std::vector<RecordedRequest> Requests;
};

// The device installation services, recorded.
class RecordingSetup final : public platform::DeviceInstallServices {
public:
    RecordingSetup(platform::DeviceInstallServices& inner, Recording& recording)
        : m_inner(inner), m_recording(recording) {}

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
    // Lists are the inner services' own, and they destroy them.
    void DestroyDeviceInfoList(std::uint64_t) override {}

private:
    RecordedList* ListOf(const platform::DeviceInfoList& list);
    // The device's record in its list; nothing for a list not recorded.
    RecordedDevice* DeviceOf(const platform::DeviceInfoList& list,
                             const platform::DeviceInfo& device);

    platform::DeviceInstallServices& m_inner;
    Recording& m_recording;
    std::map<std::uint64_t, std::size_t> m_listOf;  // list id -> recorded list
};

// Device I/O, recorded.
class RecordingIo final : public platform::DeviceIo {
public:
    RecordingIo(platform::DeviceIo& inner, Recording& recording)
        : m_inner(inner), m_recording(recording) {}

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

protected:
    // Handles are the inner device I/O's own, and it closes them.
    void CloseDevice(std::uint64_t) override {}

private:
    platform::DeviceIo& m_inner;
    Recording& m_recording;
    std::map<std::uint64_t, std::u16string> m_pathOf;  // handle id -> path
};

}  // namespace inspect
