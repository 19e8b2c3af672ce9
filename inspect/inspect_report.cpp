#include "inspect/inspect_report.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <type_traits>
#include <vector>

#include "inspect/json_text.h"
#include "platform/text.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

// Text for a person: printable ASCII as it is, any other code unit (a zero byte or a byte above
// 0x7F of an Identify field or a slot revision) as '?'. The JSON carries every code unit exactly;
// the run's own report keeps the bytes (platform::Narrow).
template <typename Char>
std::string Printable(std::basic_string_view<Char> text) {
    std::string out;
    out.reserve(text.size());
    for (const Char c : text) {
        const auto unit = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
        out += (unit >= 0x20 && unit < 0x7F) ? static_cast<char>(unit) : '?';
    }
    return out;
}

std::string Printable(std::u16string_view text) {
    return Printable<char16_t>(text);
}

std::string Number(std::int64_t value) {
    return platform::DecimalText(value);
}

std::string VersionText(const InspectedDevice& device) {
    return Number(device.VersionMajor) + "." + Number(device.VersionMinor) + "." +
           Number(device.VersionTertiary);
}

std::string DecisionKey(DecisionKind decision) {
    switch (decision) {
        case DecisionKind::WouldBeUpdated:
            return "wouldBeUpdated";
        case DecisionKind::AlreadyCurrent:
            return "alreadyCurrent";
        case DecisionKind::AnotherRevision:
            return "anotherRevision";
        case DecisionKind::NotMakersDrive:
            return "notMakersDrive";
        case DecisionKind::NoNvmeHardwareId:
            return "noNvmeHardwareId";
        case DecisionKind::NotOpened:
            return "notOpened";
        case DecisionKind::IdentificationFailed:
            return "identificationFailed";
        case DecisionKind::RaidVolume:
            return "raidVolume";
        case DecisionKind::RaidSetWithoutVolume:
            return "raidSetWithoutVolume";
        case DecisionKind::NoRaidSets:
            return "noRaidSets";
        case DecisionKind::RstController:
            return "rstController";
        case DecisionKind::NotRstController:
            return "notRstController";
        case DecisionKind::NotBehindRstController:
            return "notBehindRstController";
        case DecisionKind::SameDrive:
            return "sameDrive";
        case DecisionKind::AddressCollision:
            return "addressCollision";
        case DecisionKind::AlreadyDownloaded:
            return "alreadyDownloaded";
        case DecisionKind::ImageNotActivated:
            return "imageNotActivated";
        case DecisionKind::LeftOut:
            return "leftOut";
    }
    return "leftOut";
}

std::string PortText(const model::DiskRecord& disk) {
    return Number(rst::PathIdentifier(disk.PortNumber));
}

// The decision with its reason, as one phrase.
std::string DecisionReason(const InspectedDevice& device, const Inspection& inspection) {
    switch (device.Decision) {
        case DecisionKind::WouldBeUpdated:
            return "would be updated from " + Printable(device.Disk.FirmwareRevision) + " to " +
                   Printable(inspection.ImageRevision) +
                   (device.Obstacle.empty() ? "" : ", but would fail: " + device.Obstacle);
        case DecisionKind::AlreadyCurrent:
            return "already current";
        case DecisionKind::AnotherRevision:
            return "another revision (only " + Printable(inspection.UpgradableRevision) +
                   " is updated)";
        case DecisionKind::ImageNotActivated:
            return "the image is in slot " + Number(device.ImageSlot) +
                   " but the last reset did not activate it; a full shutdown may be needed";
        case DecisionKind::SameDrive:
            if (device.SameAsDisk.AccessPath == model::AccessKind::RstRaid) {
                return "the same drive as the member at port " + PortText(device.SameAsDisk) +
                       " of RAID set " + Number(device.SameAsDisk.RaidSetIndex);
            }
            return "the same drive as device #" + Number(static_cast<std::int64_t>(device.SameAs));
        case DecisionKind::AddressCollision:
            return "another disk answers at port " + PortText(device.Disk) +
                   " of the RST controller: not updated";
        case DecisionKind::NotMakersDrive:
            return device.Identified ? "not the maker's drive (PCI vendor ID 0x" +
                                           platform::HexLower(device.Disk.PciVendorId) + ")"
                                     : "not the maker's drive";
        case DecisionKind::NotOpened:
            return "could not be opened (system error 0x" + platform::HexLower(device.Error) + ")";
        case DecisionKind::IdentificationFailed:
            return "identification failed (" + device.Stop + ")";
        case DecisionKind::RaidVolume:
            return "RAID volume expanded into " +
                   Number(static_cast<std::int64_t>(device.Members)) +
                   " members (query: " + device.Stop + ")";
        case DecisionKind::RaidSetWithoutVolume:
            return "RAID set " + Number(device.Found.Index) +
                   " without a volume in Windows, expanded into " +
                   Number(static_cast<std::int64_t>(device.Members)) +
                   " members (query: " + device.Stop + ")";
        case DecisionKind::NoRaidSets:
            return "no RAID volume is listed and the RST driver does not say whether it has RAID "
                   "sets: taken as none (query: " +
                   device.Stop + ")";
        case DecisionKind::RstController:
            return device.Found.Vmd ? "Intel RST controller (VMD)" : "Intel RST controller";
        case DecisionKind::NotBehindRstController:
            return std::string(discovery::VerdictText(device.Found.Verdict));
        case DecisionKind::LeftOut:
            return "left out: " + std::string(discovery::VerdictText(device.Found.Verdict));
        default:
            return std::string(DecisionText(device.Decision));
    }
}

