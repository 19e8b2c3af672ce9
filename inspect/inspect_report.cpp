#include "inspect/inspect_report.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <vector>

#include "inspect/json_text.h"
#include "platform/text.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

// Text for a person: printable ASCII as it is, any other code unit (a zero byte or a byte above
// 0x7F of an Identify field or a slot revision) as '?'; the JSON carries every code unit exactly.
template <typename Char>
std::string Narrow(std::basic_string_view<Char> text) {
    std::string out;
    out.reserve(text.size());
    for (const Char c : text) {
        const auto unit = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
        out += (unit >= 0x20 && unit < 0x7F) ? static_cast<char>(unit) : '?';
    }
    return out;
}

std::string Narrow(std::u16string_view text) {
    return Narrow<char16_t>(text);
}

std::string Number(std::int64_t value) {
    return platform::DecimalText(value);
}

std::string VersionText(const InspectedDevice& device) {
    return Number(device.versionMajor) + "." + Number(device.versionMinor) + "." +
           Number(device.versionTertiary);
}

std::string DecisionKey(Decision decision) {
    switch (decision) {
        case Decision::WouldBeUpdated:
            return "wouldBeUpdated";
        case Decision::AlreadyCurrent:
            return "alreadyCurrent";
        case Decision::AnotherRevision:
            return "anotherRevision";
        case Decision::NotMakersDrive:
            return "notMakersDrive";
        case Decision::NoNvmeHardwareId:
            return "noNvmeHardwareId";
        case Decision::NotOpened:
            return "notOpened";
        case Decision::IdentificationFailed:
            return "identificationFailed";
        case Decision::RaidVolume:
            return "raidVolume";
        case Decision::RstController:
            return "rstController";
        case Decision::NotRstController:
            return "notRstController";
        case Decision::NotBehindRstController:
            return "notBehindRstController";
        case Decision::SameDrive:
            return "sameDrive";
        case Decision::AddressCollision:
            return "addressCollision";
        case Decision::AlreadyDownloaded:
            return "alreadyDownloaded";
        case Decision::ImageNotActivated:
            return "imageNotActivated";
        case Decision::LeftOut:
            return "leftOut";
    }
    return "leftOut";
}

std::string PortText(const model::DiskRecord& disk) {
    return Number(rst::PathIdentifier(disk.PortNumber));
}

// The decision with its reason, as one phrase.
std::string DecisionReason(const InspectedDevice& device, const Inspection& inspection) {
    switch (device.decision) {
        case Decision::WouldBeUpdated:
            return "would be updated from " + Narrow(device.disk.FirmwareRevision) + " to " +
                   Narrow(inspection.imageRevision) +
                   (device.obstacle.empty() ? "" : ", but would fail: " + device.obstacle);
        case Decision::AlreadyCurrent:
            return "already current";
        case Decision::AnotherRevision:
            return "another revision (only " + Narrow(inspection.upgradableRevision) +
                   " is updated)";
        case Decision::ImageNotActivated:
            return "the image is in slot " + Number(device.imageSlot) +
                   " but the last reset did not activate it; a full shutdown may be needed";
        case Decision::SameDrive:
            if (device.sameAsDisk.AccessPath == model::AccessKind::RstRaid) {
                return "the same drive as the member at port " + PortText(device.sameAsDisk) +
                       " of RAID set " + Number(device.sameAsDisk.RaidSetIndex);
            }
            return "the same drive as device #" + Number(static_cast<std::int64_t>(device.sameAs));
        case Decision::AddressCollision:
            return "another disk answers at port " + PortText(device.disk) +
                   " of the RST controller: not updated";
        case Decision::NotMakersDrive:
            return device.identified ? "not the maker's drive (PCI vendor ID 0x" +
                                           platform::HexLower(device.disk.PciVendorId) + ")"
                                     : "not the maker's drive";
        case Decision::NotOpened:
            return "could not be opened (system error 0x" + platform::HexLower(device.error) + ")";
        case Decision::IdentificationFailed:
            return "identification failed (" + device.stop + ")";
        case Decision::RaidVolume:
            return "RAID volume expanded into " +
                   Number(static_cast<std::int64_t>(device.members)) +
                   " members (query: " + device.stop + ")";
        case Decision::NotBehindRstController:
            return std::string(discovery::VerdictText(device.found.verdict));
        case Decision::LeftOut:
            return "left out: " + std::string(discovery::VerdictText(device.found.verdict));
        default:
            return std::string(DecisionText(device.decision));
    }
}

