#include "app/console_events.h"

#include <string>

#include "platform/text.h"

namespace app {

namespace {

using model::RstActivationAnswer;

std::u16string Signed(std::uint32_t value) {
    return platform::ToU16(platform::DecimalText(static_cast<std::int32_t>(value)));
}

std::u16string HexUpper(std::uint32_t value) {
    return platform::ToU16(platform::HexUpper(value));
}

}  // namespace

// "  [ERROR] Failed to get disk handle: 0x<code>" (or "controller") and an empty line, the
// system error code in lower-case hex: typically 0x5 for a user who is not an administrator.
void ConsoleEvents::OpenFailed(model::HandleOf device, win::Dword error) {
    const char* what = device == model::HandleOf::Disk ? "disk" : "controller";
    m_console.WriteNarrow("  [ERROR] Failed to get " + std::string(what) + " handle: 0x" +
                          platform::HexLower(error) + "\n\n");
}

void ConsoleEvents::IdentifyFailed(win::Dword error) {
    m_console.WriteNarrow("  [ERROR] Failed to get Identify Controller data: 0x" +
                          platform::HexLower(error) + "\n\n");
}

void ConsoleEvents::RaidQueryFailed(win::Dword error) {
    m_console.PrintWide(u"  [ERROR] CSMI GET RAID CONFIG IOCTL failed: 0x" + HexUpper(error) +
                        u"\n\n");
}

void ConsoleEvents::RaidQueryRefused(std::uint32_t returnCode) {
    m_console.WriteNarrow("  [ERROR] CSMI GET RAID CONFIG ReturnCode: 0x" +
                          platform::HexLower(returnCode) + "\n\n");
}

void ConsoleEvents::RaidMembersUnread(std::uint32_t raidSetIndex, std::size_t listed,
                                      std::size_t read) {
    m_console.WriteNarrow(
        "  [ERROR] RAID set " + platform::DecimalText(raidSetIndex) + " lists " +
        platform::DecimalText(static_cast<std::int64_t>(listed)) + " member drives; only " +
        platform::DecimalText(static_cast<std::int64_t>(read)) + " could be read.\n\n");
}

void ConsoleEvents::RaidMembersNotListed(std::uint32_t raidSetIndex) {
    m_console.WriteNarrow("  [ERROR] RAID set " + platform::DecimalText(raidSetIndex) +
                          " does not list its member drives.\n\n");
}

void ConsoleEvents::NoIdentifyData(std::uint8_t pathId) {
    m_console.WriteNarrow("  [ERROR] No Identify Controller data from the drive at port " +
                          platform::DecimalText(pathId) + ".\n\n");
}

void ConsoleEvents::DiskBehindSecondController() {
    m_console.WriteNarrow("  [ERROR] A disk behind a second RST controller is not updated.\n\n");
}

void ConsoleEvents::AddressCollision(std::uint8_t pathId) {
    m_console.WriteNarrow("  [ERROR] Two disks answer at port " + platform::DecimalText(pathId) +
                          " of the RST controller; the later one is not updated.\n\n");
}

// The block both access paths print before touching a drive. The inbox access path labels the new
// revision " Update FW : ", the RST access path " Updated FW : ": each access path's text is fixed.
void ConsoleEvents::UpdateStarted(const model::DiskRecord& disk,
                                  std::u16string_view imageRevision) {
    const bool inbox = disk.AccessPath == model::AccessKind::Inbox;
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

void ConsoleEvents::AlreadyDownloaded() {
    m_console.WriteNarrow("  [PASS] Firmware is already downloaded; activation requires reboot.\n");
}

void ConsoleEvents::RstPieceFailed(bool callFailed, win::Dword error, std::uint32_t returnCode) {
    if (callFailed) {
        m_console.PrintWide(u"  [ERROR] Firmware download IOCTL failed: 0x" + HexUpper(error) +
                            u"\n");
        return;
    }
    m_console.PrintWide(u"  [ERROR] Firmware download failed: srbControl->ReturnCode " +
                        Signed(returnCode) + u"\n");
}

void ConsoleEvents::RstDownloadEnded(bool accepted) {
    m_console.WriteNarrow("\n");
    m_console.WriteNarrow(accepted ? "  [PASS] Firmware download is succeeded.\n"
                                   : "  [FAIL] Firmware download failed.\n");
}

void ConsoleEvents::RstActivationAnswered(RstActivationAnswer answer, win::Dword error,
                                          std::uint32_t returnCode) {
    switch (answer) {
        case RstActivationAnswer::CallFailed:
            m_console.PrintWide(u"  [ERROR] Firmware activate IOCTL failed: 0x" + HexUpper(error) +
                                u"\n");
            return;
        case RstActivationAnswer::Activated:
            m_console.PrintWide(u"  [PASS] Firmware activation is succeeded.\n\n");
            return;
        case RstActivationAnswer::ErrorReturned:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: error returned\n\n");
            return;
        case RstActivationAnswer::ParameterError:
            m_console.PrintWide(
                u"  [ERROR] Firmware activate parameter error: srbControl->ReturnCode " +
                Signed(returnCode) + u"\n\n");
            return;
        case RstActivationAnswer::InvalidSlot:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: invalid slot number\n\n");
            return;
        case RstActivationAnswer::InvalidImage:
            m_console.PrintWide(u"  [ERROR] Firmware activate failed: invalid firmware image\n\n");
            return;
        case RstActivationAnswer::PowerCycleRequired:
            m_console.PrintWide(
                u"  [PASS] Firmware activate succeeded. PLEASE SHUTDOWN COMPUTER.\n\n\n");
            return;
        case RstActivationAnswer::Unexpected:
            break;
    }
    m_console.PrintWide(
        u"  [ERROR] Firmware activate failed: unexpected error, srbControl->ReturnCode " +
        Signed(returnCode) + u"\n\n");
}

}  // namespace app
