#include "app/console_events.h"

#include <string>

#include "platform/text.h"
#include "rst/rst_requests.h"

namespace app {

namespace {

using model::StopStage;

std::u16string Signed(std::uint32_t value) {
    return platform::ToU16(platform::DecimalText(static_cast<std::int32_t>(value)));
}

std::u16string HexUpper(std::uint32_t value) {
    return platform::ToU16(platform::HexUpper(value));
}

std::string PortOf(const model::DiskRecord& disk) {
    return platform::DecimalText(rst::PathIdentifier(disk.PortNumber));
}

bool ThroughRst(const model::DiskRecord& disk) {
    return disk.AccessPath != model::AccessKind::Inbox;
}

}  // namespace

// "  [ERROR] Failed to get disk handle: 0x<code>" and an empty line, the system error code in
// lower-case hex: typically 0x5 for a user who is not an administrator.
void ConsoleEvents::DiskHandleFailed(win::Dword error) {
    m_console.WriteNarrow("  [ERROR] Failed to get disk handle: 0x" + platform::HexLower(error) +
                          "\n\n");
}

void ConsoleEvents::DeviceSkipped(const model::DiskRecord& device, model::SkipReason reason,
                                  const model::StopPoint& stop) {
    switch (reason) {
        case model::SkipReason::ControllerNotOpened:
            m_console.WriteNarrow("  [ERROR] Failed to get controller handle: 0x" +
                                  platform::HexLower(stop.SystemError) + "\n\n");
            return;
        case model::SkipReason::DiskNotOpened:
            DiskHandleFailed(stop.SystemError);
            return;
        case model::SkipReason::BehindSecondController:
            m_console.WriteNarrow(
                "  [ERROR] A disk behind a second RST controller is not updated.\n\n");
            return;
        case model::SkipReason::AddressCollision:
            m_console.WriteNarrow("  [ERROR] Two disks answer at port " + PortOf(device) +
                                  " of the RST controller; the later one is not updated.\n\n");
            return;
    }
}

namespace {

std::string UnreadText(model::UnreadPart part) {
    using model::UnreadPart;
    switch (part) {
        case UnreadPart::List:
            return "the list ended early";
        case UnreadPart::Parent:
            return "its parent could not be read";
        case UnreadPart::InstanceId:
            return "its instance ID could not be read";
        case UnreadPart::HardwareIds:
            return "its hardware IDs could not be read";
        case UnreadPart::DriverDescription:
            return "its driver description could not be read";
        case UnreadPart::Interface:
            return "its interface could not be read";
        case UnreadPart::InterfaceOfAnotherDevice:
            return "its interface belongs to another device";
        case UnreadPart::DeviceNumber:
            return "it gave no device number";
        case UnreadPart::ParentController:
            return "its controller could not be examined";
    }
    return "?";
}

}  // namespace

// A device list or a device that discovery could not read: named by what was read of it, else by
// its place in Windows' list.
void ConsoleEvents::DeviceNotRead(const model::UnreadDevice& device) {
    const std::string list = device.StorageControllers ? "storage controllers" : "disks";
    const std::string error =
        device.Error != 0 ? " (0x" + platform::HexLower(device.Error) + ")" : "";
    if (device.Part == model::UnreadPart::List) {
        m_console.WriteNarrow("  [ERROR] Failed to list the " + list + error + ".\n\n");
        return;
    }
    const std::string name =
        !device.Name.empty() ? platform::Narrow(device.Name)
                             : (device.StorageControllers ? "storage controller " : "disk ") +
                                   platform::DecimalText(static_cast<std::int64_t>(device.Index));
    m_console.WriteNarrow("  [ERROR] Could not examine " + name + ": " + UnreadText(device.Part) +
                          error + ".\n\n");
}

void ConsoleEvents::IdentificationStopped(const model::DiskRecord& device,
                                          const model::IdentifyStop& stop) {
    using model::IdentifyEnd;
    const std::string set = platform::DecimalText(stop.RaidSetIndex);
    switch (stop.End) {
        case IdentifyEnd::NotOpened:
            DiskHandleFailed(stop.Stop.SystemError);
            return;
        case IdentifyEnd::RequestFailed:
            m_console.WriteNarrow("  [ERROR] Failed to get Identify Controller data: 0x" +
                                  platform::HexLower(stop.Stop.SystemError) + "\n\n");
            return;
        case IdentifyEnd::NoIdentifyData:
            m_console.WriteNarrow("  [ERROR] No Identify Controller data from the drive at " +
                                  (ThroughRst(device) ? "port " + PortOf(device)
                                                      : platform::Narrow(device.DevicePath)) +
                                  ".\n\n");
            return;
        case IdentifyEnd::PassThroughRefused:
            m_console.WriteNarrow(
                "  [ERROR] The RST driver refused the NVMe pass-through to the drive at port " +
                PortOf(device) + ": ReturnCode 0x" + platform::HexLower(stop.Stop.ReturnCode) +
                ".\n\n");
            return;
        case IdentifyEnd::RaidQueryFailed:
            m_console.PrintWide(u"  [ERROR] CSMI GET RAID CONFIG IOCTL failed: 0x" +
                                HexUpper(stop.Stop.SystemError) + u"\n\n");
            return;
        case IdentifyEnd::RaidQueryRefused:
            m_console.WriteNarrow("  [ERROR] CSMI GET RAID CONFIG ReturnCode: 0x" +
                                  platform::HexLower(stop.Stop.ReturnCode) + "\n\n");
            return;
        case IdentifyEnd::MembersNotListed:
            m_console.WriteNarrow("  [ERROR] RAID set " + set +
                                  " does not list its member drives.\n\n");
            return;
        case IdentifyEnd::MembersUnread:
            m_console.WriteNarrow(
                "  [ERROR] RAID set " + set + " lists " +
                platform::DecimalText(static_cast<std::int64_t>(stop.MembersListed)) +
                " member drives; only " +
                platform::DecimalText(static_cast<std::int64_t>(stop.MembersRead)) +
                " could be read.\n\n");
            return;
        case IdentifyEnd::SetsUncounted:
            m_console.WriteNarrow("  [ERROR] The RST driver lists more than " + set +
                                  " RAID sets; those past them are not updated.\n\n");
            return;
    }
}

// The block both access paths print before touching a drive. The inbox access path labels the
// new revision " Update FW : ", the RST access path " Updated FW : ": each one's text is fixed.
void ConsoleEvents::UpdateStarted(const model::DiskRecord& disk,
                                  std::u16string_view imageRevision) {
    const bool inbox = !ThroughRst(disk);
    const std::u16string_view separator = u"---------------------------------------------";
    m_console.WriteWideLine(u"");
    m_console.WriteWideLine(separator);
    m_console.WriteWideLine(u" Firmware Download | Target Disk Information ");
    m_console.WriteWideLine(separator);
    m_console.WriteWideLine(std::u16string(u" Driver : ") +
                            (inbox ? u"Inbox Driver" : u"IRST Driver"));
    m_console.WriteWideLine(std::u16string(u" Raid : ") +
                            (disk.AccessPath == model::AccessKind::RstRaid ? u"Yes" : u"No"));
    m_console.WriteWideLine(u" Model Number : " + disk.ModelNumber);
    m_console.WriteWideLine(u" Serial Number : " + disk.SerialNumber);
    m_console.WriteWideLine(u" Current FW : " + disk.FirmwareRevision);
    m_console.WriteWideLine((inbox ? u" Update FW : " : u" Updated FW : ") +
                            std::u16string(imageRevision));
    m_console.WriteWideLine(separator);
}

void ConsoleEvents::ImageNotActivated(const model::DiskRecord&, std::uint8_t slot) {
    m_console.WriteNarrow("  [WARN] The new firmware is already in slot " +
                          platform::DecimalText(slot) +
                          ", but the drive does not run it: shut the computer down and start it "
                          "again after this update (a restart may not be enough).\n\n");
}

void ConsoleEvents::DownloadEnded(const model::DiskRecord& disk) {
    if (ThroughRst(disk)) {
        m_console.WriteNarrow("\n");
        m_console.WriteNarrow("  [PASS] Firmware download is succeeded.\n");
    }
}

void ConsoleEvents::UpdateStopped(const model::DiskRecord& disk,
                                  const model::UpdateOutcome& outcome) {
    if (!ThroughRst(disk)) {
        return;
    }
    const model::StopPoint& stop = outcome.Stop;
    switch (stop.Stage) {
        case StopStage::SlotChoice:
            m_console.WriteNarrow("  [ERROR] The drive has no writable firmware slot.\n\n");
            return;
        case StopStage::Open:
            DiskHandleFailed(stop.SystemError);
            return;
        case StopStage::Download:
            // A refused piece has a ReturnCode; a failed call has none.
            if (stop.ReturnCode == 0) {
                m_console.PrintWide(u"  [ERROR] Firmware download IOCTL failed: 0x" +
                                    HexUpper(stop.SystemError) + u"\n");
            } else {
                m_console.PrintWide(u"  [ERROR] Firmware download failed: srbControl->ReturnCode " +
                                    Signed(stop.ReturnCode) + u"\n");
            }
            [[fallthrough]];
        case StopStage::NotStarted:
            m_console.WriteNarrow("\n");
            m_console.WriteNarrow("  [FAIL] Firmware download failed.\n");
            return;
        case StopStage::Activation:
            if (!outcome.Activation) {
                m_console.PrintWide(u"  [ERROR] Firmware activate IOCTL failed: 0x" +
                                    HexUpper(stop.SystemError) + u"\n");
            } else {
                RstActivationRefused(*outcome.Activation, stop.ReturnCode);
            }
            return;
        default:
            return;
    }
}

void ConsoleEvents::RstActivationRefused(model::ActivationAnswer answer, std::uint32_t returnCode) {
    using Answer = model::ActivationAnswer;
    switch (answer) {
        case Answer::ErrorReturned:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: error returned\n\n");
            return;
        case Answer::ParameterError:
            m_console.PrintWide(
                u"  [ERROR] Firmware activate parameter error: srbControl->ReturnCode " +
                Signed(returnCode) + u"\n\n");
            return;
        case Answer::InvalidSlot:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: invalid slot number\n\n");
            return;
        case Answer::InvalidImage:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: invalid firmware image\n\n");
            return;
        default:
            break;
    }
    m_console.PrintWide(
        u"  [ERROR] Firmware activate failed: unexpected error, srbControl->ReturnCode " +
        Signed(returnCode) + u"\n\n");
}

void ConsoleEvents::UpdateEnded(const model::DiskRecord& disk, model::UpdateEnd end,
                                const model::UpdateOutcome& outcome) {
    if (end == model::UpdateEnd::AlreadyDownloaded) {
        m_console.WriteNarrow(
            "  [PASS] Firmware is already downloaded; activation requires reboot.\n");
        return;
    }
    if (!ThroughRst(disk)) {
        return;
    }
    if (outcome.Activation == model::ActivationAnswer::PowerCycleRequired) {
        m_console.PrintWide(
            u"  [PASS] Firmware activate succeeded. PLEASE SHUTDOWN COMPUTER.\n\n\n");
        return;
    }
    m_console.PrintWide(u"  [PASS] Firmware activation is succeeded.\n\n");
}

}  // namespace app
