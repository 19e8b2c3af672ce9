#include "sim/rst_scenario.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "platform/text.h"
#include "sim/rst_driver.h"
#include "sim/scenario_json.h"
#include "sim/sim_machine.h"

namespace sim {

namespace {

using nlohmann::json;
using scenario_json::Ascii;
using scenario_json::CheckKeys;
using scenario_json::Number;
using scenario_json::Text;

constexpr std::u16string_view kDefaultControllerId =
    u"PCI\\VEN_8086&DEV_282A&SUBSYS_0A7F1028&REV_10\\3&11583659&0&B8";
constexpr std::u16string_view kDefaultDriverDesc =
    u"Intel(R) Chipset SATA/PCIe RST Premium Controller";

std::uint8_t Byte(const json& value, std::string_view what) {
    const std::uint64_t n = Number(value, what);
    if (n > 0xFF) {
        throw std::invalid_argument(std::string(what) + ": not a byte: " + value.dump());
    }
    return static_cast<std::uint8_t>(n);
}

std::vector<std::u16string> TextList(const json& value, std::string_view what) {
    std::vector<std::u16string> list;
    for (const json& item : value) {
        list.push_back(Text(item, what));
    }
    return list;
}

NvmeDrive& DriveNamed(const json& value, SimMachine& machine) {
    NvmeDrive* drive = machine.FindDrive(Ascii(value, "drive"));
    if (drive == nullptr) {
        throw std::invalid_argument("rst: no drive named " + value.dump());
    }
    return *drive;
}

std::uint8_t RaidType(const json& value, std::u16string& product) {
    struct Type {
        const char* name;
        std::uint8_t csmi;
        const char16_t* product;
    };
    static const Type types[] = {{"raid0", kCsmiRaidType0, u"RAID_0_VOLUME"},
                                 {"raid1", kCsmiRaidType1, u"RAID_1_VOLUME"},
                                 {"raid10", kCsmiRaidType10, u"RAID_10_VOLUME"},
                                 {"raid5", kCsmiRaidType5, u"RAID_5_VOLUME"}};
    const std::string name = value.is_null() ? "raid1" : Ascii(value, "raid type");
    for (const Type& t : types) {
        if (name == t.name) {
            product = t.product;
            return t.csmi;
        }
    }
    throw std::invalid_argument("rst: raid type is one of raid0, raid1, raid10, raid5: " + name);
}

// Adds a disk device (a RAID volume or a disk behind the controller) with its interface path.
void AddDiskDevice(SimMachine& machine, const json& d, std::u16string instanceId,
                   std::u16string parentId, std::vector<std::u16string> hardwareIds,
                   std::optional<std::u16string> location) {
    SimDevice device;
    device.instanceId =
        d.contains("instanceId") ? Text(d["instanceId"], "instanceId") : std::move(instanceId);
    device.parentId =
        d.contains("parentId") ? Text(d["parentId"], "parentId") : std::move(parentId);
    device.hardwareIds = d.contains("hardwareIds") ? TextList(d["hardwareIds"], "hardwareIds")
                                                   : std::move(hardwareIds);
    device.driverDesc = u"Disk drive";
    device.locationInfo =
        d.contains("location") ? Text(d["location"], "location") : std::move(location);
    device.present = d.value("present", true);
    const std::u16string path = d.contains("interfacePath")
                                    ? Text(d["interfacePath"], "interfacePath")
                                    : DeviceInterfacePath(device.instanceId, kDiskClassText);
    device.interfaces.push_back({win::kGuidDevinterfaceDisk, path});
    std::optional<std::uint32_t> number;
    if (d.contains("deviceNumber") && device.present) {
        number = static_cast<std::uint32_t>(Number(d["deviceNumber"], "deviceNumber"));
        machine.AddPath(u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(*number)),
                        std::make_shared<PlainEndpoint>(number));
    }
    machine.AddPath(path, std::make_shared<PlainEndpoint>(number));
    machine.AddDevice(std::move(device));
}

std::u16string Suffix(unsigned number) {
    std::string hex = platform::HexUpper(number);
    return platform::ToU16(std::string(2 - std::min<std::size_t>(2, hex.size()), '0') + hex);
}

void LoadController(const json& rst, SimMachine& machine, unsigned controllerIndex) {
    CheckKeys(rst, {"controller", "raidSets", "disks"}, "rst");
    const json controller = rst.value("controller", json::object());
    CheckKeys(controller,
              {"instanceId", "parentId", "driverDesc", "path", "present", "hardwareIds",
               "raidQueryReturnCode", "activationReturnCode", "emptyPortReturnCode",
               "slotLogReturnCode", "raidBufferTooSmall"},
              "rst controller");
    RstDriverOptions options;
    if (controller.contains("raidQueryReturnCode")) {
        options.raidQueryReturnCode = static_cast<std::uint32_t>(
            Number(controller["raidQueryReturnCode"], "raidQueryReturnCode"));
    }
    if (controller.contains("activationReturnCode")) {
        options.activationReturnCode = static_cast<std::uint32_t>(
            Number(controller["activationReturnCode"], "activationReturnCode"));
    }
    if (controller.contains("emptyPortReturnCode")) {
        const json& codes = controller["emptyPortReturnCode"];
        if (!codes.is_object()) {
            throw std::invalid_argument(
                "rst controller: emptyPortReturnCode is an object with \"passThrough\" and "
                "\"firmware\": " +
                codes.dump());
        }
        CheckKeys(codes, {"passThrough", "firmware"}, "rst emptyPortReturnCode");
        if (codes.contains("passThrough")) {
            options.emptyPortPassThroughReturnCode =
                static_cast<std::uint32_t>(Number(codes["passThrough"], "passThrough"));
        }
        if (codes.contains("firmware")) {
            options.emptyPortFirmwareReturnCode =
                static_cast<std::uint32_t>(Number(codes["firmware"], "firmware"));
        }
    }
    options.raidBufferTooSmall = controller.value("raidBufferTooSmall", false);
    if (controller.contains("slotLogReturnCode")) {
        options.slotLogReturnCode = static_cast<std::uint32_t>(
            Number(controller["slotLogReturnCode"], "slotLogReturnCode"));
    }
    auto driver = std::make_shared<RstDriver>(options);

    SimDevice device;
    device.instanceId = controller.contains("instanceId")
                            ? Text(controller["instanceId"], "instanceId")
                            : std::u16string(kDefaultControllerId);
    if (controller.contains("parentId"))
        device.parentId = Text(controller["parentId"], "parentId");
    device.hardwareIds =
        controller.contains("hardwareIds")
            ? TextList(controller["hardwareIds"], "hardwareIds")
            : std::vector<std::u16string>{u"PCI\\VEN_8086&DEV_282A&SUBSYS_0A7F1028&REV_10",
                                          u"PCI\\VEN_8086&DEV_282A&CC_010400"};
    device.driverDesc = controller.contains("driverDesc")
                            ? Text(controller["driverDesc"], "driverDesc")
                            : std::u16string(kDefaultDriverDesc);
    device.present = controller.value("present", true);
    const std::u16string path = controller.contains("path")
                                    ? Text(controller["path"], "path")
                                    : DeviceInterfacePath(device.instanceId, kStoragePortClassText);
    device.interfaces.push_back({win::kGuidDevinterfaceStoragePort, path});
    const std::u16string controllerId = device.instanceId;
    machine.AddDevice(std::move(device));
    machine.AddPath(path, driver);

    unsigned volumeIndex = 0;
    for (const json& s : rst.value("raidSets", json::array())) {
        CheckKeys(s,
                  {"type", "capacityMb", "stripeKb", "members", "volume", "instanceId", "parentId",
                   "hardwareIds", "interfacePath", "location", "present", "deviceNumber"},
                  "rst raid set");
        RaidSet set;
        std::u16string product;
        set.raidType = RaidType(s.contains("type") ? s["type"] : json(), product);
        set.capacityMb =
            static_cast<std::uint32_t>(Number(s.value("capacityMb", json(953869)), "capacityMb"));
        set.stripeSizeKb =
            static_cast<std::uint32_t>(Number(s.value("stripeKb", json(64)), "stripeKb"));
        for (const json& m : s.at("members")) {
            CheckKeys(m, {"drive", "port", "sata"}, "rst raid member");
            RaidMember member;
            member.port = Byte(m.at("port"), "port");
            member.drive = m.contains("drive") ? &DriveNamed(m["drive"], machine) : nullptr;
            if (m.contains("sata")) {
                if (member.drive != nullptr) {
                    throw std::invalid_argument("rst raid member: a drive or a SATA model: " +
                                                m.dump());
                }
                member.sataModel = Ascii(m["sata"], "sata");
            }
            set.members.push_back(member);
        }
        driver->AddRaidSet(std::move(set));
        if (s.value("volume", true)) {
            const std::u16string productField =
                product + std::u16string(16 - std::min<std::size_t>(16, product.size()), u'_');
            AddDiskDevice(machine, s,
                          u"SCSI\\DISK&VEN_INTEL&PROD_" + product + u"\\4&2A8B7C1F&" +
                              Suffix(controllerIndex) + u"&0" + Suffix(volumeIndex) + u"0000",
                          controllerId,
                          {u"SCSI\\DiskIntel___" + productField + u"1.0.",
                           u"SCSI\\DiskIntel___" + productField, u"SCSI\\DiskIntel___",
                           u"SCSI\\Intel___" + productField + u"1",
                           u"Intel___" + productField + u"1", u"GenDisk"},
                          std::nullopt);
        }
        ++volumeIndex;
    }

    for (const json& d : rst.value("disks", json::array())) {
        CheckKeys(d,
                  {"drive", "sata", "port", "instanceId", "parentId", "hardwareIds",
                   "interfacePath", "location", "present", "deviceNumber"},
                  "rst disk");
        const std::uint8_t port = Byte(d.at("port"), "port");
        const std::u16string location =
            u"Bus Number " + platform::ToU16(platform::DecimalText(port)) + u", Target Id 0, LUN 0";
        if (d.contains("sata") == d.contains("drive")) {
            throw std::invalid_argument("rst disk: a drive or a SATA model: " + d.dump());
        }
        if (d.contains("sata")) {
            // A SATA disk as Windows lists it behind the controller; it answers no NVMe command.
            const std::string sataModel = Ascii(d["sata"], "sata");
            driver->AddSataPort(port, sataModel);
            std::u16string product =
                platform::ToUpperAscii(platform::ToU16(sataModel.substr(0, 16)));
            std::replace(product.begin(), product.end(), u' ', u'_');
            AddDiskDevice(machine, d,
                          u"SCSI\\DISK&VEN_&PROD_" + product + u"\\4&2A8B7C1F&" +
                              Suffix(controllerIndex) + u"&" + Suffix(port) + u"0000",
                          controllerId, {u"SCSI\\Disk" + product, u"GenDisk"}, location);
            continue;
        }
        NvmeDrive& drive = DriveNamed(d.at("drive"), machine);
        driver->AddPort(port, drive);
        std::string model = drive.Config().model.substr(0, 16);
        model.resize(16, ' ');
        std::u16string product = platform::ToU16(model);
        std::replace(product.begin(), product.end(), u' ', u'_');
        std::u16string trimmed = product;
        while (!trimmed.empty() && trimmed.back() == u'_') {
            trimmed.pop_back();
        }
        AddDiskDevice(machine, d,
                      u"SCSI\\DISK&VEN_NVME&PROD_" + platform::ToUpperAscii(trimmed) +
                          u"\\4&2A8B7C1F&" + Suffix(controllerIndex) + u"&" + Suffix(port) +
                          u"0000",
                      controllerId,
                      {u"SCSI\\DiskNVMe____" + product, u"SCSI\\DiskNVMe____",
                       u"SCSI\\NVMe____" + product, u"NVMe____" + product, u"GenDisk"},
                      location);
    }
}

}  // namespace

void LoadRstScenario(const nlohmann::json& rst, SimMachine& machine) {
    if (rst.is_array()) {
        unsigned index = 0;
        for (const json& controller : rst) {
            LoadController(controller, machine, index++);
        }
        return;
    }
    LoadController(rst, machine, 0);
}

}  // namespace sim
