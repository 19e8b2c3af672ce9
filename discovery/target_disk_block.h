#pragma once

#include <string_view>

#include "discovery/disk_record.h"
#include "platform/console.h"

namespace discovery {

// The block that both update roads print before touching a drive. The inbox road labels the
// new revision " Update FW : ", the RST road " Updated FW : ".
void PrintTargetDiskBlock(platform::Console& console, const DiskRecord& disk,
                          std::u16string_view imageRevision, std::u16string_view newRevisionLabel);

// The line both roads print after the block, on the 8-bit stream, when the slot the drive
// activates at its next reset already holds the image: nothing is sent, a reboot finishes it.
void PrintAlreadyDownloaded(platform::Console& console);

}  // namespace discovery
