#pragma once

#include <string_view>

#include "discovery/disk_record.h"
#include "platform/console.h"

namespace discovery {

// The block that both update roads print before touching a drive. The inbox road labels the
// new revision " Update FW : ", the RST road " Updated FW : ".
void PrintTargetDiskBlock(platform::Console& console, const DiskRecord& disk,
                          std::u16string_view imageRevision, std::u16string_view newRevisionLabel);

}  // namespace discovery