std::string Reason(const InspectedDevice& device, const Inspection& inspection) {
    return DecisionReason(device, inspection) +
           (device.LeftBehind ? "; a drive of the maker may be left behind: exit code 1" : "");
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
    if (!slots.Answered) {
        return slots.Version > 1 ? "reported in structure version " + Number(slots.Version)
                                 : "not reported";
    }
    std::string text;
    for (const FirmwareSlot& slot : slots.Slots) {
        text += text.empty() ? "" : ", ";
        text += Number(slot.Number) + " " +
                (slot.Revision.empty() ? std::string("empty")
                                       : "\"" + Printable<char>(slot.Revision) + "\"");
        text += slot.ReadOnly ? " read-only" : "";
        text += slot.Number == slots.ActiveSlot ? " active" : "";
        text += slot.Number == slots.PendingSlot ? " pending" : "";
    }
    return text.empty() ? "none" : text;
}

std::string Trimmed(std::u16string_view text) {
    std::string printable = Printable(text);
    while (!printable.empty() && (printable.back() == ' ' || printable.back() == '?')) {
        printable.pop_back();
    }
    return printable;
}

std::string AccessPathColumn(model::AccessKind accessPath) {
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
        {"Device", "Model", "Serial", "Access path", "Running", "Slots", "Decision"}};
    for (std::size_t i = 0; i < inspection.Devices.size(); ++i) {
        const InspectedDevice& device = inspection.Devices[i];
        if (device.Identified) {
            rows.push_back({"#" + Number(static_cast<std::int64_t>(i + 1)),
                            Trimmed(device.Disk.ModelNumber), Trimmed(device.Disk.SerialNumber),
                            AccessPathColumn(device.Disk.AccessPath),
                            Printable(device.Disk.FirmwareRevision), SlotsText(device.Slots),
                            Reason(device, inspection)});
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
    std::string text = "  Found in : " + std::string(discovery::WalkText(device.Found.Walk)) +
                       ", index " + Number(device.Found.Index) +
                       (device.RaidMember ? " (RAID member)" : "") + "\n";
    if (device.RaidMember) {
        // The volume's own lines stand above; a member is told by its port.
    } else if (!device.Found.InstanceId.empty()) {
        text += "  Instance ID : " + Printable(device.Found.InstanceId) + "\n";
    }
    if (!device.RaidMember && !device.Found.ParentId.empty()) {
        text += "  Parent : " + Printable(device.Found.ParentId) + "\n";
    }
    if (!device.Found.Path.empty()) {
        text += "  Interface : " + Printable(device.Found.Path) + "\n";
    }
    if (device.Disk.AccessPath != model::AccessKind::None) {
        text += "  Access path : " + AccessText(device.Disk.AccessPath) + "\n";
        text += "  Device path : " + Printable(device.Disk.DevicePath) + "\n";
        text += "  Port : " + Number(device.Disk.PortNumber) + "\n";
    }
    if (device.Identified) {
        text += "  Model Number : " + Printable(device.Disk.ModelNumber) + "\n";
        text += "  Serial Number : " + Printable(device.Disk.SerialNumber) + "\n";
        text += "  Firmware Revision : " + Printable(device.Disk.FirmwareRevision) + "\n";
        text += "  NVMe version : " + VersionText(device) + "\n";
        text += "  FWUG : " + Number(device.Fwug) + " (pieces of " +
                Number(static_cast<std::int64_t>(device.PieceSize)) + " bytes, " +
                Number(static_cast<std::int64_t>(device.PieceCount)) + " pieces)\n";
        text += "  Firmware slots : " + SlotsText(device.Slots) + "\n";
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
    if (!read.Answered) {
        return nullptr;
    }
    json::Value slots = json::Value::array();
    for (const FirmwareSlot& slot : read.Slots) {
        slots.push_back({{"slot", slot.Number},
                         {"readOnly", slot.ReadOnly},
                         {"revision", Text(slot.Revision)},
                         {"active", slot.Number == read.ActiveSlot},
                         {"pending", slot.Number == read.PendingSlot}});
    }
    return slots;
}

// A value of the Identify data, null when the drive was not identified.
template <typename T>
json::Value IfIdentified(const InspectedDevice& device, const T& value) {
    return device.Identified ? json::Value(value) : json::Value();
}

json::Value DeviceJson(const InspectedDevice& device, const Inspection& inspection) {
    const FirmwareSlots& read = device.Slots;
    return {
        {"walk", Text(discovery::WalkText(device.Found.Walk))},
        {"index", device.Found.Index},
        {"raidMember", device.RaidMember},
        {"instanceId", Text(device.Found.InstanceId)},
        {"parentId", Text(device.Found.ParentId)},
        {"interfacePath", Text(device.Found.Path)},
        {"accessPath", model::ToInt(device.Disk.AccessPath)},
        {"devicePath", Text(device.Disk.DevicePath)},
        {"port", device.Disk.PortNumber},
        {"identified", device.Identified},
        {"model", IfIdentified(device, json::DriveText(device.Disk.ModelNumber))},
        {"serial", IfIdentified(device, json::DriveText(device.Disk.SerialNumber))},
        {"revision", IfIdentified(device, json::DriveText(device.Disk.FirmwareRevision))},
        {"nvmeVersion", IfIdentified(device, VersionText(device))},
        {"fwug", IfIdentified(device, device.Fwug)},
        {"pieceSize", IfIdentified(device, device.PieceSize)},
        {"pieceCount", IfIdentified(device, device.PieceCount)},
        {"activeSlot", read.Answered ? json::Value(read.ActiveSlot) : json::Value()},
        {"pendingSlot",
         read.Answered && read.PendingSlot ? json::Value(*read.PendingSlot) : json::Value()},
        {"slots", SlotsJson(read)},
        {"decision", DecisionKey(device.Decision)},
        {"reason", Text(Reason(device, inspection))},
        {"sameAs",
         device.Decision == DecisionKind::SameDrive ? json::Value(device.SameAs) : json::Value()},
        {"systemError", device.Error},
        {"members", device.Members},
        {"vmd", device.Found.Vmd},
    };
}

}  // namespace

std::string InspectionText(const Inspection& inspection) {
    std::string text =
        "Firmware update inspection (read-only: nothing is downloaded or activated)\n"
        "Image revision : " +
        Printable(inspection.ImageRevision) +
        ", drives updated from : " + Printable(inspection.UpgradableRevision) + "\n";
    text += "\n" + SummaryText(inspection);
    text += "\nThe updater would end with exit code " + Number(inspection.ExpectedExitCode) + ".\n";
    int number = 1;
    for (const InspectedDevice& device : inspection.Devices) {
        text += "\n[Device #" + Number(number++) + "]\n" + DeviceText(device, inspection);
    }
    if (inspection.Devices.empty()) {
        text += "\nNo device was found.\n";
    }
    return text;
}

std::string IsoTime(const platform::LocalTime& time, int utcOffsetMinutes) {
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.Year,
                  time.Month, time.Day, time.Hour, time.Minute, time.Second,
                  utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string InspectionJson(const Inspection& inspection, const Stamp& stamp) {
    json::Value devices = json::Value::array();
    for (const InspectedDevice& device : inspection.Devices) {
        devices.push_back(DeviceJson(device, inspection));
    }
    return json::Dump(
        {{"schemaVersion", kInspectionSchemaVersion},
         {"machine", Text(stamp.Machine)},
         {"inspectedAt", IsoTime(stamp.InspectedAt, stamp.UtcOffsetMinutes)},
         {"tool",
          {{"version", FWU_TOOL_VERSION}, {"imageRevision", Text(inspection.ImageRevision)}}},
         {"imageRevision", Text(inspection.ImageRevision)},
         {"upgradableRevision", Text(inspection.UpgradableRevision)},
         {"devices", std::move(devices)},
         {"expectedExitCode", inspection.ExpectedExitCode},
         {"refusedRequests", inspection.RefusedRequests}});
}

}  // namespace inspect
