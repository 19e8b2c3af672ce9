// The simulated Windows machine: the device tree, the device paths with emulated drivers behind
// them, the drives, the console and the clock, wired into the platform the tool runs against,
// with one record of the calls the tool makes, the faults they meet and what it leaves open.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/updater_services.h"
#include "sim/call_log.h"
#include "sim/device_paths.h"
#include "sim/device_tree.h"
#include "sim/faults.h"
#include "sim/inbox_driver.h"
#include "sim/nvme_drive.h"
#include "sim/sim_clock.h"
#include "sim/sim_console.h"
#include "sim/sim_endpoint.h"
#include "sim/sim_event_log.h"
#include "sim/sim_power_source.h"
#include "sim/sim_run_guards.h"

namespace sim {

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

class SimMachine final {
public:
    SimMachine() {
        m_calls.SetInterruptTarget([this](ConsoleControl key) { m_guards.Press(key); });
    }
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // What the tool runs against.
    platform::Platform& Platform() { return m_platform; }
    platform::UpdaterServices& Services() { return m_services; }
    SimPowerSource& Power() { return m_power; }
    const SimEventLog& EventLog() const { return m_eventLog; }
    SimConsole& Console() { return m_console; }
    SimClock& Clock() { return m_clock; }
    SimRunGuards& RunGuards() { return m_guards; }
    const SimRunGuards& RunGuards() const { return m_guards; }
    FaultPlan& Faults() { return m_calls.Faults(); }
    void AddInterrupt(Interrupt interrupt) { m_calls.AddInterrupt(std::move(interrupt)); }

    // Tool arguments as main() counts them (1 = no argument).
    int Argc() const { return m_argc; }
    void SetArgc(int argc) { m_argc = argc; }

    // Building the machine.
    std::uint32_t AddDevice(SimDevice device) { return m_tree.AddDevice(std::move(device)); }
    SimDevice* FindDevice(std::u16string_view instanceId) { return m_tree.FindDevice(instanceId); }
    SimDevice* FindDeviceByInst(std::uint32_t devInst) { return m_tree.FindDeviceByInst(devInst); }
    const SimDevice* DeviceOfInterface(std::u16string_view path) const {
        return m_tree.DeviceOfInterface(path);
    }
    NvmeDrive& AddDrive(NvmeDriveConfig config);
    NvmeDrive* FindDrive(std::string_view name);
    const std::vector<std::unique_ptr<NvmeDrive>>& Drives() const { return m_drives; }
    // A path that opens to the endpoint (matched case-insensitively, like Windows).
    void AddPath(std::u16string path, std::shared_ptr<SimEndpoint> endpoint) {
        m_paths.AddPath(std::move(path), std::move(endpoint));
    }
    void AddUnopenablePath(std::u16string path, win::Dword error) {
        m_paths.AddUnopenablePath(std::move(path), error);
    }
    // A disk device with its interface, \\.\PHYSICALDRIVEn and the inbox driver over the drive.
    InboxDriver& AddInboxDisk(const InboxDiskConfig& config, NvmeDrive& drive);

    // Accounting.
    std::size_t OpenHandleCount() const { return m_paths.OpenHandleCount(); }
    std::size_t OpenListCount() const { return m_tree.OpenListCount(); }
    std::uint64_t CallCount() const { return m_calls.CallCount(); }
    const std::vector<CallRecord>& CallLog() const { return m_calls.Records(); }
    // Misuse seen: closing an unknown handle, destroying an unknown list, a stale list.
    const std::vector<std::string>& Misuse() const { return m_calls.Misuse(); }
    void ReportMisuse(std::string what) { m_calls.ReportMisuse(std::move(what)); }
    // Paths of the handles still open, for a readable failure message.
    std::vector<std::u16string> OpenHandlePaths() const { return m_paths.OpenHandlePaths(); }

    // The device installation services and device I/O the tool is served, for direct calls.
    DeviceTree& Devices() { return m_tree; }
    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass, win::Dword flags) {
        return m_tree.GetClassDevices(interfaceClass, flags);
    }
    platform::DeviceAtIndex EnumDeviceInfo(const platform::DeviceInfoList& list,
                                           std::uint32_t index) {
        return m_tree.EnumDeviceInfo(list, index);
    }
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) {
        return m_tree.EnumDeviceInterfaces(list, interfaceClass, index);
    }
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
        return m_tree.GetDeviceInterfaceDetail(list, deviceInterface);
    }
    std::optional<platform::DeviceProperty> GetDeviceStringProperty(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
        const win::DevPropKey& key) {
        return m_tree.GetDeviceStringProperty(list, device, key);
    }
    std::optional<platform::HardwareIdList> GetHardwareIds(const platform::DeviceInfoList& list,
                                                           const platform::DeviceInfo& device) {
        return m_tree.GetHardwareIds(list, device);
    }
    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) {
        return m_paths.Open(path, desiredAccess, shareMode, flagsAndAttributes);
    }
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer, std::uint32_t inputLength) {
        return m_paths.Control(handle, controlCode, buffer, inputLength);
    }
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer) {
        return m_paths.Control(handle, controlCode, buffer);
    }

private:
    SimConsole m_console;
    SimClock m_clock;
    CallRecorder m_calls;
    SimRunGuards m_guards{m_calls.CallCount(), m_console};
    int m_argc = 1;

    // Drives outlive the drivers the paths hold, which refer to them.
    std::vector<std::unique_ptr<NvmeDrive>> m_drives;
    DeviceTree m_tree{m_calls};
    DevicePaths m_paths{m_calls, m_tree};
    platform::Platform m_platform{m_tree, m_paths, m_console, m_clock, m_guards};
    SimPowerSource m_power;
    SimEventLog m_eventLog;
    platform::UpdaterServices m_services{m_power, m_eventLog};
};

}  // namespace sim
