#include "sim/scenario.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "sim/rst_scenario.h"
#include "sim/scenario_json.h"

namespace sim {

std::string_view DefaultScenarioText();  // generated from sim/scenarios/default.json

namespace {

using nlohmann::json;
using scenario_json::Ascii;
using scenario_json::CheckKeys;
using scenario_json::Number;
using scenario_json::Text;

template <typename T>
T Narrow(const json& value, std::string_view what) {
    const std::uint64_t number = Number(value, what);
    if (number > std::numeric_limits<T>::max()) {
        throw std::invalid_argument(std::string(what) + ": out of range: " + value.dump());
    }
    return static_cast<T>(number);
}

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

platform::LocalTime Time(const json& value) {
    platform::LocalTime t;
    const std::string text = Ascii(value, "clock start");
    char end = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.day, &t.month, &t.year, &t.hour,
                    &t.minute, &t.second, &end) != 6 ||
        t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59) {
        throw std::invalid_argument("clock start: not DD-MM-YYYY HH:MM:SS: " + text);
    }
    return t;
}

std::vector<std::u16string> TextList(const json& value, std::string_view what) {
    if (!value.is_array()) {
        throw std::invalid_argument(std::string(what) + ": not a list");
    }
    std::vector<std::u16string> list;
    for (const json& item : value) {
        list.push_back(Text(item, what));
    }
    return list;
}

NvmeDriveConfig DriveConfig(const json& d) {
    CheckKeys(d,
              {"name", "serial", "model", "revision", "version", "frmw", "fwug", "identify",
               "rejectPiece", "rejectPieceStatus", "commitStatus", "acceptShortLastPiece",
               "detectOverlap"},
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

// A property of a device already built, stored with another type than Windows gives it.
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

Fault LoadFault(const json& f) {
    CheckKeys(f,
              {"call", "target", "controlCode", "signature", "function", "occurrence", "callNumber",
               "error", "returnCode", "deliver"},
              "fault");
    Fault fault;
    if (f.contains("call")) {
        fault.kind = ParseCallKind(Ascii(f["call"], "call"));
        if (!fault.kind) {
            throw std::invalid_argument("fault: unknown call " + f["call"].dump());
        }
    }
    if (f.contains("target"))
        fault.target = Text(f["target"], "target");
    if (f.contains("controlCode"))
        fault.controlCode = Narrow<std::uint32_t>(f["controlCode"], "controlCode");
    if (f.contains("signature"))
        fault.signature = Ascii(f["signature"], "signature");
    if (f.contains("function"))
        fault.function = Narrow<std::uint32_t>(f["function"], "function");
    if (f.contains("occurrence"))
        fault.occurrence = Narrow<std::uint32_t>(f["occurrence"], "occurrence");
    if (f.contains("callNumber"))
        fault.callNumber = Number(f["callNumber"], "callNumber");
    if (f.contains("error"))
        fault.error = Narrow<std::uint32_t>(f["error"], "error");
    if (f.contains("returnCode"))
        fault.returnCode = Narrow<std::uint32_t>(f["returnCode"], "returnCode");
    if (f.contains("deliver"))
        fault.deliver = f["deliver"].get<bool>();
    return fault;
}

void Load(const json& s, SimMachine& machine) {
    CheckKeys(s,
              {"comment", "args", "clock", "keys", "runLockHeld", "drives", "inbox", "devices",
               "faults", "rst", "propertyTypes"},
              "scenario");
    if (s.contains("args")) {
        machine.SetArgc(1 + static_cast<int>(TextList(s["args"], "args").size()));
    }
    if (s.contains("clock")) {
        const json& c = s["clock"];
        CheckKeys(c, {"start", "step"}, "clock");
        const platform::LocalTime start =
            c.contains("start") ? Time(c["start"]) : platform::LocalTime{2026, 12, 6, 19, 4, 9};
        const int step = c.contains("step") ? Narrow<int>(c["step"], "step") : 0;
        machine.Clock() = SimClock(start, step);
    }
    if (s.contains("keys"))
        machine.Console().SetKeys(Ascii(s["keys"], "keys"));
    if (s.contains("runLockHeld"))
        machine.RunGuards().SetLockHeldElsewhere(s["runLockHeld"].get<bool>());
    for (const json& d : s.value("drives", json::array())) {
        NvmeDriveConfig config = DriveConfig(d);
        ReadIdentifyOverrides(d, config);
        if (machine.FindDrive(config.name) != nullptr) {
            throw std::invalid_argument("two drives named " + config.name);
        }
        machine.AddDrive(std::move(config));
    }
    for (const json& d : s.value("devices", json::array())) {
        LoadDevice(d, machine);
    }
    for (const json& d : s.value("inbox", json::array())) {
        LoadInboxDisk(d, machine);
    }
    if (s.contains("rst")) {
        LoadRstScenario(s["rst"], machine);
    }
    for (const json& t : s.value("propertyTypes", json::array())) {
        LoadPropertyType(t, machine);
    }
    for (const json& f : s.value("faults", json::array())) {
        machine.Faults().Add(LoadFault(f));
    }
}

}  // namespace

LoadResult LoadScenario(std::string_view jsonText) {
    LoadResult result;
    const json scenario = json::parse(jsonText, nullptr, false, true);
    if (scenario.is_discarded()) {
        result.error = "not valid JSON";
        return result;
    }
    auto machine = std::make_unique<SimMachine>();
    try {
        Load(scenario, *machine);
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    result.machine = std::move(machine);
    return result;
}

LoadResult LoadScenarioFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {nullptr, "cannot read " + path};
    }
    std::ostringstream text;
    text << file.rdbuf();
    LoadResult result = LoadScenario(text.str());
    if (!result.machine) {
        result.error = path + ": " + result.error;
    }
    return result;
}

std::string_view DefaultScenarioJson() {
    return DefaultScenarioText();
}

LoadResult LoadDefaultScenario() {
    return LoadScenario(DefaultScenarioJson());
}

}  // namespace sim
