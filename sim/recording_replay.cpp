#include "sim/recording_replay.h"

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/byte_layout.h"
#include "sim/inbox_driver.h"
#include "sim/recorded_endpoint.h"
#include "sim/rst_driver.h"
#include "sim/rst_layouts.h"
#include "sim/scenario_json.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

namespace {

using nlohmann::json;
using namespace scenario_json;
using namespace layout;
using platform::FitsIn;
using platform::GetU32;

using namespace identify;
constexpr std::uint8_t kNvmeAdminGetLogPage = 0x02;
constexpr std::uint32_t kFirmwareSlotLogId = 0x03;

using Bytes = std::vector<std::uint8_t>;

// A recording holds only what the inspector's guard let through: its reading requests. The
// largest is the inbox get-info, whose buffer is that of a download of the largest piece (FWUG
// is one byte, in 4 KiB units); the CSMI query for 255 members and the pass-through are smaller.
constexpr std::size_t kFwugUnit = 4096;
constexpr std::size_t kLargestRecordedBuffer =
    kInboxFrb + kFrbStructureSize + kDownloadImage + 0xFF * kFwugUnit;
static_assert(kRaidDrives + 0xFF * kDriveEntrySize < kLargestRecordedBuffer &&
              kNvmDataStart + kIdentifySize < kLargestRecordedBuffer);

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Two hexadecimal digits a byte, at most size bytes; the buffer is zero past them. Only the
// bytes given are held, up to the last nonzero one.
RecordedBuffer HexBytes(const json& value, std::uint32_t size, const std::string& what) {
    const std::string text = Ascii(value, what);
    if (text.size() % 2 != 0 || !std::all_of(text.begin(), text.end(), IsHexDigit)) {
        throw std::invalid_argument(what + ": not two hexadecimal digits a byte");
    }
    if (text.size() / 2 > size) {
        throw std::invalid_argument(what + ": more than " + std::to_string(size) + " bytes");
    }
    RecordedBuffer buffer{size, Bytes(text.size() / 2, 0)};
    for (std::size_t i = 0; i < buffer.bytes.size(); ++i) {
        buffer.bytes[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    }
    while (!buffer.bytes.empty() && buffer.bytes.back() == 0) {
        buffer.bytes.pop_back();
    }
    buffer.bytes.shrink_to_fit();
    return buffer;
}

// A fixed-width ASCII field without its blank or zero padding.
std::string FieldText(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    std::string text(bytes.begin() + offset, bytes.begin() + offset + size);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.pop_back();
    }
    return text;
}

std::string Signature(const RecordedBuffer& buffer) {
    const Bytes signature = buffer.Copy(kSrbSignature, kSrbSignatureSize);
    return buffer.size < kSrbSize ? std::string() : std::string(signature.begin(), signature.end());
}

// A request the driver completed with ReturnCode 0.
bool Answered(const RecordedAnswer& answer) {
    return answer.result.Ok && answer.output.size >= kSrbSize &&
           answer.output.U32(kSrbReturnCode) == 0;
}

// A pass-through the RST driver carried out: ReturnCode SRB_STATUS_SUCCESS (1), or 0 as some
// drivers leave it.
bool PassThroughAnswered(const RecordedAnswer& answer) {
    return answer.result.Ok && answer.output.size >= kSrbSize &&
           answer.output.U32(kSrbReturnCode) <= 1;
}

struct Slots {
    std::vector<std::string> revisions;
    std::uint8_t activeSlot = 1;
    std::optional<std::uint8_t> pendingSlot;
};

// The inbox driver's Identify answer: the protocol data where the query asked for it.
std::optional<Bytes> InboxIdentify(const RecordedAnswer& a) {
    const std::size_t p = kQueryProtocolData;
    if (a.controlCode != win::kIoctlStorageQueryProperty || !a.result.Ok ||
        !a.input.Fits(p, kProtocolSpecificDataStructureSize) ||
        a.input.U32(p + kDataType) != kNvmeDataTypeIdentify ||
        a.input.U32(p + kRequestValue) != kNvmeIdentifyCnsController ||
        !a.output.Fits(p + a.input.U32(p + kProtocolDataOffset), kIdentifySize)) {
        return std::nullopt;
    }
    return a.output.Copy(p + a.input.U32(p + kProtocolDataOffset), kIdentifySize);
}

// The slots of a get-info answer (STORAGE_FIRMWARE_INFO, version 1 or 2).
std::optional<Slots> InboxSlots(const RecordedAnswer& a, std::uint8_t slotCount) {
    const RecordedBuffer& out = a.output;
    if (a.controlCode != win::kIoctlScsiMiniport || Signature(a.input) != "FIRMWARE" ||
        !Answered(a) || !out.Fits(kInboxFrb, kFrbStructureSize) ||
        out.U32(kInboxFrb + kFrbFunction) != kFirmwareFunctionGetInfo) {
        return std::nullopt;
    }
    const std::size_t info = out.U32(kInboxFrb + kFrbDataBufferOffset);
    const std::uint32_t version = out.Fits(info, kInfoSlots) ? out.U32(info + kInfoVersion) : 0;
    if (version != 1 && version != 2) {
        return std::nullopt;
    }
    const std::size_t first = info + (version == 2 ? kInfoV2Slots : kInfoSlots);
    const std::size_t entrySize = version == 2 ? kSlotV2EntrySize : kSlotEntrySize;
    Slots slots;
    slots.revisions.resize(slotCount);
    slots.activeSlot = out.U8(info + kInfoActiveSlot);
    if (const std::uint8_t pending = out.U8(info + kInfoPendingSlot);
        pending != kInfoInvalidSlot && pending != 0) {
        slots.pendingSlot = pending;
    }
    for (std::size_t i = 0; i < out.U8(info + kInfoSlotCount); ++i) {
        const std::size_t entry = first + i * entrySize;
        if (!out.Fits(entry, kSlotRevision + 8)) {
            break;
        }
        const std::uint8_t slot = out.U8(entry + kSlotNumber);
        if (slot >= 1 && slot <= slotCount) {
            slots.revisions[slot - 1] = FieldText(out.Copy(entry + kSlotRevision, 8), 0, 8);
        }
    }
    return slots;
}

// The port and data of an "IntelNvm" pass-through of one admin command.
struct PassThrough {
    std::uint8_t port = 0;
    Bytes data;
};

std::optional<PassThrough> RstPassThrough(const RecordedAnswer& a, std::uint8_t opcode,
                                          std::uint32_t cdw10, std::size_t size) {
    if (a.controlCode != win::kIoctlScsiMiniport || Signature(a.input) != "IntelNvm" ||
        !PassThroughAnswered(a) || !a.input.Fits(kSqeCdw10, 4) || a.input.U8(kSqe) != opcode ||
        (a.input.U32(kSqeCdw10) & 0xFF) != cdw10 || !a.output.Fits(kNvmDataLength, 4) ||
        !a.output.Fits(a.output.U32(kNvmDataOffset), size)) {
        return std::nullopt;
    }
    return PassThrough{a.input.U8(kAddressPath), a.output.Copy(a.output.U32(kNvmDataOffset), size)};
}

// The slots of a firmware slot log: AFI, then each slot's revision.
Slots LogSlots(std::span<const std::uint8_t> log, std::uint8_t slotCount) {
    Slots slots;
    slots.activeSlot = log[0] & 0x7;
    if (const std::uint8_t pending = (log[0] >> 4) & 0x7; pending != 0) {
        slots.pendingSlot = pending;
    }
    for (std::uint8_t slot = 1; slot <= slotCount; ++slot) {
        slots.revisions.push_back(FieldText(log, 8u * slot, 8));
    }
    return slots;
}

NvmeDrive& AddDrive(SimMachine& machine, std::string name, std::span<const std::uint8_t> identify,
                    const std::optional<Slots>& slots) {
    if (machine.Drives().size() >= kMaxRecordedDrives) {
        throw std::invalid_argument("the recording makes more than " +
                                    std::to_string(kMaxRecordedDrives) + " drives");
    }
    NvmeDriveConfig config;
    config.name = std::move(name);
    config.serial = FieldText(identify, kSnOffset, kSnWidth);
    config.model = FieldText(identify, kMnOffset, kMnWidth);
    config.revision = FieldText(identify, kFrOffset, kFrWidth);
    config.version = GetU32(identify, kVerOffset);
    config.frmw = identify[kFrmwOffset];
    config.fwug = identify[kFwugOffset];
    config.pciVendorId = platform::GetU16(identify, kVidOffset);
    if (slots && slots->activeSlot >= 1 && slots->activeSlot <= slots->revisions.size()) {
        config.slots = slots->revisions;
        config.activeSlot = slots->activeSlot;
        config.pendingSlot = slots->pendingSlot;
    }
    // Every byte the fields above do not make as recorded.
    const auto made = NvmeDrive(config).IdentifyData();
    for (std::size_t i = 0; i < kIdentifySize; ++i) {
        if (made[i] != identify[i]) {
            config.identifyOverrides[i] = identify[i];
        }
    }
    return machine.AddDrive(std::move(config));
}

std::uint8_t SlotCount(std::span<const std::uint8_t> identify) {
    return (identify[kFrmwOffset] >> 1) & 0x7;
}

// The drives behind a path, made from its answers, and the driver that takes their firmware.
void AddDrives(RecordedEndpoint& endpoint, SimMachine& machine) {
    const auto& answers = endpoint.Answers();
    for (const RecordedAnswer& answer : answers) {
        if (const auto identify = InboxIdentify(answer)) {
            std::optional<Slots> slots;
            for (auto other = answers.begin(); !slots && other != answers.end(); ++other) {
                slots = InboxSlots(*other, SlotCount(*identify));
            }
            NvmeDrive& drive = AddDrive(machine, "disk" + std::to_string(machine.Drives().size()),
                                        *identify, slots);
            endpoint.SetFirmwareDriver(std::make_shared<InboxDriver>(drive, 0));
            return;
        }
    }
    std::shared_ptr<RstDriver> driver;
    for (const RecordedAnswer& answer : answers) {
        const auto identify = RstPassThrough(answer, kNvmeAdminCommandIdentify,
                                             kNvmeIdentifyCnsController, kIdentifySize);
        if (!identify) {
            continue;
        }
        std::optional<Slots> slots;
        for (auto other = answers.begin(); !slots && other != answers.end(); ++other) {
            const auto log = RstPassThrough(*other, kNvmeAdminGetLogPage, kFirmwareSlotLogId,
                                            kFirmwareSlotLogSize);
            if (log && log->port == identify->port) {
                slots = LogSlots(log->data, SlotCount(identify->data));
            }
        }
        driver = driver ? driver : std::make_shared<RstDriver>();
        driver->AddPort(identify->port, AddDrive(machine, "port" + std::to_string(identify->port),
                                                 identify->data, slots));
    }
    if (driver) {
        endpoint.SetFirmwareDriver(driver);
    }
}

std::optional<platform::DeviceProperty> Property(const json& value) {
    if (value.is_null()) {
        return std::nullopt;
    }
    CheckKeys(value, {"type", "text"}, "property");
    return platform::DeviceProperty{Narrow<win::Dword>(value.at("type"), "type"),
                                    Text(value.at("text"), "text")};
}

SimDevice LoadDevice(const json& d) {
    CheckKeys(d, {"index", "devInst", "properties", "hardwareIds"}, "recorded device");
    SimDevice device;
    device.devInst = Narrow<std::uint32_t>(d.at("devInst"), "devInst");
    device.instanceIdReadable = false;
    const json properties = d.value("properties", json::object());
    for (const auto& [key, value] : properties.items()) {
        const std::size_t blank = key.find(' ');
        const win::DevPropKey asked{InterfaceClass(json(key.substr(0, blank))),
                                    blank == std::string::npos
                                        ? 0
                                        : Narrow<std::uint32_t>(json(key.substr(blank + 1)), key)};
        const std::pair<win::DevPropKey, const char*> names[] = {
            {win::kDevpkeyDeviceInstanceId, "instanceId"},
            {win::kDevpkeyDeviceParent, "parentId"},
            {win::kDevpkeyDeviceDriverDesc, "driverDesc"},
            {win::kDevpkeyDeviceLocationInfo, "location"}};
        const auto named = std::find_if(std::begin(names), std::end(names),
                                        [&](const auto& n) { return n.first == asked; });
        if (named == std::end(names)) {
            throw std::invalid_argument("recorded device: a property fwsim does not serve: " + key);
        }
        const std::optional<platform::DeviceProperty> property = Property(value);
        if (!property) {
            continue;
        }
        const std::string name = named->second;
        if (property->Type != win::kDevpropTypeString) {
            device.propertyTypes[name] = property->Type;
        }
        if (name == "instanceId") {
            device.instanceId = property->Text;
            device.instanceIdReadable = true;
        } else {
            (name == "parentId"     ? device.parentId
             : name == "driverDesc" ? device.driverDesc
                                    : device.locationInfo) = property->Text;
        }
    }
    if (d.contains("hardwareIds") && !d["hardwareIds"].is_null()) {
        const json& ids = d["hardwareIds"];
        CheckKeys(ids, {"type", "ids"}, "hardwareIds");
        device.hardwareIds = TextList(ids.at("ids"), "ids");
        if (const auto type = Narrow<win::Dword>(ids.at("type"), "type");
            type != win::kRegMultiSz) {
            device.propertyTypes["hardwareIds"] = type;
        }
    }
    return device;
}

void LoadList(const json& l, SimMachine& machine) {
    CheckKeys(l, {"class", "flags", "failed", "devices", "interfaces"}, "recorded list");
    RecordedList list;
    if (!l.at("class").is_null()) {
        list.interfaceClass = InterfaceClass(l["class"]);
    }
    list.flags = Narrow<win::Dword>(l.at("flags"), "flags");
    list.failed = l.value("failed", false);
    for (const json& d : l.value("devices", json::array())) {
        list.devices[Narrow<std::uint32_t>(d.at("index"), "index")] = LoadDevice(d);
    }
    for (const json& i : l.value("interfaces", json::array())) {
        CheckKeys(i, {"class", "index", "path", "device"}, "recorded interface");
        RecordedList::Interface entry;
        entry.interfaceClass = InterfaceClass(i.at("class"));
        entry.index = Narrow<std::uint32_t>(i.at("index"), "index");
        if (i.contains("path")) {
            entry.path = Text(i["path"], "path");
            entry.device = Narrow<std::uint32_t>(i.at("device"), "device");
            const auto owner = list.devices.find(*entry.device);
            if (owner == list.devices.end()) {
                throw std::invalid_argument("recorded interface of no recorded device: " +
                                            i["path"].get<std::string>());
            }
            owner->second.interfaces.push_back({entry.interfaceClass, entry.path});
        }
        list.interfaces.push_back(std::move(entry));
    }
    machine.Devices().AddRecordedList(std::move(list));
}

RecordedAnswer Answer(const json& r, std::size_t number) {
    CheckKeys(r,
              {"path", "controlCode", "inputLength", "input", "size", "ok", "error",
               "bytesReturned", "output"},
              "recorded request");
    const std::string entry =
        "recorded request " + std::to_string(number) + " (" + Ascii(r.at("path"), "path") + ")";
    RecordedAnswer answer;
    answer.controlCode = Narrow<win::Dword>(r.at("controlCode"), "controlCode");
    const auto inputLength = Narrow<std::uint32_t>(r.at("inputLength"), "inputLength");
    const auto size = Narrow<std::uint32_t>(r.at("size"), "size");
    if (size > kLargestRecordedBuffer) {
        throw std::invalid_argument(entry + ": size " + std::to_string(size) +
                                    ", more than the inspector's largest request of " +
                                    std::to_string(kLargestRecordedBuffer) + " bytes");
    }
    // The input is the first inputLength bytes of the buffer.
    if (inputLength > size) {
        throw std::invalid_argument(entry + ": inputLength " + std::to_string(inputLength) +
                                    " beyond its size of " + std::to_string(size));
    }
    answer.input = HexBytes(r.at("input"), inputLength, entry + ": input");
    answer.output = HexBytes(r.at("output"), size, entry + ": output");
    answer.result = {r.at("ok").get<bool>(),
                     Narrow<std::uint32_t>(r.at("bytesReturned"), "bytesReturned"),
                     Narrow<win::Dword>(r.at("error"), "error")};
    return answer;
}

}  // namespace