std::string Reason(const InspectedDevice& device, const Inspection& inspection) {
    return DecisionReason(device, inspection) +
           (device.leftBehind ? "; a drive of the maker may be left behind: exit code 1" : "");
}

std::string AccessText(model::AccessKind accessPath) {
    switch (accessPath) {
        case model::AccessKind::RstRaid:
            return "1 (RAID behind Intel RST)";
        case model::AccessKind::RstDisk:
            return "2 (disk behind Intel RST)";
        case model::AccessKind::Inbox:
            return "3 (inbox NVMe driver)";
        case model::AccessKind::None:
            break;
    }
    return "-";
}

std::string SlotsText(const FirmwareSlots& slots) {
    if (!slots.answered) {
        return slots.version > 1 ? "reported in structure version " + Number(slots.version)
                                 : "not reported";
    }
    std::string text;
    for (const FirmwareSlot& slot : slots.slots) {
        text += text.empty() ? "" : ", ";
        text += Number(slot.number) + " " +
                (slot.revision.empty() ? std::string("empty")
                                       : "\"" + Narrow<char>(slot.revision) + "\"");
        text += slot.readOnly ? " read-only" : "";
        text += slot.number == slots.activeSlot ? " active" : "";
        text += slot.number == slots.pendingSlot ? " pending" : "";
    }
    return text.empty() ? "none" : text;
}

std::string Trimmed(std::u16string_view text) {
    std::string narrow = Narrow(text);
    while (!narrow.empty() && (narrow.back() == ' ' || narrow.back() == '?')) {
        narrow.pop_back();
    }
    return narrow;
}

std::string RoadText(model::AccessKind accessPath) {
    switch (accessPath) {
        case model::AccessKind::RstRaid:
            return "RST RAID member";
        case model::AccessKind::RstDisk:
            return "RST disk";
        case model::AccessKind::Inbox:
            return "inbox";
        case model::AccessKind::None:
            break;
    }
    return "-";
}

// One row per identified drive, in columns as wide as their widest entry.
std::string SummaryText(const Inspection& inspection) {
    std::vector<std::vector<std::string>> rows = {
        {"Device", "Model", "Serial", "Road", "Running", "Slots", "Decision"}};
    for (std::size_t i = 0; i < inspection.devices.size(); ++i) {
        const InspectedDevice& device = inspection.devices[i];
        if (device.identified) {
            rows.push_back({"#" + Number(static_cast<std::int64_t>(i + 1)),
                            Trimmed(device.disk.ModelNumber), Trimmed(device.disk.SerialNumber),
                            RoadText(device.disk.AccessPath), Narrow(device.disk.FirmwareRevision),
                            SlotsText(device.slots), Reason(device, inspection)});
        }
    }
    if (rows.size() == 1) {
        return "No drive was identified.\n";
    }
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += " " + row[c];
            if (c + 1 < row.size()) {
                line += std::string(widths[c] - row[c].size() + 1, ' ');
            }
        }
        text += line + "\n";
    }
    return text;
}

std::string DeviceText(const InspectedDevice& device, const Inspection& inspection) {
    std::string text = "  Found in : " + std::string(discovery::WalkText(device.found.walk)) +
                       ", index " + Number(device.found.index) +
                       (device.raidMember ? " (RAID member)" : "") + "\n";
    if (device.raidMember) {
        // The volume's own lines stand above; a member is told by its port.
    } else if (!device.found.instanceId.empty()) {
        text += "  Instance ID : " + Narrow(device.found.instanceId) + "\n";
    }
    if (!device.raidMember && !device.found.parentId.empty()) {
        text += "  Parent : " + Narrow(device.found.parentId) + "\n";
    }
    if (!device.found.path.empty()) {
        text += "  Interface : " + Narrow(device.found.path) + "\n";
    }
    if (device.disk.AccessPath != model::AccessKind::None) {
        text += "  Access path : " + AccessText(device.disk.AccessPath) + "\n";
        text += "  Device path : " + Narrow(device.disk.DevicePath) + "\n";
        text += "  Port : " + Number(device.disk.PortNumber) + "\n";
    }
    if (device.identified) {
        text += "  Model Number : " + Narrow(device.disk.ModelNumber) + "\n";
        text += "  Serial Number : " + Narrow(device.disk.SerialNumber) + "\n";
        text += "  Firmware Revision : " + Narrow(device.disk.FirmwareRevision) + "\n";
        text += "  NVMe version : " + VersionText(device) + "\n";
        text += "  FWUG : " + Number(device.fwug) + " (pieces of " +
                Number(static_cast<std::int64_t>(device.pieceSize)) + " bytes, " +
                Number(static_cast<std::int64_t>(device.pieceCount)) + " pieces)\n";
        text += "  Firmware slots : " + SlotsText(device.slots) + "\n";
    }
    text += "  Decision : " + Reason(device, inspection) + "\n";
    return text;
}

