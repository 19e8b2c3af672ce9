#include "sim/scenario_devices.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "sim/scenario_json.h"
#include "sim/sim_machine.h"

namespace sim {

namespace {

using nlohmann::json;
using namespace scenario_json;

std::uint32_t Version(const json& value) {
    if (value.is_string()) {
        unsigned major = 0, minor = 0, tertiary = 0;
        char end = 0;
        const std::string text = value.get<std::string>();
        if (std::sscanf(text.c_str(), "%u.%u.%u%c", &major, &minor, &tertiary, &end) >= 2 &&
            end == 0 && major <= 0xFFFF && minor <= 0xFF && tertiary <= 0xFF) {
            return major << 16 | minor << 8 | tertiary;
        }
        if (text.rfind("0x", 0) != 0) {
            throw std::invalid_argument("version: not major.minor[.tertiary]: " + text);
        }
    }
    return Narrow<std::uint32_t>(value, "version");
}

NvmeDriveConfig DriveConfig(const json& d) {
    CheckKeys(d,
              {"name", "serial", "model", "revision", "version", "frmw", "fwug", "identify",
               "rejectPiece", "rejectPieceStatus", "commitStatus", "acceptShortLastPiece",
               "detectOverlap", "slots", "activeSlot", "pendingSlot"},
              "drive");
    NvmeDriveConfig c;
    c.name = Ascii(d.at("name"), "drive name");
    c.serial = d.contains("serial") ? Ascii(d["serial"], "serial") : c.serial;
    c.model = d.contains("model") ? Ascii(d["model"], "model") : c.model;
    c.revision = d.contains("revision") ? Ascii(d["revision"], "revision") : c.revision;
    if (d.contains("version"))
        c.version = Version(d["version"]);
    if (d.contains("frmw"))
        c.frmw = Narrow<std::uint8_t>(d["frmw"], "frmw");
    if (d.contains("fwug"))
        c.fwug = Narrow<std::uint8_t>(d["fwug"], "fwug");
    if (d.contains("rejectPiece"))
        c.rejectPiece = Narrow<std::uint32_t>(d["rejectPiece"], "rejectPiece");
    if (d.contains("rejectPieceStatus")) {
        c.rejectPieceStatus = Narrow<std::uint16_t>(d["rejectPieceStatus"], "rejectPieceStatus");
    }
    if (d.contains("commitStatus"))
        c.commitStatus = Narrow<std::uint16_t>(d["commitStatus"], "commitStatus");
    if (d.contains("acceptShortLastPiece"))
        c.acceptShortLastPiece = d["acceptShortLastPiece"].get<bool>();
    if (d.contains("detectOverlap"))
        c.detectOverlap = d["detectOverlap"].get<bool>();
    return c;
}

// A firmware slot number, 1 to 7 as the NVMe standard numbers them.
std::uint8_t SlotNumber(const json& value, std::string_view what) {
    const std::uint8_t slot = Narrow<std::uint8_t>(value, what);
    if (slot < 1 || slot > 7) {
        throw std::invalid_argument(std::string(what) +
                                    ": not a slot from 1 to 7: " + value.dump());
    }
    return slot;
}

void ReadSlots(const json& d, NvmeDriveConfig& c) {
    if (d.contains("slots")) {
        if (!d["slots"].is_array() || d["slots"].size() > 7) {
            throw std::invalid_argument("slots: not a list of at most 7 revisions");
        }
        c.slots.emplace();
        for (const json& revision : d["slots"]) {
            c.slots->push_back(Ascii(revision, "slot revision"));
            if (c.slots->back().size() > 8) {
                throw std::invalid_argument("slots: a revision has at most 8 characters: " +
                                            revision.dump());
            }
        }
    }
    if (d.contains("activeSlot"))
        c.activeSlot = SlotNumber(d["activeSlot"], "activeSlot");
    if (d.contains("pendingSlot"))
        c.pendingSlot = SlotNumber(d["pendingSlot"], "pendingSlot");
}

void ReadIdentifyOverrides(const json& d, NvmeDriveConfig& c) {
    if (!d.contains("identify")) {
        return;
    }
    if (!d["identify"].is_object()) {
        throw std::invalid_argument("identify: not an object of byte offsets");
    }
    for (const auto& item : d["identify"].items()) {
        const std::uint64_t offset = Number(json(item.key()), "identify offset");
        if (offset >= kIdentifySize) {
            throw std::invalid_argument("identify offset past 4095: " + item.key());
        }
        c.identifyOverrides[offset] = Narrow<std::uint8_t>(item.value(), "identify byte");
    }
}

}  // namespace

void LoadDrive(const json& d, SimMachine& machine) {
    NvmeDriveConfig config = DriveConfig(d);
    ReadIdentifyOverrides(d, config);
    ReadSlots(d, config);
    if (machine.FindDrive(config.name) != nullptr) {
        throw std::invalid_argument("two drives named " + config.name);
    }
    machine.AddDrive(std::move(config));
}

void LoadInboxDisk(const json& d, SimMachine& machine) {
    CheckKeys(d,
              {"drive", "deviceNumber", "parentId", "instanceId", "hardwareIds", "interfacePath",
               "location", "present", "getInfo", "maxTransfer", "deviceNumberBytes"},
              "inbox disk");
    NvmeDrive* drive = machine.FindDrive(Ascii(d.at("drive"), "inbox drive"));
    if (drive == nullptr) {
        throw std::invalid_argument("inbox disk: no drive named " + d["drive"].dump());
    }
    InboxDiskConfig c;
    c.deviceNumber = Narrow<std::uint32_t>(d.at("deviceNumber"), "deviceNumber");
    if (d.contains("parentId"))
        c.parentId = Text(d["parentId"], "parentId");
    if (d.contains("instanceId"))
        c.instanceId = Text(d["instanceId"], "instanceId");
    if (d.contains("hardwareIds"))
        c.hardwareIds = TextList(d["hardwareIds"], "hardwareIds");
    if (d.contains("interfacePath"))
        c.interfacePath = Text(d["interfacePath"], "interfacePath");
    if (d.contains("location"))
        c.locationInfo = Text(d["location"], "location");
    if (d.contains("present"))
        c.present = d["present"].get<bool>();
    if (d.contains("maxTransfer"))
        c.driver.maxTransferBytes = Narrow<std::uint32_t>(d["maxTransfer"], "maxTransfer");
    if (d.contains("deviceNumberBytes")) {
        c.driver.deviceNumberBytes =
            Narrow<std::uint32_t>(d["deviceNumberBytes"], "deviceNumberBytes");
    }
    if (d.contains("getInfo")) {
        const json& g = d["getInfo"];
        CheckKeys(g, {"dataBufferOffset", "slotCount", "upgradeSupport", "version"}, "getInfo");
        if (g.contains("version"))
            c.driver.infoVersion = Narrow<std::uint32_t>(g["version"], "getInfo version");
        if (g.contains("dataBufferOffset")) {
            c.driver.infoDataBufferOffset =
                Narrow<std::uint32_t>(g["dataBufferOffset"], "dataBufferOffset");
        }
        if (g.contains("slotCount"))
            c.driver.infoSlotCount = Narrow<std::uint8_t>(g["slotCount"], "slotCount");
        if (g.contains("upgradeSupport")) {
            c.driver.infoUpgradeSupport =
                Narrow<std::uint8_t>(g["upgradeSupport"], "upgradeSupport");
        }
    }
    machine.AddInboxDisk(c, *drive);
}

void LoadDevice(const json& d, SimMachine& machine) {
    CheckKeys(d,
              {"instanceId", "parentId", "hardwareIds", "driverDesc", "location", "present",
               "interfaces"},
              "device");
    SimDevice device;
    device.instanceId = Text(d.at("instanceId"), "instanceId");
    if (d.contains("parentId"))
        device.parentId = Text(d["parentId"], "parentId");
    if (d.contains("hardwareIds"))
        device.hardwareIds = TextList(d["hardwareIds"], "hardwareIds");
    if (d.contains("driverDesc"))
        device.driverDesc = Text(d["driverDesc"], "driverDesc");
    if (d.contains("location"))
        device.locationInfo = Text(d["location"], "location");
    if (d.contains("present"))
        device.present = d["present"].get<bool>();
    if (d.contains("interfaces")) {
        for (const json& i : d["interfaces"]) {
            CheckKeys(i, {"class", "path"}, "interface");
            device.interfaces.push_back(
                {scenario_json::InterfaceClass(i.at("class")), Text(i.at("path"), "path")});
        }
    }
    for (const SimInterface& i : device.interfaces) {
        machine.AddPath(i.path, std::make_shared<PlainEndpoint>());
    }
    machine.AddDevice(std::move(device));
}

void LoadPropertyType(const json& t, SimMachine& machine) {
    CheckKeys(t, {"instanceId", "property", "type"}, "property type");
    SimDevice* device = machine.FindDevice(Text(t.at("instanceId"), "instanceId"));
    const std::string property = Ascii(t.at("property"), "property");
    constexpr std::string_view kNames[] = {"parentId", "instanceId", "driverDesc", "location",
                                           "hardwareIds"};
    if (device == nullptr) {
        throw std::invalid_argument("property type: no device " + t["instanceId"].dump());
    }
    if (std::find(std::begin(kNames), std::end(kNames), property) == std::end(kNames)) {
        throw std::invalid_argument("property type: unknown property " + property);
    }
    device->propertyTypes[property] = Narrow<std::uint32_t>(t.at("type"), "type");
}

}  // namespace sim