void LoadRecording(const json& recorded, SimMachine& machine) {
    CheckKeys(recorded, {"lists", "opens", "requests"}, "recorded");
    for (const json& l : recorded.value("lists", json::array())) {
        LoadList(l, machine);
    }
    std::map<std::u16string, std::vector<RecordedAnswer>> answers;
    const json requests = recorded.value("requests", json::array());
    if (!requests.is_array()) {
        throw std::invalid_argument("recorded requests: not a list");
    }
    if (requests.size() > kMaxRecordedRequests) {
        throw std::invalid_argument("recorded requests: " + std::to_string(requests.size()) +
                                    ", more than " + std::to_string(kMaxRecordedRequests));
    }
    for (std::size_t number = 0; number < requests.size(); ++number) {
        const json& r = requests[number];
        answers[Text(r.at("path"), "path")].push_back(Answer(r, number));
    }
    for (const json& o : recorded.value("opens", json::array())) {
        CheckKeys(o, {"path", "error"}, "recorded open");
        std::u16string path = Text(o.at("path"), "path");
        if (const auto error = Narrow<win::Dword>(o.at("error"), "error"); error != 0) {
            machine.AddUnopenablePath(std::move(path), error);
            continue;
        }
        auto endpoint = std::make_shared<RecordedEndpoint>(
            std::move(answers[path]),
            [&machine](std::string what) { machine.ReportMisuse(std::move(what)); });
        AddDrives(*endpoint, machine);
        machine.AddPath(std::move(path), std::move(endpoint));
    }
}

}  // namespace sim
