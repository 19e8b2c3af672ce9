// Building an NVMe disk on the inbox driver with the names Windows gives it.
#include <algorithm>

#include "platform/text.h"
#include "sim/sim_machine.h"

namespace sim {

namespace {

std::u16string ProductField(const std::string& model) {
    std::string product = model.substr(0, std::min<std::size_t>(model.size(), 16));
    product.resize(16, ' ');
    std::replace(product.begin(), product.end(), ' ', '_');
    return platform::ToU16(product);
}

std::u16string TrimUnderscores(std::u16string text) {
    while (!text.empty() && text.back() == u'_') {
        text.pop_back();
    }
    return text;
}

}  // namespace

InboxDriver& SimMachine::AddInboxDisk(const InboxDiskConfig& config, NvmeDrive& drive) {
    const std::u16string product = ProductField(drive.Config().model);
    std::string revision = drive.RunningRevision();
    revision.resize(8, ' ');
    std::u16string revisionField = platform::ToU16(revision);
    std::replace(revisionField.begin(), revisionField.end(), u' ', u'_');

    SimDevice device;
    device.instanceId = config.instanceId;
    if (device.instanceId.empty()) {
        const std::string suffix = platform::HexUpper(config.deviceNumber);
        device.instanceId =
            u"SCSI\\DISK&VEN_NVME&PROD_" + platform::ToUpperAscii(TrimUnderscores(product)) +
            u"\\5&1D6E3B0&0&" +
            platform::ToU16(std::string(6 - std::min<std::size_t>(6, suffix.size()), '0') + suffix);
    }
    if (!config.parentId.empty()) {
        device.parentId = config.parentId;
    }
    if (config.hardwareIds.empty()) {
        device.hardwareIds = std::vector<std::u16string>{
            u"SCSI\\DiskNVMe____" + product + revisionField,
            u"SCSI\\DiskNVMe____" + product,
            u"SCSI\\DiskNVMe____",
            u"SCSI\\NVMe____" + product + revisionField.substr(0, 1),
            u"NVMe____" + product + revisionField.substr(0, 1),
            u"GenDisk",
        };
    } else {
        device.hardwareIds = config.hardwareIds;
    }
    device.driverDesc = u"Disk drive";
    device.locationInfo = config.locationInfo;
    device.present = config.present;
    const std::u16string interfacePath =
        config.interfacePath.empty() ? DeviceInterfacePath(device.instanceId, kDiskClassText)
                                     : config.interfacePath;
    device.interfaces.push_back({win::kGuidDevinterfaceDisk, interfacePath});
    AddDevice(std::move(device));

    auto driver = std::make_shared<InboxDriver>(drive, config.deviceNumber, config.driver);
    if (config.present) {
        AddPath(
            u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(config.deviceNumber)),
            driver);
    }
    AddPath(interfacePath, driver);
    return *driver;
}

}  // namespace sim
