// The simulated device tree: device nodes as Windows spells them, served through the device
// installation services, with every device list the tool holds tracked.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_install.h"
#include "sim/call_log.h"

namespace sim {

struct SimInterface {
    win::Guid interfaceClass{};
    std::u16string path;  // as SetupDiGetDeviceInterfaceDetailW returns it
};

// One device node as Windows spells it. Absent properties are "not available".
struct SimDevice {
    std::uint32_t devInst = 0;  // assigned by AddDevice
    std::u16string instanceId;
    bool instanceIdReadable = true;  // false: DEVPKEY_Device_InstanceId is not available
    std::optional<std::u16string> parentId;
    std::optional<std::vector<std::u16string>> hardwareIds;  // REG_MULTI_SZ strings
    std::optional<std::u16string> driverDesc;
    std::optional<std::u16string> locationInfo;
    bool present = true;
    std::vector<SimInterface> interfaces;
    // Properties stored with another type than Windows gives them (DEVPROP_TYPE_STRING, and
    // REG_MULTI_SZ for the hardware IDs), by name: "parentId", "instanceId", "driverDesc",
    // "location", "hardwareIds".
    std::map<std::string, win::Dword> propertyTypes;
};

// A device list exactly as a recorded machine gave it, served instead of one made from the
// devices: the devices, with what they answered in this list, and the interfaces at the indices
// recorded, nothing past them.
struct RecordedList {
    std::optional<win::Guid> interfaceClass;  // nothing: all classes
    win::Dword flags = 0;
    bool failed = false;                         // SetupDiGetClassDevsW gave no list
    std::map<std::uint32_t, SimDevice> devices;  // by index
    struct Interface {
        win::Guid interfaceClass{};
        std::uint32_t index = 0;
        std::optional<std::uint32_t> device;  // index in the list; nothing: no detail
        std::u16string path;
    };
    std::vector<Interface> interfaces;
};

// An interface path as Windows makes it from an instance ID: "\\?\", the ID in lower case with
// '#' for '\', then '#' and the class GUID in lower case with braces.
std::u16string DeviceInterfacePath(std::u16string_view instanceId, std::u16string_view classGuid);
inline constexpr std::u16string_view kDiskClassText = u"{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
inline constexpr std::u16string_view kStoragePortClassText =
    u"{2accfe60-c130-11d2-b082-00a0c91efb8b}";

// Paths compare as Windows compares them: case-insensitively.
bool SamePath(std::u16string_view a, std::u16string_view b);

class DeviceTree final : public platform::DeviceInstallServices {
public:
    // Calls are numbered, faulted and logged by calls.
    explicit DeviceTree(CallRecorder& calls) : m_calls(calls) {}
    DeviceTree(const DeviceTree&) = delete;
    DeviceTree& operator=(const DeviceTree&) = delete;

    std::uint32_t AddDevice(SimDevice device);  // returns its DevInst
    void AddRecordedList(RecordedList list) { m_recorded.push_back(std::move(list)); }
    SimDevice* FindDevice(std::u16string_view instanceId);
    SimDevice* FindDeviceByInst(std::uint32_t devInst);
    // Whether the path is an interface of a device that is not present.
    bool IsInterfaceOfAbsentDevice(std::u16string_view path) const;
    // The device one of whose interfaces has this path, if any.
    const SimDevice* DeviceOfInterface(std::u16string_view path) const;

    std::size_t OpenListCount() const { return m_lists.size(); }

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

private:
    // A list the tool holds: the DevInsts of the devices it was made of, in order, or the
    // recorded list it serves.
    struct List {
        std::vector<std::uint32_t> members;
        const RecordedList* recorded = nullptr;
    };
    struct ListedInterface {
        std::uint32_t deviceIndex = 0;
        const SimDevice* device = nullptr;
        std::optional<std::u16string> path;  // nothing: the detail is not available
    };

    const List* FindList(const platform::DeviceInfoList& list);
    const SimDevice* ListedDevice(const platform::DeviceInfoList& list,
                                  const platform::DeviceInfo& device);
    std::optional<ListedInterface> FindListedInterface(const List& list,
                                                       const win::Guid& interfaceClass,
                                                       std::uint32_t index) const;
    const SimDevice* DeviceByInst(std::uint32_t devInst) const;
    // The device at an index of a list, if any.
    const SimDevice* Member(const List& list, std::uint32_t index) const;

    CallRecorder& m_calls;
    std::vector<SimDevice> m_devices;
    std::deque<RecordedList> m_recorded;    // lists refer to their entries
    std::map<std::uint64_t, List> m_lists;  // by list id
};

}  // namespace sim
