#pragma once

#include <cstdint>

#include "discovery/disk_record.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

namespace inbox {

// Downloads byteCount bytes of the image through the miniport firmware interface and
// activates them. Returns 0 (activation accepted), 1 (refused by the drive) or 5 (not carried out).
int UpdateInboxDisk(platform::Platform& platform, const discovery::DiskRecord& disk,
                    const image::FirmwareImage& image, std::uint32_t byteCount);

}  // namespace inbox
