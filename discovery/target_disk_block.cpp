#include "discovery/target_disk_block.h"

#include <string>

namespace discovery {

void PrintTargetDiskBlock(platform::Console& console, const DiskRecord& disk,
                          std::u16string_view imageRevision, std::u16string_view newRevisionLabel) {
    const std::u16string_view separator = u"---------------------------------------------";
    console.WriteWideLine(u"");
    console.WriteWideLine(separator);
    console.WriteWideLine(u" Firmware Download | Target Disk Information ");
    console.WriteWideLine(separator);
    console.WriteWideLine(std::u16string(u" Driver : ") +
                          (disk.AccessPath == kAccessInbox ? u"Inbox Driver" : u"IRST Driver"));
    console.WriteWideLine(std::u16string(u" Raid : ") +
                          (disk.AccessPath == kAccessRstRaid ? u"Yes" : u"No"));
    console.WriteWideLine(u" Model Number : " + disk.ModelNumber);
    console.WriteWideLine(u" Serial Number : " + disk.SerialNumber);
    console.WriteWideLine(u" Current FW : " + disk.FirmwareRevision);
    console.WriteWideLine(std::u16string(newRevisionLabel) + std::u16string(imageRevision));
    console.WriteWideLine(separator);
}

void PrintAlreadyDownloaded(platform::Console& console) {
    console.WriteNarrow("  [PASS] Firmware is already downloaded; activation requires reboot.\n");
}

}  // namespace discovery
