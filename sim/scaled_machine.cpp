#include "sim/scaled_machine.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "sim/null_drive_endpoint.h"
#include "sim/rst_driver.h"

namespace sim {

namespace {

constexpr char kModel[] = "VELKORA TRVX208K 1024GB";
constexpr char kOlderRevision[] = "XQ71DMRB";

std::u16string Text(const char* format, std::uint32_t value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return platform::ToU16(text);
}

NvmeDrive& AddMakerDrive(SimMachine& machine, std::string name, std::uint32_t number) {
    NvmeDriveConfig config;
    config.name = std::move(name);
    char serial[32];
    std::snprintf(serial, sizeof serial, "7A3C2148%04X", number);
    config.serial = serial;
    config.model = kModel;
    config.revision = kOlderRevision;
    config.frmw = 0x07;
    config.fwug = 8;
    return machine.AddDrive(config);
}

std::shared_ptr<SimEndpoint> Served(std::shared_ptr<SimEndpoint> driver, bool sink) {
    return sink ? std::make_shared<DownloadSinkEndpoint>(std::move(driver)) : driver;
}

SimDevice MakerDisk(std::u16string instanceId, std::u16string parentId) {
    SimDevice disk;
    disk.instanceId = std::move(instanceId);
    disk.parentId = std::move(parentId);
    disk.hardwareIds = std::vector<std::u16string>{u"SCSI\\DiskNVMe____VELKORA_TRVX208K_XQ71DMRB",
                                                   u"SCSI\\DiskNVMe____VELKORA_TRVX208K_",
                                                   u"SCSI\\DiskNVMe____", u"GenDisk"};
    disk.driverDesc = u"Disk drive";
    disk.interfaces.push_back(
        {win::kGuidDevinterfaceDisk, DeviceInterfacePath(disk.instanceId, kDiskClassText)});
    return disk;
}

void AddInboxDrives(SimMachine& machine, const ScaledMachineOptions& options) {
    for (std::uint32_t i = 0; i < options.inboxDrives; ++i) {
        NvmeDrive& drive = AddMakerDrive(machine, "inbox" + std::to_string(i), i);

        SimDevice controller;
        controller.instanceId =
            Text("PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2B6C5F3&0&%04X", i);
        controller.parentId = u"PCI\\VEN_8086&DEV_A0B0&SUBSYS_0A7F1028&REV_20\\3&11583659&0&E0";
        controller.hardwareIds =
            std::vector<std::u16string>{u"PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01"};
        controller.driverDesc = u"Standard NVM Express Controller";
        controller.interfaces.push_back(
            {win::kGuidDevinterfaceStoragePort,
             DeviceInterfacePath(controller.instanceId, kStoragePortClassText)});
        const std::u16string parentId = controller.instanceId;
        machine.AddDevice(std::move(controller));

        SimDevice disk = MakerDisk(
            Text("SCSI\\DISK&VEN_NVME&PROD_VELKORA_TRVX208\\5&1D6E3B0&0&%06X", i), parentId);
        disk.locationInfo = u"Bus Number 0, Target Id 0, LUN 0";
        const std::u16string interfacePath = disk.interfaces.front().path;
        machine.AddDevice(std::move(disk));

        const auto driver = Served(std::make_shared<InboxDriver>(drive, i), options.sinkDownloads);
        machine.AddPath(Text("\\\\.\\PHYSICALDRIVE%u", i), driver);
        machine.AddPath(interfacePath, driver);
    }
}

// One Intel RST controller on its storage-port path, and one plain NVMe disk per port behind it.
void AddRstDrives(SimMachine& machine, const ScaledMachineOptions& options) {
    if (options.rstDrives == 0) {
        return;
    }
    auto rst = std::make_shared<RstDriver>();
    SimDevice controller;
    controller.instanceId = u"PCI\\VEN_8086&DEV_282A&SUBSYS_0A7F1028&REV_10\\3&11583659&0&B8";
    controller.hardwareIds = std::vector<std::u16string>{
        u"PCI\\VEN_8086&DEV_282A&SUBSYS_0A7F1028&REV_10", u"PCI\\VEN_8086&DEV_282A&CC_010400"};
    controller.driverDesc = u"Intel(R) Chipset SATA/PCIe RST Premium Controller";
    const std::u16string controllerPath =
        DeviceInterfacePath(controller.instanceId, kStoragePortClassText);
    controller.interfaces.push_back({win::kGuidDevinterfaceStoragePort, controllerPath});
    const std::u16string controllerId = controller.instanceId;
    machine.AddDevice(std::move(controller));
    machine.AddPath(controllerPath, Served(rst, options.sinkDownloads));

    const std::uint32_t count = std::min<std::uint32_t>(options.rstDrives, 255);
    for (std::uint32_t port = 0; port < count; ++port) {
        NvmeDrive& drive = AddMakerDrive(machine, "rst" + std::to_string(port), 0x8000 + port);
        rst->AddPort(static_cast<std::uint8_t>(port), drive);
        SimDevice disk =
            MakerDisk(Text("SCSI\\DISK&VEN_NVME&PROD_VELKORA_TRVX208\\4&2A8B7C1F&0&%02X0000", port),
                      controllerId);
        disk.locationInfo = Text("Bus Number %u, Target Id 0, LUN 0", port);
        machine.AddPath(disk.interfaces.front().path, std::make_shared<PlainEndpoint>());
        machine.AddDevice(std::move(disk));
    }
}

}  // namespace

std::unique_ptr<SimMachine> BuildScaledMachine(const ScaledMachineOptions& options) {
    auto machine = std::make_unique<SimMachine>();
    AddRstDrives(*machine, options);
    AddInboxDrives(*machine, options);
    return machine;
}

}  // namespace sim
