#include "inspect/capture_scenario.h"

#include <algorithm>
#include <cstdio>

#include "discovery/rst_discovery.h"
#include "inspect/capture_writer.h"
#include "platform/text.h"

namespace inspect {

namespace {

using json::Decimal;
using platform::Contains;

// The tests FindRstController applies to a storage-port device.
bool LooksLikeRstController(const CapturedDevice& device) {
    const std::vector<std::u16string> paths = device.Paths(win::kGuidDevinterfaceStoragePort);
    const bool intel = std::any_of(paths.begin(), paths.end(), discovery::IsIntelStoragePort);
    return intel && device.driverDesc && device.driverDesc->type == win::kDevpropTypeString &&
           discovery::IsRstDriverDescription(device.driverDesc->text);
}

// An "rst" controller entry keeps only what it is given; it supplies the rest by itself.
bool FitsControllerEntry(const CapturedDevice& device) {
    return device.driverDesc && device.hardwareIds && device.interfaces.size() == 1 &&
           device.interfaces.front().interfaceClass == win::kGuidDevinterfaceStoragePort;
}

// DD-MM-YYYY HH:MM:SS, as the scenario's clock takes it.
std::string StampText(const platform::LocalTime& t) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d:%02d", t.day, t.month, t.year,
                  t.hour, t.minute, t.second);
    return stamp;
}

// The devices of an interface list, each once, in the list's order.
std::vector<std::uint32_t> FirstSeen(const std::vector<std::uint32_t>& owners) {
    std::vector<std::uint32_t> order;
    for (const std::uint32_t owner : owners) {
        if (std::find(order.begin(), order.end(), owner) == order.end()) {
            order.push_back(owner);
        }
    }
    return order;
}

}  // namespace

Role ScenarioWriter::RoleOf(const CapturedDevice& device) const {
    const auto it = m_roles.find(device.devInst);
    return it == m_roles.end() ? Role::Plain : it->second;
}

const DiskProbe* ScenarioWriter::ProbeOf(const CapturedDevice& device) const {
    const auto it = m.probes.find(device.devInst);
    return it == m.probes.end() ? nullptr : &it->second;
}

void ScenarioWriter::ClassifyRst() {
    const RstCapture& rst = m.rst;
    m_controller = rst.found ? m.tree.ByInstanceId(rst.controller.InstanceId) : nullptr;
    if (m_controller == nullptr) {
        return;
    }
    m_roles[m_controller->devInst] = Role::Controller;
    for (const RstVolume& volume : rst.volumes) {
        m_volumes.push_back(m.tree.ByInstanceId(volume.instanceId));
        if (m_volumes.back() != nullptr) {
            m_roles[m_volumes.back()->devInst] = Role::Volume;
        }
    }
    for (const RstDisk& disk : rst.disks) {
        const CapturedDevice* device = m.tree.ByInstanceId(disk.instanceId);
        const auto port = rst.ports.find(disk.port);
        // A disk whose port answers no drive stays a plain device: its path opens and the
        // pass-through finds nothing there, as on this machine.
        if (device == nullptr || port == rst.ports.end() || !port->second.HasDrive()) {
            device = nullptr;
        } else {
            m_roles[device->devInst] = Role::RstDisk;
        }
        m_rstDisks.push_back(device);
    }
}

void ScenarioWriter::Classify() {
    ClassifyRst();
    bool afterController = false;
    for (const CapturedDevice& device : m.tree.devices) {
        afterController = afterController || &device == m_controller;
        if (RoleOf(device) != Role::Plain) {
            continue;
        }
        const DiskProbe* probe = ProbeOf(device);
        if (probe != nullptr && probe->identify) {
            m_roles[device.devInst] = Role::Inbox;
        } else if (LooksLikeRstController(device)) {
            // Listed after the chosen controller, it must stay after it to stay unchosen.
            if (afterController && FitsControllerEntry(device)) {
                m_roles[device.devInst] = Role::ExtraController;
                m_extraControllers.push_back(&device);
            } else {
                m_notes.push_back(NodeName(device) +
                                  " looks like an Intel RST controller the tool did not take; "
                                  "fwsim may take it");
            }
        }
    }
}

