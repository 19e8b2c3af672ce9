// The simulated Windows machine: a device tree served through the device installation services,
// device paths served through device I/O with emulated drivers behind them, the console and the
// clock, faults, and the accounting of every handle and device list the tool holds.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/faults.h"
#include "sim/inbox_driver.h"
#include "sim/nvme_drive.h"
#include "sim/sim_clock.h"
#include "sim/sim_console.h"
#include "sim/sim_endpoint.h"
#include "sim/sim_run_guards.h"

namespace sim {

struct SimInterface {
    win::Guid interfaceClass{};
    std::u16string path;  // as SetupDiGetDeviceInterfaceDetailW returns it
};

// One device node as Windows spells it. Absent properties are "not available".
struct SimDevice {
    std::uint32_t devInst = 0;  // assigned by AddDevice
    std::u16string instanceId;
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

// An NVMe disk on the inbox driver, as a scenario describes it.
struct InboxDiskConfig {
    std::uint32_t deviceNumber = 0;  // \\.\PHYSICALDRIVEn
    std::u16string instanceId;       // empty: derived from the hardware IDs and device number
    std::u16string parentId;         // the NVMe controller, e.g. PCI\VEN_7A3C&DEV_5013&...
    std::vector<std::u16string> hardwareIds;  // empty: derived from the drive's model and revision
    std::u16string interfacePath;             // empty: derived from the instance ID
    std::optional<std::u16string> locationInfo;
    bool present = true;
    InboxDriverOptions driver;
};

// An interface path as Windows makes it from an instance ID: "\\?\", the ID in lower case with
// '#' for '\', then '#' and the class GUID in lower case with braces.
std::u16string DeviceInterfacePath(std::u16string_view instanceId, std::u16string_view classGuid);
inline constexpr std::u16string_view kDiskClassText = u"{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
inline constexpr std::u16string_view kStoragePortClassText =
    u"{2accfe60-c130-11d2-b082-00a0c91efb8b}";

// One platform call the tool made, for tests and fault sweeps.
struct CallRecord {
    CallInfo call;
    bool failed = false;
    win::Dword error = 0;
};

class SimMachine final : public platform::DeviceInstallServices, public platform::DeviceIo {
public:
    SimMachine();
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;
    ~SimMachine() override;

    // What the tool runs against.
    platform::Platform& Platform() { return m_platform; }
    SimConsole& Console() { return m_console; }
    SimClock& Clock() { return m_clock; }
    SimRunGuards& RunGuards() { return m_guards; }
    const SimRunGuards& RunGuards() const { return m_guards; }
    FaultPlan& Faults() { return m_faults; }

    // Tool arguments as main() counts them (1 = no argument).
    int Argc() const { return m_argc; }
    void SetArgc(int argc) { m_argc = argc; }

    // Building the machine.
    std::uint32_t AddDevice(SimDevice device);  // returns its DevInst
    SimDevice* FindDevice(std::u16string_view instanceId);
    SimDevice* FindDeviceByInst(std::uint32_t devInst);
    NvmeDrive& AddDrive(NvmeDriveConfig config);
    NvmeDrive* FindDrive(std::string_view name);
    const std::vector<std::unique_ptr<NvmeDrive>>& Drives() const { return m_drives; }
    // A path that opens to the endpoint (matched case-insensitively, like Windows).
    void AddPath(std::u16string path, std::shared_ptr<SimEndpoint> endpoint);
    // A disk device with its interface, \\.\PHYSICALDRIVEn and the inbox driver over the drive.
    InboxDriver& AddInboxDisk(const InboxDiskConfig& config, NvmeDrive& drive);
    // The controller reset every drive sees at the next boot.
    void RebootDrives();

    // Accounting.
    std::size_t OpenHandleCount() const { return m_handles.size(); }
    std::size_t OpenListCount() const { return m_lists.size(); }
    std::uint64_t CallCount() const { return m_callCount; }
    const std::vector<CallRecord>& CallLog() const { return m_callLog; }
    // Misuse seen: closing an unknown handle, destroying an unknown list, a stale list.
    const std::vector<std::string>& Misuse() const { return m_misuse; }
    // Paths of the handles still open, for a readable failure message.
    std::vector<std::u16string> OpenHandlePaths() const;

    // platform::DeviceInstallServices
    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override;
    std::optional<platform::DeviceInfo> EnumDeviceInfo(const platform::DeviceInfoList& list,
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

    // platform::DeviceIo
    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

protected:
    void DestroyDeviceInfoList(std::uint64_t id) override;
    void CloseDevice(std::uint64_t id) override;

private:
    struct OpenHandle {
        std::u16string path;
        std::shared_ptr<SimEndpoint> endpoint;
        win::Dword access = 0;
    };
    struct ListedInterface {
        std::uint32_t deviceIndex;
        std::size_t interfaceIndex;
    };

    std::optional<FaultAction> BeginCall(CallInfo call);
    const std::vector<std::uint32_t>* FindList(const platform::DeviceInfoList& list);
    const SimDevice* ListedDevice(const platform::DeviceInfoList& list,
                                  const platform::DeviceInfo& device);
    std::optional<ListedInterface> FindListedInterface(const std::vector<std::uint32_t>& members,
                                                       const win::Guid& interfaceClass,
                                                       std::uint32_t index) const;

    SimConsole m_console;
    SimClock m_clock;
    std::uint64_t m_callCount = 0;
    SimRunGuards m_guards{m_callCount, m_console};
    platform::Platform m_platform;
    FaultPlan m_faults;
    int m_argc = 1;

    std::vector<SimDevice> m_devices;
    std::vector<std::unique_ptr<NvmeDrive>> m_drives;
    std::vector<std::pair<std::u16string, std::shared_ptr<SimEndpoint>>> m_paths;

    std::map<std::uint64_t, OpenHandle> m_handles;
    std::map<std::uint64_t, std::vector<std::uint32_t>> m_lists;  // list id -> DevInsts
    std::uint64_t m_nextId = 0x100;
    std::vector<CallRecord> m_callLog;
    std::vector<std::string> m_misuse;
};

}  // namespace sim
