// The "rst" part of the captured scenario: the chosen controller with the status codes its
// answers showed, its RAID sets in CSMI order with their volumes, its disks in the order the
// tool takes them, and the other RST controllers listed after it.
#include <set>

#include "inspect/capture_writer.h"

namespace inspect {

namespace {

using json::Decimal;
using json::HexText;

// The ReturnCode the simulated RST driver gives a request to a path identifier without a drive.
constexpr std::uint32_t kSimEmptyPortReturnCode = 1;

std::string RaidTypeName(std::uint8_t csmiType) {
    // CSMI_SAS_RAID_TYPE_0, _1, _10, _5.
    switch (csmiType) {
        case 1:
            return "raid0";
        case 2:
            return "raid1";
        case 3:
            return "raid10";
        case 4:
            return "raid5";
        default:
            return {};
    }
}

json::Value ControllerFields(const CapturedDevice& device, const std::u16string& path) {
    json::Value controller = {{"instanceId", json::Utf8(NodeInstanceId(device))}};
    if (device.driverDesc) {
        controller["driverDesc"] = json::Utf8(device.driverDesc->text);
    }
    controller["path"] = json::Utf8(path);
    if (device.parentId) {
        controller["parentId"] = json::Utf8(device.parentId->text);
    }
    if (device.hardwareIds) {
        controller["hardwareIds"] = json::TextList(device.hardwareIds->ids);
    }
    return controller;
}

}  // namespace

std::string ScenarioWriter::PortDrive(std::uint8_t port) {
    auto it = m_portDrives.find(port);
    if (it == m_portDrives.end()) {
        const PassThroughAnswer& answer = m.rst.ports.at(port);
        const std::optional<SlotState> slots =
            answer.slotLog ? SlotLogState(*answer.slotLog, answer.data) : std::nullopt;
        it = m_portDrives.emplace(port, NewDrive(answer.data, slots)).first;
    }
    return it->second;
}

void ScenarioWriter::AddDeviceNumber(json::Value& entry, const CapturedDevice& device) {
    const DiskProbe* probe = ProbeOf(device);
    if (probe == nullptr || !probe->numberAnswered) {
        return;
    }
    if (probe->deviceNumber && probe->numberBytes == kStorageDeviceNumberSize) {
        entry["deviceNumber"] = *probe->deviceNumber;
    } else {
        m_notes.push_back(NodeName(device) + " answered " + Decimal(probe->numberBytes) +
                          " bytes of device number; fwsim's answers 12 or none");
    }
}

json::Value ScenarioWriter::VolumeEntry(std::size_t k) {
    const RstVolume& volume = m.rst.volumes[k];
    json::Value entry = json::Value::object();
    json::Value members = json::Value::array();
    if (volume.answered && volume.returnCode == 0) {
        const std::string type = RaidTypeName(volume.raidType);
        if (type.empty()) {
            m_notes.push_back("RAID set " + Decimal(k) + " has CSMI RAID type " +
                              Decimal(volume.raidType) + "; fwsim's is RAID 1");
        } else {
            entry["type"] = type;
        }
        entry["capacityMb"] = volume.capacityMb;
        entry["stripeKb"] = volume.stripeKb;
        for (const std::uint8_t port : volume.memberPorts) {
            json::Value member = json::Value::object();
            if (m.rst.ports.at(port).HasDrive()) {
                member["drive"] = PortDrive(port);
            }
            member["port"] = port;
            members.push_back(std::move(member));
        }
    } else if (!volume.answered) {
        m_notes.push_back("CSMI GET_RAID_CONFIG of RAID set " + Decimal(k) + " failed with error " +
                          HexText(volume.error) + "; fwsim answers it");
    }
    entry["members"] = std::move(members);
    if (const CapturedDevice* device = m_volumes[k]) {
        Emit(*device);
        AddDiskNodeFields(entry, *device, m_notes);
        AddDeviceNumber(entry, *device);
    } else {
        // Kept for its index: the k-th volume asks for RAID set k.
        entry["volume"] = false;
    }
    return entry;
}

json::Value ScenarioWriter::RstDiskEntry(std::size_t j) {
    const RstDisk& disk = m.rst.disks[j];
    const CapturedDevice& device = *m_rstDisks[j];
    Emit(device);
    json::Value entry = {{"drive", PortDrive(disk.port)}, {"port", disk.port}};
    AddDiskNodeFields(entry, device, m_notes);
    AddDeviceNumber(entry, device);
    if (!device.location) {
        m_notes.push_back(NodeName(device) + " has no location; fwsim gives it \"Bus Number " +
                          Decimal(disk.port) + ", Target Id 0, LUN 0\"");
    }
    return entry;
}

// fwsim's RST driver has one status for every refused RAID query and one for every request to
// a path identifier without a drive.
void ScenarioWriter::AddReturnCodes(json::Value& controller) {
    std::set<std::uint32_t> refusals;
    bool anyAnswered = false;
    for (const RstVolume& volume : m.rst.volumes) {
        if (volume.answered && volume.returnCode != 0) {
            refusals.insert(volume.returnCode);
        }
        anyAnswered = anyAnswered || (volume.answered && volume.returnCode == 0);
    }
    if (refusals.size() == 1 && !anyAnswered) {
        controller["raidQueryReturnCode"] = json::Hex(*refusals.begin());
    } else if (!refusals.empty()) {
        m_notes.push_back("the CSMI RAID query was refused for some RAID sets only");
    }
    std::set<std::uint32_t> emptyPorts;
    for (const auto& [port, answer] : m.rst.ports) {
        if (!answer.ok) {
            m_notes.push_back("the pass-through to path identifier " + Decimal(port) +
                              " failed with error " + HexText(answer.error) +
                              "; fwsim finds no drive there");
        } else if (answer.returnCode != 0) {
            emptyPorts.insert(answer.returnCode);
        }
    }
    if (emptyPorts.size() == 1 && *emptyPorts.begin() != kSimEmptyPortReturnCode) {
        controller["emptyPortReturnCode"] = json::Hex(*emptyPorts.begin());
    } else if (emptyPorts.size() > 1) {
        m_notes.push_back("path identifiers without a drive answered different ReturnCodes");
    }
}

json::Value ScenarioWriter::ControllerEntry() {
    const CapturedDevice& device = *m_controller;
    Emit(device);
    json::Value controller = ControllerFields(device, m.rst.controller.DevicePath);
    if (!device.hardwareIds) {
        m_notes.push_back(NodeName(device) + " has no hardware IDs; fwsim gives it two");
    }
    if (device.interfaces.size() != 1) {
        m_notes.push_back(NodeName(device) + " has " + Decimal(device.interfaces.size()) +
                          " interfaces; fwsim's controller has its storage-port interface");
    }
    if (!m.rst.opened) {
        m_notes.push_back("the controller did not open again: no RAID set or drive was captured");
    }
    AddReturnCodes(controller);

    json::Value volumes = json::Value::array(), disks = json::Value::array();
    for (std::size_t k = 0; k < m_volumes.size(); ++k) {
        volumes.push_back(VolumeEntry(k));
    }
    for (std::size_t j = 0; j < m_rstDisks.size(); ++j) {
        if (m_rstDisks[j] != nullptr) {
            disks.push_back(RstDiskEntry(j));
        }
    }
    return {{"controller", std::move(controller)},
            {"raidSets", std::move(volumes)},
            {"disks", std::move(disks)}};
}

json::Value ScenarioWriter::Rst() {
    json::Value controllers = json::Value::array({ControllerEntry()});
    for (const CapturedDevice* device : m_extraControllers) {
        Emit(*device);
        controllers.push_back(
            {{"controller", ControllerFields(*device, device->interfaces.front().path)}});
    }
    return controllers.size() == 1 ? controllers.front() : controllers;
}

}  // namespace inspect