std::vector<const CapturedDevice*> ScenarioWriter::InDiskListOrder(Role role) const {
    std::vector<const CapturedDevice*> devices;
    for (const CapturedDevice& device : m.tree.devices) {
        if (RoleOf(device) == role) {
            devices.push_back(&device);
        }
    }
    // The devices of the disk list keep the places they have among themselves, in its order.
    const std::vector<std::uint32_t> diskOrder = FirstSeen(m.tree.diskInterfaceOwners);
    auto position = [&](const CapturedDevice* d) {
        return std::find(diskOrder.begin(), diskOrder.end(), d->devInst) - diskOrder.begin();
    };
    std::vector<std::size_t> slots;
    std::vector<const CapturedDevice*> disks;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (position(devices[i]) < static_cast<std::ptrdiff_t>(diskOrder.size())) {
            slots.push_back(i);
            disks.push_back(devices[i]);
        }
    }
    std::stable_sort(disks.begin(), disks.end(),
                     [&](const auto* a, const auto* b) { return position(a) < position(b); });
    for (std::size_t i = 0; i < slots.size(); ++i) {
        devices[slots[i]] = disks[i];
    }
    return devices;
}

std::string ScenarioWriter::NewDrive(std::span<const std::uint8_t> identify,
                                     const std::optional<SlotState>& slots) {
    const std::string name = "d" + Decimal(m_drives.size());
    m_drives.push_back(DriveJson(name, identify, slots));
    return name;
}

void ScenarioWriter::Emit(const CapturedDevice& device) {
    m_emitted.push_back(device.devInst);
    AddPropertyTypes(device, m_propertyTypes);
}

json::Value ScenarioWriter::PlainEntry(const CapturedDevice& device) {
    Emit(device);
    if (const DiskProbe* probe = ProbeOf(device)) {
        if (!probe->opened) {
            m_notes.push_back(NodeName(device) + " did not open; fwsim's opens");
        } else if (probe->deviceNumber) {
            m_numbered.push_back("PHYSICALDRIVE" + Decimal(*probe->deviceNumber) + " (" +
                                 NodeName(device) + ")");
        }
    }
    return PlainDeviceJson(device);
}

json::Value ScenarioWriter::InboxEntry(const CapturedDevice& device) {
    Emit(device);
    const DiskProbe& probe = *ProbeOf(device);
    std::optional<GetInfoMapping> mapping;
    if (probe.getInfo) {
        mapping = MapGetInfo(*probe.getInfo, *probe.identify);
    }
    json::Value entry = {
        {"drive", NewDrive(*probe.identify, mapping ? mapping->slots : std::nullopt)}};
    std::uint32_t number = 0;
    if (probe.deviceNumber) {
        number = *probe.deviceNumber;
    } else {
        // Never learnt by the tool either; one no other disk has.
        for (const auto& [devInst, other] : m.probes) {
            number = std::max(number, other.deviceNumber.value_or(0) + 1);
        }
    }
    entry["deviceNumber"] = number;
    AddDiskNodeFields(entry, device, m_notes);
    if (probe.numberBytes != kStorageDeviceNumberSize) {
        entry["deviceNumberBytes"] = probe.numberBytes;
        if (!probe.numberAnswered) {
            m_notes.push_back(NodeName(device) +
                              " refused IOCTL_STORAGE_GET_DEVICE_NUMBER; fwsim's answers no bytes");
        }
    }
    if (mapping) {
        if (!mapping->overrides.empty()) {
            entry["getInfo"] = mapping->overrides;
        }
        for (const std::string& note : mapping->notes) {
            m_notes.push_back(NodeName(device) + ": " + note);
        }
    }
    return entry;
}