// Every string of the JSON as UTF-8: UTF-16 texts as they are, byte strings (a slot's revision)
// each byte as one character, as the text report reads them.
std::string Text(std::u16string_view text) {
    return json::Utf8(text);
}

std::string Text(std::string_view bytes) {
    return json::Latin1(bytes);
}

json::Value SlotsJson(const FirmwareSlots& read) {
    if (!read.answered) {
        return nullptr;
    }
    json::Value slots = json::Value::array();
    for (const FirmwareSlot& slot : read.slots) {
        slots.push_back({{"slot", slot.number},
                         {"readOnly", slot.readOnly},
                         {"revision", Text(slot.revision)},
                         {"active", slot.number == read.activeSlot},
                         {"pending", slot.number == read.pendingSlot}});
    }
    return slots;
}

// A value of the Identify data, null when the drive was not identified.
template <typename T>
json::Value IfIdentified(const InspectedDevice& device, const T& value) {
    return device.identified ? json::Value(value) : json::Value();
}

json::Value DeviceJson(const InspectedDevice& device, const Inspection& inspection) {
    const FirmwareSlots& read = device.slots;
    return {
        {"walk", Text(discovery::WalkText(device.found.walk))},
        {"index", device.found.index},
        {"raidMember", device.raidMember},
        {"instanceId", Text(device.found.instanceId)},
        {"parentId", Text(device.found.parentId)},
        {"interfacePath", Text(device.found.path)},
        {"accessPath", model::ToInt(device.disk.AccessPath)},
        {"devicePath", Text(device.disk.DevicePath)},
        {"port", device.disk.PortNumber},
        {"identified", device.identified},
        {"model", IfIdentified(device, Text(device.disk.ModelNumber))},
        {"serial", IfIdentified(device, Text(device.disk.SerialNumber))},
        {"revision", IfIdentified(device, Text(device.disk.FirmwareRevision))},
        {"nvmeVersion", IfIdentified(device, VersionText(device))},
        {"fwug", IfIdentified(device, device.fwug)},
        {"pieceSize", IfIdentified(device, device.pieceSize)},
        {"pieceCount", IfIdentified(device, device.pieceCount)},
        {"activeSlot", read.answered ? json::Value(read.activeSlot) : json::Value()},
        {"pendingSlot",
         read.answered && read.pendingSlot ? json::Value(*read.pendingSlot) : json::Value()},
        {"slots", SlotsJson(read)},
        {"decision", DecisionKey(device.decision)},
        {"reason", Text(Reason(device, inspection))},
        {"sameAs",
         device.decision == Decision::SameDrive ? json::Value(device.sameAs) : json::Value()},
        {"systemError", device.error},
        {"members", device.members},
    };
}

}  // namespace

std::string InspectionText(const Inspection& inspection) {
    std::string text =
        "Firmware update inspection (read-only: nothing is downloaded or activated)\n"
        "Image revision : " +
        Narrow(inspection.imageRevision) +
        ", drives updated from : " + Narrow(inspection.upgradableRevision) + "\n";
    text += "\n" + SummaryText(inspection);
    text += "\nThe updater would end with exit code " + Number(inspection.expectedExitCode) + ".\n";
    int number = 1;
    for (const InspectedDevice& device : inspection.devices) {
        text += "\n[Device #" + Number(number++) + "]\n" + DeviceText(device, inspection);
    }
    if (inspection.devices.empty()) {
        text += "\nNo device was found.\n";
    }
    return text;
}

std::string InspectionJson(const Inspection& inspection) {
    json::Value devices = json::Value::array();
    for (const InspectedDevice& device : inspection.devices) {
        devices.push_back(DeviceJson(device, inspection));
    }
    return json::Dump({{"imageRevision", Text(inspection.imageRevision)},
                       {"upgradableRevision", Text(inspection.upgradableRevision)},
                       {"devices", std::move(devices)},
                       {"expectedExitCode", inspection.expectedExitCode},
                       {"refusedRequests", inspection.refusedRequests}});
}

}  // namespace inspect