// Where a device has another number of interfaces of the class than one, the tool pairs a
// device with the interface at its own index: then the whole list order counts.
void ScenarioWriter::CheckListOrder(const std::vector<std::uint32_t>& owners,
                                    std::string_view list) {
    const std::vector<std::uint32_t> machineOrder = FirstSeen(owners);
    if (machineOrder.size() == owners.size()) {
        return;
    }
    std::vector<std::uint32_t> fwsimOrder;
    for (const std::uint32_t devInst : m_emitted) {
        if (std::find(machineOrder.begin(), machineOrder.end(), devInst) != machineOrder.end()) {
            fwsimOrder.push_back(devInst);
        }
    }
    if (fwsimOrder != machineOrder) {
        m_notes.push_back("fwsim lists the " + std::string(list) +
                          " interfaces in another order than this machine (plain devices, then "
                          "inbox disks, then the RST controller, its volumes and disks)");
    }
}

void ScenarioWriter::CheckWalkOrder(const std::vector<std::u16string>& taken,
                                    std::string_view walk) {
    std::vector<std::u16string> fwsimOrder;
    for (const std::uint32_t devInst : m_emitted) {
        const CapturedDevice* device = m.tree.ByDevInst(devInst);
        const std::u16string id = device != nullptr ? device->InstanceIdText() : u"";
        if (std::find(taken.begin(), taken.end(), id) != taken.end()) {
            fwsimOrder.push_back(id);
        }
    }
    if (fwsimOrder != taken) {
        m_notes.push_back("the tool's " + std::string(walk) +
                          " finds the disks in another order in fwsim than on this machine");
    }
}

std::string ScenarioWriter::Comment(bool inbox) const {
    std::string text = "Captured read-only on " + StampText(m.time) +
                       ". What a capture cannot see, fwsim assumes: every drive refuses a "
                       "download piece that is not aligned to FWUG (unless FWUG is 0 or 0xFF), "
                       "takes a short last piece that ends at the image end, refuses overlapping "
                       "pieces (0x114) and completes Firmware Commit, the new image running "
                       "after the next reset; a drive whose slots could not be read runs slot 1, "
                       "which holds the running revision, and has the other slots empty.";
    if (inbox) {
        text += " The inbox driver takes at most 512 KiB in one download request.";
    }
    if (m_controller != nullptr) {
        text +=
            " The RST driver answers an accepted activation with ReturnCode 0x20 (power "
            "cycle required).";
    }
    if (!m_numbered.empty()) {
        std::string list;
        for (const std::string& item : m_numbered) {
            list += (list.empty() ? "" : ", ") + item;
        }
        text += " Plain devices that answered a device number, which fwsim's do not: " + list + ".";
    }
    if (!m_notes.empty()) {
        text += " Not as captured:";
        for (std::size_t i = 0; i < m_notes.size(); ++i) {
            text += (i == 0 ? " " : "; ") + m_notes[i];
        }
        text += ".";
    }
    return text;
}

json::Value ScenarioWriter::Scenario() {
    Classify();
    // The sections in the order the loader makes their nodes: devices, inbox, rst.
    json::Value devices = json::Value::array(), inbox = json::Value::array();
    for (const CapturedDevice* device : InDiskListOrder(Role::Plain)) {
        devices.push_back(PlainEntry(*device));
    }
    for (const CapturedDevice* device : InDiskListOrder(Role::Inbox)) {
        inbox.push_back(InboxEntry(*device));
    }
    const json::Value rst = m_controller != nullptr ? Rst() : json::Value();
    CheckListOrder(m.tree.diskInterfaceOwners, "disk");
    CheckListOrder(m.tree.storagePortInterfaceOwners, "storage-port");
    CheckWalkOrder(m.rst.walkOrder, "RST walk");
    CheckWalkOrder(m.inboxWalkOrder, "inbox walk");

    json::Value scenario = {{"comment", Comment(!inbox.empty())},
                            {"clock", {{"start", StampText(m.time)}, {"step", 0}}},
                            {"drives", m_drives},
                            {"devices", std::move(devices)},
                            {"inbox", std::move(inbox)}};
    if (!rst.is_null()) {
        scenario["rst"] = rst;
    }
    if (!m_propertyTypes.empty()) {
        scenario["propertyTypes"] = m_propertyTypes;
    }
    return scenario;
}

std::string ScenarioText(const CapturedMachine& machine) {
    return json::Dump(ScenarioWriter(machine).Scenario());
}

}  // namespace inspect
